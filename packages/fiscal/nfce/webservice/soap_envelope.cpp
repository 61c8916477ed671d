#include "fiscal/nfce/webservice/soap_envelope.h"

#include <pugixml.hpp>

#include <cstring>
#include <sstream>

#include "fiscal/nfce/authoriser.h"
#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

const char* const kNamespaceSoap12 = "http://www.w3.org/2003/05/soap-envelope";
const char* const kPrefixoWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/";

// The name without its prefix: servers answer with "soap:", "env:" or none.
const char* NomeLocal(const pugi::xml_node& no) {
  const char* nome = no.name();
  const char* doisPontos = std::strchr(nome, ':');
  return doisPontos ? doisPontos + 1 : nome;
}

pugi::xml_node Filho(const pugi::xml_node& pai, const char* nome) {
  for (pugi::xml_node filho : pai.children()) {
    if (filho.type() == pugi::node_element && std::strcmp(NomeLocal(filho), nome) == 0) {
      return filho;
    }
  }
  return {};
}

pugi::xml_node PrimeiroElemento(const pugi::xml_node& pai) {
  for (pugi::xml_node filho : pai.children()) {
    if (filho.type() == pugi::node_element) return filho;
  }
  return {};
}

std::string Texto(const pugi::xml_node& no) {
  std::ostringstream saida;
  no.print(saida, "", pugi::format_raw);
  return saida.str();
}

}  // namespace

std::string NamespaceWsdl(const ServicoNfe& servico) {
  return std::string(kPrefixoWsdl) + servico.nome;
}

std::string TipoConteudoSoap(const ServicoNfe& servico) {
  return "application/soap+xml; charset=utf-8; action=\"" + NamespaceWsdl(servico) + "/" +
         servico.operacao + "\"";
}

std::string EnvelopeSoap(const ServicoNfe& servico, const std::string& mensagem) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><soap12:Envelope xmlns:soap12=\"") +
         kNamespaceSoap12 + "\"><soap12:Body><nfeDadosMsg xmlns=\"" + NamespaceWsdl(servico) +
         "\">" + SemDeclaracaoXml(mensagem) + "</nfeDadosMsg></soap12:Body></soap12:Envelope>";
}

std::string ConteudoResposta(const std::string& envelope) {
  pugi::xml_document doc;
  if (doc.load_buffer(envelope.data(), envelope.size())) {
    const pugi::xml_node raiz = doc.document_element();
    if (std::strcmp(NomeLocal(raiz), "Envelope") == 0) {
      const pugi::xml_node conteudo = PrimeiroElemento(Filho(Filho(raiz, "Body"), "nfeResultMsg"));
      if (conteudo) return Texto(conteudo);
    }
  }
  throw rtl::EConvertError(
      "NFC-e authoriser: the answer is not a SOAP envelope with nfeResultMsg: " +
      envelope.substr(0, 200));
}

}  // namespace VyrFiscal::Nfce
