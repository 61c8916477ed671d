#include "fiscal/lifecycle/register_readiness.h"

#include <map>
#include <mutex>

#include "db/db_error.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/kept_settings.h"
#include "fiscal/nfce/certificate_check.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/official_schemas.h"
#include "fiscal/nfce/schema_check.h"
#include "fiscal/register_fault.h"
#include "fiscal/sat/sat_library.h"
#include "fiscal/sat/stored_cfe.h"
#include "rtl/program_dir.h"
#include "vyrutil/local_time.h"

namespace VyrFiscal::Prontidao {
namespace {

// The settings (with the CSC), the certificate and its validity, then the schemas.
std::string FalhaNfce(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                      const std::string& CDCAIXA, rtl::TDateTime agora) {
  Nfce::ConfiguracaoNfce configuracao;
  try {
    configuracao = Nfce::LeConfiguracaoNfce(conexao, CDFILIAL, CDCAIXA);
  } catch (const ado::EADOError&) {
    throw;
  } catch (const rtl::EDatabaseError& erro) {
    return erro.what();
  }
  try {
    Nfce::AvisoValidade(
        configuracao.arquivoCertificado,
        Nfce::ValidadeDoCertificado(configuracao.arquivoCertificado, configuracao.senhaCertificado),
        agora);
    for (const char* esquema : Nfce::kEsquemasDoCaixa) {
      Nfce::CarregaEsquema(Nfce::PastaEsquemasInstalados() + esquema);
    }
  } catch (const VyrFiscal::FalhaDoCaixa& falha) {
    return falha.what();
  }
  return "";
}

std::string FalhaSat(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                     const std::string& CDCAIXA) {
  const Sat::InstalacaoSat instalacao = Sat::LeInstalacaoSat(conexao, CDFILIAL, CDCAIXA);
  const std::string problema = Sat::ProblemaInstalacaoSat(instalacao, CDFILIAL, CDCAIXA);
  if (!problema.empty()) return problema;
  try {
    Sat::BibliotecaSat biblioteca(instalacao.biblioteca);
  } catch (const VyrFiscal::FalhaDoCaixa& falha) {
    return falha.what();
  }
  return "";
}

struct Resposta {
  rtl::TDateTime quando = 0;
  std::string falha;
};

// A certificate states its validity in UTC, whatever this host's zone.
rtl::TDateTime AgoraUtc(rtl::TDateTime agora) {
  std::string texto = VyrUtil::DataHoraComFuso(agora, "UTC");  // "YYYY-MM-DDThh:mm:ss+00:00"
  texto[10] = ' ';
  return rtl::ParseSqlDateTime(texto.substr(0, 19));
}

std::mutex respostas_mutex;
std::map<std::string, Resposta> respostas;

}  // namespace

std::string ProblemaDoCaixa(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& idTipoEmissao,
                            rtl::TDateTime agora) {
  if (idTipoEmissao == "N") return FalhaNfce(conexao, CDFILIAL, CDCAIXA, agora);
  if (idTipoEmissao == "S") return FalhaSat(conexao, CDFILIAL, CDCAIXA);
  return "";
}

}  // namespace VyrFiscal::Prontidao

namespace VyrFiscal::Rotinas {

std::string VerificaProntidaoCaixa(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                   const std::string& idTipoEmissao) {
  using namespace Prontidao;
  const std::string chave =
      rtl::ProgramDirectory() + "|" + CDFILIAL + "|" + CDCAIXA + "|" + idTipoEmissao;
  const rtl::TDateTime agora = rtl::Now();
  {
    std::lock_guard<std::mutex> trava(respostas_mutex);
    const auto achada = respostas.find(chave);
    if (achada != respostas.end() && agora >= achada->second.quando &&
        agora - achada->second.quando < kSegundosProntidao / 86400.0) {
      return achada->second.falha;
    }
  }
  const std::string falha =
      ProblemaDoCaixa(ConexaoFiscal(), CDFILIAL, CDCAIXA, idTipoEmissao, AgoraUtc(agora));
  // Only a ready register is taken at its word for a while: a fault is asked again each time,
  // cheaply (a missing file fails at once), so a mended register resumes at its next pass.
  std::lock_guard<std::mutex> trava(respostas_mutex);
  if (falha.empty()) {
    respostas[chave] = {agora, falha};
  } else {
    respostas.erase(chave);
    EsqueceGuardadas();
  }
  return falha;
}

}  // namespace VyrFiscal::Rotinas
