#include "hostagent/nfce_settings_checks.h"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "db/statement_kit.h"
#include "fiscal/nfce/certificate_check.h"
#include "fiscal/nfce/endpoints/endpoints.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/official_schemas.h"
#include "fiscal/nfce/schema_check.h"
#include "fiscal/nfce/technical_contact.h"
#include "hostagent/certificate_holder.h"
#include "vyrutil/crypto.h"

namespace hostagent {
namespace {

// Read column by column, not through the fiscal package's reading of the settings, which stops
// at the first column missing.
const char* const kSelCaixaFiscal =
    R"mssql(SELECT NRSERIENFCE, IDCSCNFCE, CDCSCNFCE, DSARQCERTIF, DSSENHACERTIF FROM CAIXAFISCAL WHERE CDFILIAL = :P_CDFILIAL AND CDCAIXA = :P_CDCAIXA)mssql";

// The states whose authorisers refuse a note without infRespTec (rejection 972): there the
// installation must keep Dados/RespTecnico.ini. Elsewhere the file is checked when present.
const char* const kEstadosRespTecnico[] = {"AM", "MS", "PE", "PR", "RS", "SC", "TO"};

// The register's CAIXAFISCAL row; every text empty when it has none.
struct CaixaFiscal {
  bool existe = false;
  std::string serie, idCSC, CSC, arquivo, senha;
};

class Registro {
 public:
  explicit Registro(Achados& achados) : achados_(achados) {}
  void Falha(const std::string& texto) {
    achados_.push_back({Gravidade::kFalha, texto});
    ++falhas_;
  }
  void Aviso(const std::string& texto) { achados_.push_back({Gravidade::kAviso, texto}); }
  size_t Falhas() const { return falhas_; }

