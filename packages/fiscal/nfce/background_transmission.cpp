// The register's background transmission: its notes in contingency and those whose send got
// no answer, settled oldest first a few a pass, with the log lines the operator reads about the
// contingency period, the notes' deadline and the refusals.

#include <map>
#include <mutex>

#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/nfce/contingency_store.h"
#include "fiscal/nfce/corrected_note.h"
#include "fiscal/nfce/nfce_emission.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/note_transmission.h"
#include "fiscal/nfce/rejected_notes.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"

namespace VyrFiscal {
namespace {

using namespace Nfce;

// When each register last asked the authoriser's status and what it heard, for this process:
// at most one probe a minute while the authoriser is down, so the worker's pass stays quick.
// A restarted worker asks at once.
struct Sondagem {
  rtl::TDateTime quando = 0;
  bool noAr = false;
};
std::mutex sondagens_mutex;
std::map<std::string, Sondagem> sondagens;

constexpr double kIntervaloSondagem = 1.0 / (24 * 60);  // one minute
constexpr double kPrazoAviso = 20.0 / 24;               // 20 hours after emission
constexpr double kIntervaloAvisoPrazo = 1.0 / 24;       // one line per hour
constexpr size_t kNotasPorChamada = 5;
constexpr double kMeioSegundo = 0.5 / (24 * 60 * 60);

std::string ChaveSondagem(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  return rtl::ProgramDirectory() + "|" + CDFILIAL + "|" + CDCAIXA;
}

Sondagem UltimaSondagem(const std::string& chave) {
  std::lock_guard<std::mutex> trava(sondagens_mutex);
  return sondagens[chave];
}

void RegistraSondagem(const std::string& chave, rtl::TDateTime quando, bool noAr) {
  std::lock_guard<std::mutex> trava(sondagens_mutex);
  sondagens[chave] = {quando, noAr};
}

std::string Momento(rtl::TDateTime quando) {
  return rtl::FormatSqlDateTime(quando);
}

// The contingency's start and end, each once, for the operator.
void AvisaContingencia(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                       const std::string& CDCAIXA, rtl::TDateTime agora,
                       std::vector<std::string>& linhas) {
  const ContingenciaCaixa estado = LeContingencia(conexao, CDFILIAL, CDCAIXA);
  if (!estado.existe || estado.aviso == kAvisoEncerrada || estado.fim == 0) return;
  const std::string caixa = "NFC-e: caixa " + CDFILIAL + "/" + CDCAIXA;
  if (estado.Vigente(agora)) {
    if (estado.aviso == kAvisoEntrada) return;
    linhas.push_back(caixa + " em contingência (notas tpEmis 9) desde " + Momento(estado.inicio) +
                     " até " + Momento(estado.fim) + ": " + estado.motivo);
    MarcaAvisoContingencia(conexao, CDFILIAL, CDCAIXA, kAvisoEntrada);
    return;
  }
  linhas.push_back(caixa + " saiu da contingência em " + Momento(estado.fim) +
                   "; a próxima nota vai ao autorizador");
  MarcaAvisoContingencia(conexao, CDFILIAL, CDCAIXA, kAvisoEncerrada);
}

// A contingency note must reach the authority within 24 hours of its emission: from 20 hours
// on, each such note is named once an hour.
void AvisaPrazo(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                const std::string& CDCAIXA, rtl::TDateTime agora,
                const std::vector<NotaGravada>& notas, std::vector<std::string>& linhas) {
  std::vector<std::string> atrasadas;
  for (const NotaGravada& nota : notas) {
    const rtl::TDateTime emissao = MomentoDaEmissao(nota);
    if (emissao > 0 && agora - emissao >= kPrazoAviso - kMeioSegundo) {
      atrasadas.push_back("NFC-e " + nota.chave + " emitida em " + nota.dhEmi +
                          " ainda não autorizada (" + nota.situacao +
                          "): o prazo de 24 horas para transmiti-la está perto do fim");
    }
  }
  if (atrasadas.empty()) return;
  const ContingenciaCaixa estado = LeContingencia(conexao, CDFILIAL, CDCAIXA);
  // Times come back from the store to the second: half a second keeps a full hour a full hour.
  if (estado.ultimoAvisoPrazo > 0 &&
      agora - estado.ultimoAvisoPrazo < kIntervaloAvisoPrazo - kMeioSegundo) {
    return;
  }
  linhas.insert(linhas.end(), atrasadas.begin(), atrasadas.end());
  MarcaAvisoPrazo(conexao, CDFILIAL, CDCAIXA, agora);
}

// True when the authoriser's status service says it is in operation (107).
bool AutorizadorNoAr(Autorizador& autorizador, const NotaGravada& nota, std::string& detalhe) {
  try {
    const RespostaTransporte resposta =
        autorizador.Status(ConsultaStatusServico(nota.chave.substr(0, 2), nota.tpAmb));
    if (resposta.estado != RespostaTransporte::Estado::Respondeu) {
      detalhe = resposta.detalhe;
      return false;
    }
    const Protocolo status = LeProtocolo(resposta.xml);
    detalhe = "status " + status.cStat + " " + status.xMotivo;
    return status.cStat == "107";
  } catch (const std::exception& erro) {
    if (rtl::IsProgrammingError(erro)) throw;
    detalhe = erro.what();
    return false;
  }
}

TransmissaoNfce TransmiteNotasDoCaixa(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                      const std::string& CDCAIXA) {
  TransmissaoNfce feito;
  std::vector<std::string>& linhas = feito.linhas;
  const rtl::TDateTime agora = rtl::Now();
  AvisaContingencia(conexao, CDFILIAL, CDCAIXA, agora, linhas);
  const std::vector<NotaGravada> notas = NotasNaoAutorizadas(conexao, CDFILIAL, CDCAIXA);
  AvisaPrazo(conexao, CDFILIAL, CDCAIXA, agora, notas, linhas);
  if (notas.empty()) return feito;
  const ConfiguracaoNfce configuracao = LeConfiguracaoNfce(conexao, CDFILIAL, CDCAIXA);
  // A register set to "offline" still has its notes sent by the authoriser put in place.
  Autorizador* autorizador = AutorizadorDoCaixa(conexao, CDFILIAL, CDCAIXA, notas.front().tpAmb);
  if (autorizador == nullptr) return feito;
  const std::string chaveSondagem = ChaveSondagem(CDFILIAL, CDCAIXA);
  const Sondagem ultima = UltimaSondagem(chaveSondagem);
  if (ultima.quando == 0 || agora - ultima.quando >= kIntervaloSondagem) {
    std::string detalhe;
    const bool noAr = AutorizadorNoAr(*autorizador, notas.front(), detalhe);
    RegistraSondagem(chaveSondagem, agora, noAr);
    if (!noAr) {
      if (!LeContingencia(conexao, CDFILIAL, CDCAIXA).Vigente(agora)) {
        EntraContingencia(
            conexao, CDFILIAL, CDCAIXA, agora,
            "o serviço de status do autorizador não respondeu em operação: " + detalhe);
      }
      return feito;
    }
  } else if (!ultima.noAr) {
    return feito;
  }
  for (size_t i = 0; i < notas.size() && i < kNotasPorChamada; ++i) {
    const Desfecho desfecho = Envia(conexao, *autorizador, notas[i]);
    // By the sale: a refusal 539 settled gives the note back its replaced key.
    const NotaGravada depois =
        NotaDaVenda(conexao, notas[i].CDFILIAL, notas[i].CDCAIXA, notas[i].NRSEQVENDA);
    if (desfecho != Desfecho::Resolvido) {
      RegistraSondagem(chaveSondagem, agora, false);
      break;
    }
    if (depois.situacao == kSituacaoAutorizada) {
      ++feito.resolvidas;
      linhas.push_back("NFC-e " + depois.chave + " da venda " + depois.NRSEQVENDA +
                       " autorizada: protocolo " + depois.protocolo);
    } else if (depois.situacao == kSituacaoRejeitada) {
      ++feito.resolvidas;  // its line comes with the other refusals, once
    }
  }
  return feito;
}

}  // namespace

// A rejected note due for it is made again first, so that it goes in this pass; refusals are
// named after the sends, so that one met now is named in the same pass, as is one met at a
// closing.
TransmissaoNfce TransmiteNotasPendentes(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                        const std::string& CDCAIXA) {
  std::vector<std::string> refeitas;
  RefazNotaRejeitada(conexao, CDFILIAL, CDCAIXA, refeitas);
  TransmissaoNfce feito = TransmiteNotasDoCaixa(conexao, CDFILIAL, CDCAIXA);
  feito.linhas.insert(feito.linhas.begin(), refeitas.begin(), refeitas.end());
  AvisaRejeicoes(conexao, CDFILIAL, CDCAIXA, feito.linhas);
  return feito;
}

}  // namespace VyrFiscal

namespace VyrFiscal::Rotinas {

TransmissaoNfce TransmiteNfcePendentes(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  ado::TADOConnection& conexao = ConexaoFiscal();
  try {
    return TransmiteNotasPendentes(conexao, CDFILIAL, CDCAIXA);
  } catch (const std::exception& erro) {
    if (conexao.InTransaction()) conexao.RollbackTrans();
    if (rtl::IsProgrammingError(erro)) throw;
    TransmissaoNfce falha;
    falha.linhas.push_back("NFC-e: a transmissão das notas pendentes do caixa " + CDFILIAL + "/" +
                           CDCAIXA + " falhou: " + erro.what());
    return falha;
  }
}

}  // namespace VyrFiscal::Rotinas
