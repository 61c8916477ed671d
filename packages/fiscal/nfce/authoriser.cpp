#include "fiscal/nfce/authoriser.h"

#include <pugixml.hpp>

#include <map>
#include <memory>
#include <mutex>

#include "fiscal/nfce/note_store.h"
#include "fiscal/nfce/note_xml.h"
#include "fiscal/nfce/simulated_authoriser.h"
#include "fiscal/nfce/webservice/web_service_authoriser.h"
#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

Autorizador* autorizador_definido = nullptr;

}  // namespace

std::string SemDeclaracaoXml(const std::string& xml) {
  if (xml.compare(0, 5, "<?xml") != 0) return xml;
  const size_t fim = xml.find("?>");
  size_t inicio = fim == std::string::npos ? 0 : fim + 2;
  while (inicio < xml.size() && (xml[inicio] == '\n' || xml[inicio] == '\r')) ++inicio;
  return xml.substr(inicio);
}

RespostaTransporte Respondida(const std::string& xml) {
  RespostaTransporte resposta;
  resposta.estado = RespostaTransporte::Estado::Respondeu;
  resposta.xml = xml;
  return resposta;
}

RespostaTransporte SemResposta(RespostaTransporte::Estado estado, const std::string& detalhe) {
  RespostaTransporte resposta;
  resposta.estado = estado;
  resposta.detalhe = detalhe;
  return resposta;
}

std::string EnvelopeEnviNfe(const std::string& xmlNota, const std::string& idLote) {
  return std::string("<enviNFe xmlns=\"") + kNamespaceNfe + "\" versao=\"4.00\"><idLote>" + idLote +
         "</idLote><indSinc>1</indSinc>" + SemDeclaracaoXml(xmlNota) + "</enviNFe>";
}

std::string ConsultaSituacaoNfe(const std::string& chave, const std::string& tpAmb) {
  return std::string("<consSitNFe xmlns=\"") + kNamespaceNfe + "\" versao=\"4.00\"><tpAmb>" +
         tpAmb + "</tpAmb><xServ>CONSULTAR</xServ><chNFe>" + chave + "</chNFe></consSitNFe>";
}

std::string ConsultaStatusServico(const std::string& cUF, const std::string& tpAmb) {
  return std::string("<consStatServ xmlns=\"") + kNamespaceNfe + "\" versao=\"4.00\"><tpAmb>" +
         tpAmb + "</tpAmb><cUF>" + cUF + "</cUF><xServ>STATUS</xServ></consStatServ>";
}

Autorizador* AutorizadorDoCaixa(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                const std::string& CDCAIXA, const std::string& tpAmb) {
  const std::string modo = LeConfiguracaoNfce(conexao, CDFILIAL, CDCAIXA).modo;
  if (modo == kModoAutorizSimulado) {
    // A protocol the simulator made up would be taken for an authorisation with fiscal value.
    if (tpAmb == "1") throw rtl::Exception(kSimuladoSemProducao);
    static AutorizadorSimulado simulado;
    return &simulado;
  }
  if (!modo.empty()) return nullptr;
  if (autorizador_definido != nullptr) return autorizador_definido;
  const ConfiguracaoCliente cliente = LeConfiguracaoCliente(conexao, CDFILIAL, CDCAIXA);
  // One client per register and settings, kept for the process: a caller may still hold the
  // one of settings that changed since.
  const std::string chave = CDFILIAL + '\x1f' + CDCAIXA + '\x1f' + cliente.tls.arquivoCertificado +
                            '\x1f' + cliente.tls.senhaCertificado + '\x1f' +
                            cliente.tls.arquivoCadeiaCa + '\x1f' + cliente.urlServicos;
  static std::mutex guarda;
  static std::map<std::string, std::unique_ptr<AutorizadorWebService>> clientes;
  const std::lock_guard<std::mutex> trava(guarda);
  std::unique_ptr<AutorizadorWebService>& existente = clientes[chave];
  if (!existente) existente = std::make_unique<AutorizadorWebService>(cliente);
  return existente.get();
}

void DefineAutorizador(Autorizador* autorizador) {
  autorizador_definido = autorizador;
}

Protocolo LeProtocolo(const std::string& xml) {
  pugi::xml_document doc;
  pugi::xml_node raiz;
  if (doc.load_buffer(xml.data(), xml.size())) raiz = doc.document_element();
  pugi::xml_node origem = raiz.child("protNFe").child("infProt");
  if (!origem) origem = raiz.child("infProt");  // a protNFe on its own
  if (!origem) origem = raiz;
  Protocolo protocolo;
  protocolo.cStat = origem.child_value("cStat");
  protocolo.xMotivo = origem.child_value("xMotivo");
  protocolo.chNFe = origem.child_value("chNFe");
  protocolo.nProt = origem.child_value("nProt");
  protocolo.dhRecbto = origem.child_value("dhRecbto");
  protocolo.digVal = origem.child_value("digVal");
  if (protocolo.chNFe.empty()) protocolo.chNFe = raiz.child_value("chNFe");
  if (protocolo.cStat.empty()) {
    throw rtl::EConvertError("NFC-e authoriser: the answer carries no status (cStat): " +
                             xml.substr(0, 200));
  }
  return protocolo;
}

RespostaTransporte Autorizador::Evento(const std::string&) {
  return SemResposta(RespostaTransporte::Estado::SemConexao,
                     "this NFC-e authoriser takes no events (CAIXAFISCAL.IDMODOAUTORIZ)");
}

}  // namespace VyrFiscal::Nfce