 private:
  Achados& achados_;
  size_t falhas_ = 0;
};

bool Digitos(const std::string& texto, size_t minimo, size_t maximo) {
  return texto.size() >= minimo && texto.size() <= maximo &&
         std::all_of(texto.begin(), texto.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

CaixaFiscal LeCaixaFiscal(ado::TADOConnection& conexao, const CaixaVerificado& c) {
  CaixaFiscal f;
  f.existe =
      ado::ReadFirstRow(conexao, "adqCaixaFiscalVerificado", kSelCaixaFiscal,
                        ado::TextParams({"P_CDFILIAL", "P_CDCAIXA"}),
                        {{"P_CDFILIAL", c.filial}, {"P_CDCAIXA", c.caixa}}, [&](ado::TADOQuery& q) {
                          f.serie = q.FieldByName("NRSERIENFCE").AsString();
                          f.idCSC = q.FieldByName("IDCSCNFCE").AsString();
                          f.CSC = q.FieldByName("CDCSCNFCE").AsString();
                          f.arquivo = q.FieldByName("DSARQCERTIF").AsString();
                          f.senha = q.FieldByName("DSSENHACERTIF").AsString();
                        });
  if (!f.arquivo.empty() && f.arquivo.front() != '/') f.arquivo = c.dir + "/" + f.arquivo;
  return f;
}

// The file opens with its password and is valid now (ending within 30 days: a warning); its
// CNPJ's root is the branch's, which the authority compares with the issuer's (rejection 213).
void VerificaCertificado(const CaixaFiscal& f, const CaixaVerificado& c, Registro& r) {
  if (f.arquivo.empty()) {
    r.Falha(
        "certificado: CAIXAFISCAL.DSARQCERTIF vazio (o arquivo .pfx do certificado A1 da "
        "empresa)");
    return;
  }
  std::string senha;
  try {
    senha = VyrUtil::Uncripto(f.senha, VyrFiscal::Nfce::kChaveSenhaCertificado);
  } catch (const std::exception&) {
    r.Falha("certificado: CAIXAFISCAL.DSSENHACERTIF nao e uma senha criptografada (****)");
    return;
  }
  try {
    const auto validade = VyrFiscal::Nfce::ValidadeDoCertificado(f.arquivo, senha);
    const std::string aviso =
        VyrFiscal::Nfce::AvisoValidade(f.arquivo, validade, AgoraUtc(c.agora));
    if (!aviso.empty()) r.Aviso(aviso);
  } catch (const std::exception& e) {
    r.Falha(e.what());
    return;
  }
  const std::string cnpj = CnpjDoCertificado(f.arquivo, senha);
  if (Digitos(c.cnpj, 14, 14) && cnpj.substr(0, 8) != c.cnpj.substr(0, 8)) {
    r.Falha("certificado '" + f.arquivo + "' (CAIXAFISCAL.DSARQCERTIF) e do CNPJ '" + cnpj +
            "', de outra empresa que a filial (FILIAL.NRINSJURFILI " + c.cnpj + ")");
  }
}

void VerificaCscESerie(const CaixaFiscal& f, Registro& r) {
  if (f.CSC.empty()) {
    r.Falha(
        "CSC: CAIXAFISCAL.CDCSCNFCE vazio (o codigo de seguranca do contribuinte que a SEFAZ "
        "da a empresa)");
  }
  if (!Digitos(f.idCSC, 1, 6)) {
    r.Falha("CSC: CAIXAFISCAL.IDCSCNFCE '" + f.idCSC + "' nao e o id numerico do CSC");
  }
  if (!Digitos(f.serie, 1, 3)) {
    r.Falha("serie: CAIXAFISCAL.NRSERIENFCE '" + f.serie + "' nao e uma serie (0 a 999)");
  }
}

// The files missing are named together; a file that is there and cannot be read, on its own.
void VerificaEsquemas(Registro& r) {
  const std::string pasta = VyrFiscal::Nfce::PastaEsquemasInstalados();
  std::string faltam;
  for (const char* esquema : VyrFiscal::Nfce::kEsquemasDoCaixa) {
    if (!std::filesystem::exists(pasta + esquema)) {
      faltam += (faltam.empty() ? "" : ", ") + std::string(esquema);
      continue;
    }
    try {
      VyrFiscal::Nfce::CarregaEsquema(pasta + esquema);
    } catch (const std::exception& e) {
      r.Falha(std::string("esquemas oficiais: ") + e.what());
    }
  }
  if (!faltam.empty()) {
    r.Falha("esquemas oficiais: faltam " + faltam + " em " + pasta +
            " (o pacote de esquemas da NF-e 4.00)");
  }
}

// An environment that is neither still lets the state's code be checked, on production's list.
void VerificaAmbienteEEnderecos(const CaixaVerificado& c, Registro& r) {
  const bool valido = c.ambiente == "1" || c.ambiente == "2";
  if (!valido) {
    r.Falha("ambiente: PARAVEND.IDAMBTRABNFCE '" + c.ambiente +
            "' da filial nao e 1 (producao) nem 2 (homologacao)");
  } else if (c.ambiente == "2") {
    r.Aviso("ambiente de homologacao (PARAVEND.IDAMBTRABNFCE 2): notas sem valor fiscal");
  }
  try {
    VyrFiscal::Nfce::EnderecosDoEstado(c.cUF, valido ? c.ambiente : "1");
  } catch (const std::exception& e) {
    r.Falha("enderecos da SEFAZ (FILIAL.CDUFIBGE '" + c.cUF + "'): " + e.what());
  }
}

void VerificaRespTecnico(const CaixaVerificado& c, Registro& r) {
  const std::string arquivo = VyrFiscal::Nfce::ArquivoRespTecnico();
  const bool exigido = std::find(std::begin(kEstadosRespTecnico), std::end(kEstadosRespTecnico),
                                 c.uf) != std::end(kEstadosRespTecnico);
  std::ifstream existe(arquivo);
  if (!existe) {
    if (exigido) r.Falha("responsavel tecnico: o estado " + c.uf + " exige " + arquivo);
    return;
  }
  pugi::xml_document nota;
  try {
    VyrFiscal::Nfce::AnexaInfRespTec(nota.append_child("infNFe"), std::string(44, '0'));
  } catch (const std::exception& e) {
    r.Falha(std::string("responsavel tecnico: ") + e.what());
  }
}

}  // namespace

size_t VerificaInstalacaoNfce(ado::TADOConnection& conexao, const CaixaVerificado& c,
                              Achados& achados) {
  Registro r(achados);
  const CaixaFiscal f = LeCaixaFiscal(conexao, c);
  if (!f.existe) {
    r.Falha("configuracao fiscal: o caixa " + c.filial + "/" + c.caixa +
            " nao tem linha em CAIXAFISCAL (certificado, CSC, serie)");
  }
  VerificaCertificado(f, c, r);
  if (!Digitos(c.cnpj, 14, 14)) {
    r.Falha("CNPJ da filial: FILIAL.NRINSJURFILI '" + c.cnpj + "' nao tem 14 digitos");
  }
  VerificaCscESerie(f, r);
  VerificaEsquemas(r);
  VerificaAmbienteEEnderecos(c, r);
  VerificaRespTecnico(c, r);
  return r.Falhas();
}

}  // namespace hostagent
