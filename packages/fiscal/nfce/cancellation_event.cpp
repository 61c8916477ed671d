#include "fiscal/nfce/cancellation_event.h"

#include <pugixml.hpp>

#include <regex>
#include <sstream>

#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/note_xml.h"
#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

std::string Cru(const pugi::xml_node& no) {
  std::ostringstream texto;
  no.print(texto, "", pugi::format_raw);
  return texto.str();
}

// `texto` with the five characters XML reserves written as references.
std::string Escapado(const std::string& texto) {
  std::string saida;
  for (const char c : texto) {
    switch (c) {
      case '&':
        saida += "&amp;";
        break;
      case '<':
        saida += "&lt;";
        break;
      case '>':
        saida += "&gt;";
        break;
      case '"':
        saida += "&quot;";
        break;
      case '\'':
        saida += "&apos;";
        break;
      default:
        saida += c;
    }
  }
  return saida;
}

void Exige(std::string& erros, bool certo, const std::string& motivo) {
  if (!certo) erros += motivo + "\n";
}

}  // namespace

size_t CaracteresDaJustificativa(const std::string& xJust) {
  size_t n = 0;
  for (const unsigned char c : xJust) n += (c & 0xC0) != 0x80;
  return n;
}

std::string IdEventoCancelamento(const std::string& chave) {
  return std::string("ID") + kTipoCancelamento + chave + "01";
}

std::string EventoCancelamento(const DadosCancelamento& d) {
  return std::string("<evento xmlns=\"") + kNamespaceNfe + "\" versao=\"1.00\"><infEvento Id=\"" +
         IdEventoCancelamento(d.chave) + "\"><cOrgao>" + d.chave.substr(0, 2) + "</cOrgao><tpAmb>" +
         d.tpAmb + "</tpAmb><CNPJ>" + d.CNPJ + "</CNPJ><chNFe>" + d.chave + "</chNFe><dhEvento>" +
         d.dhEvento + "</dhEvento><tpEvento>" + kTipoCancelamento +
         "</tpEvento><nSeqEvento>1</nSeqEvento><verEvento>1.00</verEvento><detEvento "
         "versao=\"1.00\"><descEvento>Cancelamento</descEvento><nProt>" +
         d.nProt + "</nProt><xJust>" + Escapado(d.xJust) +
         "</xJust></detEvento></infEvento></evento>";
}

std::string ErrosDoEvento(const std::string& evento) {
  pugi::xml_document doc;
  if (!doc.load_buffer(evento.data(), evento.size())) return "the event is not XML\n";
  const pugi::xml_node inf = doc.child("evento").child("infEvento");
  const pugi::xml_node det = inf.child("detEvento");
  const std::string chave = inf.child_value("chNFe");
  const std::string xJust = det.child_value("xJust");
  std::string erros;
  Exige(erros, std::regex_match(chave, std::regex(R"(\d{44})")), "chNFe is not 44 digits");
  Exige(erros, inf.attribute("Id").value() == IdEventoCancelamento(chave),
        "infEvento Id is not ID110111 + chNFe + 01");
  Exige(erros, std::string(inf.child_value("cOrgao")) == chave.substr(0, 2),
        "cOrgao is not the key's state");
  Exige(erros, std::regex_match(inf.child_value("CNPJ"), std::regex(R"(\d{14})")),
        "CNPJ is not 14 digits");
  Exige(erros, std::regex_match(det.child_value("nProt"), std::regex(R"(\d{15})")),
        "nProt is not 15 digits");
  const size_t tamanho = CaracteresDaJustificativa(xJust);
  Exige(erros, tamanho >= kJustificativaMinima && tamanho <= kJustificativaMaxima,
        "xJust is not 15 to 255 characters");
  Exige(erros, std::string(det.child_value("descEvento")) == "Cancelamento",
        "descEvento is not Cancelamento");
  return erros;
}

std::string EnvelopeEnvEvento(const std::string& eventoAssinado, const std::string& idLote) {
  return std::string("<envEvento xmlns=\"") + kNamespaceNfe + "\" versao=\"1.00\"><idLote>" +
         idLote + "</idLote>" + SemDeclaracaoXml(eventoAssinado) + "</envEvento>";
}

RetornoEvento LeRetornoEvento(const std::string& xml) {
  pugi::xml_document doc;
  doc.load_buffer(xml.data(), xml.size());
  const pugi::xml_node lote = doc.document_element();
  const pugi::xml_node ret = lote.child("retEvento");
  const pugi::xml_node inf = ret.child("infEvento");
  RetornoEvento retorno;
  retorno.cStat = inf ? inf.child_value("cStat") : lote.child_value("cStat");
  retorno.xMotivo = inf ? inf.child_value("xMotivo") : lote.child_value("xMotivo");
  retorno.nProt = inf.child_value("nProt");
  retorno.dhRegEvento = inf.child_value("dhRegEvento");
  if (ret) retorno.retEvento = Cru(ret);
  if (retorno.cStat.empty()) {
    throw rtl::EConvertError("NFC-e event: the answer carries no status (cStat): " +
                             xml.substr(0, 200));
  }
  return retorno;
}

std::string CancelamentoNaConsulta(const std::string& retConsSitNFe, const std::string& chave) {
  pugi::xml_document doc;
  doc.load_buffer(retConsSitNFe.data(), retConsSitNFe.size());
  for (const pugi::xml_node proc : doc.document_element().children("procEventoNFe")) {
    const pugi::xml_node inf = proc.child("evento").child("infEvento");
    const RetornoEvento ret = LeRetornoEvento(Cru(proc));
    if (std::string(inf.child_value("chNFe")) == chave &&
        std::string(inf.child_value("tpEvento")) == kTipoCancelamento && ret.Registrado()) {
      return Cru(proc);
    }
  }
  return "";
}

std::string ProcEventoNfe(const std::string& eventoAssinado, const std::string& retEvento) {
  return std::string("<procEventoNFe xmlns=\"") + kNamespaceNfe + "\" versao=\"1.00\">" +
         SemDeclaracaoXml(eventoAssinado) + retEvento + "</procEventoNFe>";
}

}  // namespace VyrFiscal::Nfce
