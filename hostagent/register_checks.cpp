#include "hostagent/register_checks.h"

#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>

#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/certificate_check.h"
#include "fiscal/nfce/endpoints/endpoints.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/technical_contact.h"
#include "fiscal/nfce/webservice/web_service_authoriser.h"
#include "fiscal/receipt/printer_port.h"
#include "hostagent/register_fault_status.h"
#include "rtl/client_dataset.h"
#include "vyrutil/local_time.h"

namespace hostagent {
namespace {

// The states whose authorisers refuse a note without infRespTec (rejection 972): there the
// installation must keep Dados/RespTecnico.ini. Elsewhere the file is checked when present.
const char* const kEstadosRespTecnico[] = {"AM", "MS", "PE", "PR", "RS", "SC", "TO"};

constexpr std::chrono::milliseconds kLimitePorta{2000};

void Falha(Achados& achados, const std::string& texto) {
  achados.push_back({Gravidade::kFalha, texto});
}

void Aviso(Achados& achados, const std::string& texto) {
  achados.push_back({Gravidade::kAviso, texto});
}

bool Digitos(const std::string& texto, size_t minimo, size_t maximo) {
  return texto.size() >= minimo && texto.size() <= maximo &&
         std::all_of(texto.begin(), texto.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

// A certificate states its validity in UTC.
rtl::TDateTime AgoraUtc(rtl::TDateTime agora) {
  std::string texto = VyrUtil::DataHoraComFuso(agora, "UTC");
  texto[10] = ' ';
  return rtl::ParseSqlDateTime(texto.substr(0, 19));
}

// The CNPJ an ICP-Brasil e-CNPJ names after its holder's name ("NAME:CNPJ" in the common name);
// "" when the file does not open or names none.
std::string CnpjDoCertificado(const std::string& arquivo, const std::string& senha) {
  std::ifstream entrada(arquivo, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(entrada), {}};
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::unique_ptr<PKCS12, decltype(&PKCS12_free)> pkcs12(
      d2i_PKCS12(nullptr, &p, static_cast<long>(bytes.size())), PKCS12_free);
  EVP_PKEY* chave = nullptr;
  X509* certificado = nullptr;
  STACK_OF(X509)* cadeia = nullptr;
  if (!pkcs12 || !PKCS12_parse(pkcs12.get(), senha.c_str(), &chave, &certificado, &cadeia)) {
    return "";
  }
  char nome[256] = {};
  if (certificado != nullptr) {
    X509_NAME_get_text_by_NID(X509_get_subject_name(certificado), NID_commonName, nome,
                              sizeof nome);
  }
  EVP_PKEY_free(chave);
  X509_free(certificado);
  sk_X509_pop_free(cadeia, X509_free);
  const std::string comum = nome;
  const size_t doisPontos = comum.rfind(':');
  return doisPontos == std::string::npos ? "" : comum.substr(doisPontos + 1);
}

// The certificate's end (a warning from 30 days before it) and its CNPJ's root, which the
// authority compares with the issuer's (rejection 213).
void VerificaCertificado(const VyrFiscal::Nfce::ConfiguracaoNfce& nfce, const CaixaVerificado& c,
                         Achados& achados) {
  const std::string& arquivo = nfce.arquivoCertificado;
  try {
    const auto validade = VyrFiscal::Nfce::ValidadeDoCertificado(arquivo, nfce.senhaCertificado);
    const std::string aviso = VyrFiscal::Nfce::AvisoValidade(arquivo, validade, AgoraUtc(c.agora));
    if (!aviso.empty()) Aviso(achados, aviso);
  } catch (const std::exception&) {
    return;  // named by the register's readiness
  }
  const std::string cnpj = CnpjDoCertificado(arquivo, nfce.senhaCertificado);
  if (!Digitos(c.cnpj, 14, 14)) {
    Falha(achados, "CNPJ da filial: FILIAL.NRINSJURFILI '" + c.cnpj + "' nao tem 14 digitos");
  } else if (cnpj.substr(0, 8) != c.cnpj.substr(0, 8)) {
    Falha(achados, "certificado '" + arquivo + "' (CAIXAFISCAL.DSARQCERTIF) e do CNPJ '" + cnpj +
                       "', de outra empresa que a filial (FILIAL.NRINSJURFILI " + c.cnpj + ")");
  }
}

void VerificaRespTecnico(const CaixaVerificado& c, Achados& achados) {
  const std::string arquivo = VyrFiscal::Nfce::ArquivoRespTecnico();
  const bool exigido = std::find(std::begin(kEstadosRespTecnico), std::end(kEstadosRespTecnico),
                                 c.uf) != std::end(kEstadosRespTecnico);
  std::ifstream existe(arquivo);
  if (!existe) {
    if (exigido) Falha(achados, "responsavel tecnico: o estado " + c.uf + " exige " + arquivo);
    return;
  }
  pugi::xml_document nota;
  try {
    VyrFiscal::Nfce::AnexaInfRespTec(nota.append_child("infNFe"), std::string(44, '0'));
  } catch (const std::exception& e) {
    Falha(achados, std::string("responsavel tecnico: ") + e.what());
  }
}

// The CSC id, the series, the environment and the state's addresses.
void VerificaParametrosNfce(const VyrFiscal::Nfce::ConfiguracaoNfce& nfce, const CaixaVerificado& c,
                            Achados& achados) {
  if (!Digitos(nfce.idCSC, 1, 6)) {
    Falha(achados, "CSC: CAIXAFISCAL.IDCSCNFCE '" + nfce.idCSC + "' nao e o id numerico do CSC");
  }
  if (!Digitos(nfce.serie, 1, 3)) {
    Falha(achados, "serie: CAIXAFISCAL.NRSERIENFCE '" + nfce.serie + "' nao e uma serie (0 a 999)");
  }
  if (c.ambiente != "1" && c.ambiente != "2") {
    Falha(achados, "ambiente: PARAVEND.IDAMBTRABNFCE '" + c.ambiente +
                       "' da filial nao e 1 (producao) nem 2 (homologacao)");
    return;
  }
  if (c.ambiente == "2")
    Aviso(achados, "ambiente de homologacao (PARAVEND.IDAMBTRABNFCE 2): notas sem valor fiscal");
  try {
    VyrFiscal::Nfce::EnderecosDoEstado(c.cUF, c.ambiente);
  } catch (const std::exception& e) {
    Falha(achados, "enderecos da SEFAZ (FILIAL.CDUFIBGE '" + c.cUF + "'): " + e.what());
  }
}

void VerificaNfce(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados) {
  VyrFiscal::Nfce::ConfiguracaoNfce nfce;
  try {
    nfce = VyrFiscal::Nfce::LeConfiguracaoNfce(conexao, c.filial, c.caixa);
  } catch (const std::exception&) {
    return;  // named by the register's readiness
  }
  VerificaCertificado(nfce, c, achados);
  VerificaParametrosNfce(nfce, c, achados);
  VerificaRespTecnico(c, achados);
}

void VerificaAtivacaoSat(const CaixaVerificado& c, Achados& achados) {
  const std::string arquivo = c.dir + "/Dados/Cadastros/AberturaCaixa.cds";
  rtl::TClientDataSet tabela;
  std::string codigo;
  try {
    tabela.LoadFromFile(arquivo);
    tabela.First();
    if (!tabela.Eof()) codigo = tabela.FieldByName("CDATIVACAOSAT").AsString();
  } catch (const std::exception& e) {
    Falha(achados, "codigo de ativacao do SAT: " + arquivo + " nao pode ser lido: " + e.what());
    return;
  }
  if (codigo.empty()) {
    Falha(achados, "codigo de ativacao do SAT: CDATIVACAOSAT vazio em " + arquivo);
  }
}

}  // namespace

void VerificaFiscal(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados) {
  if (c.emissao != "FNC" && c.emissao != "SAT") {
    Aviso(achados, "o caixa nao emite documento fiscal (CAIXA.IDTPEMISSAOVYR '" + c.emissao +
                       "'; FNC: NFC-e, SAT: CF-e)");
    return;
  }
  const RegisterFault falha = ReadRegisterFault(c.dir, c.filial, c.caixa, c.loja);
  if (!falha.falha.empty()) Falha(achados, falha.falha);
  if (!falha.erro.empty()) Falha(achados, falha.erro);
  if (c.emissao == "FNC") VerificaNfce(conexao, c, achados);
  if (c.emissao == "SAT") VerificaAtivacaoSat(c, achados);
}

void VerificaImpressora(const CaixaVerificado& c, Achados& achados) {
  if (c.modelo.empty()) {
    Falha(achados,
          "impressora: o caixa nao tem modelo (CAIXA.NRSEQIMPRLOJA6 -> IMPRLOJA -> "
          "IMPRESSORA.IDMODEIMPRES)");
    return;
  }
  try {
    VyrFiscal::Cupom::EnviaParaImpressora(c.porta, "", kLimitePorta);
  } catch (const std::exception& e) {
    Falha(achados, "impressora: porta IMPRLOJA.CDPORTAIMPR '" + c.porta + "': " + e.what());
  }
}

void VerificaStatusSefaz(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados) {
  using namespace VyrFiscal::Nfce;
  if (c.emissao != "FNC") return;
  ConfiguracaoCliente cliente;
  try {
    if (LeConfiguracaoNfce(conexao, c.filial, c.caixa).modo == kModoAutorizSimulado) {
      Aviso(achados,
            "SEFAZ nao consultada: o caixa usa o autorizador simulado "
            "(CAIXAFISCAL.IDMODOAUTORIZ 'simulado')");
      return;
    }
    cliente = LeConfiguracaoCliente(conexao, c.filial, c.caixa);
  } catch (const std::exception&) {
    return;  // named by the register's readiness
  }
  const RespostaTransporte resposta =
      AutorizadorWebService(cliente).Status(ConsultaStatusServico(c.cUF, c.ambiente));
  if (resposta.estado != RespostaTransporte::Estado::Respondeu) {
    Falha(achados, "SEFAZ (consStatServ) sem resposta: " + resposta.detalhe);
    return;
  }
  pugi::xml_document doc;
  doc.load_string(resposta.xml.c_str());
  const std::string cStat = doc.select_node("//*[local-name()='cStat']").node().child_value();
  const std::string xMotivo = doc.select_node("//*[local-name()='xMotivo']").node().child_value();
  if (cStat != "107") Falha(achados, "SEFAZ (consStatServ) respondeu " + cStat + ": " + xMotivo);
}

}  // namespace hostagent
