#include "support/sefaz_stand_in.h"

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <pugixml.hpp>

#include <chrono>
#include <cstring>
#include <ctime>
#include <sstream>
#include <stdexcept>

#include "fiscal/nfce/schema_check.h"
#include "support/test_certificate.h"

namespace vyrtest {
namespace {

const char* const kSoap12 = "http://www.w3.org/2003/05/soap-envelope";
const char* const kWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/";
const char* const kNfe = "http://www.portalfiscal.inf.br/nfe";

const char* LocalName(const pugi::xml_node& node) {
  const char* colon = std::strchr(node.name(), ':');
  return colon ? colon + 1 : node.name();
}

std::string NamespaceOf(pugi::xml_node node) {
  const std::string name = node.name();
  const size_t colon = name.find(':');
  const std::string attribute =
      colon == std::string::npos ? "xmlns" : "xmlns:" + name.substr(0, colon);
  for (; node; node = node.parent()) {
    if (pugi::xml_attribute a = node.attribute(attribute.c_str())) return a.value();
  }
  return "";
}

pugi::xml_node Child(const pugi::xml_node& parent, const char* name) {
  for (pugi::xml_node child : parent.children()) {
    if (child.type() == pugi::node_element && std::strcmp(LocalName(child), name) == 0) {
      return child;
    }
  }
  return {};
}

pugi::xml_node FirstElement(const pugi::xml_node& parent) {
  for (pugi::xml_node child : parent.children()) {
    if (child.type() == pugi::node_element) return child;
  }
  return {};
}

std::string Raw(const pugi::xml_node& node) {
  std::ostringstream out;
  node.print(out, "", pugi::format_raw);
  return out.str();
}

std::string Envelope(const std::string& service, const std::string& answer) {
  return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"") +
         kSoap12 + "\"><soap:Body><nfeResultMsg xmlns=\"" + kWsdl + service + "\">" + answer +
         "</nfeResultMsg></soap:Body></soap:Envelope>";
}

std::string Root(const char* name, const std::string& cStat, const std::string& body) {
  return std::string("<") + name + " xmlns=\"" + kNfe +
         "\" versao=\"4.00\"><tpAmb>2</tpAmb><verAplic>STAND-IN</verAplic><cStat>" + cStat +
         "</cStat><xMotivo>stand-in " + cStat + "</xMotivo><cUF>35</cUF>" + body + "</" + name +
         ">";
}

std::string ProtNfe(const std::string& key, const std::string& cStat, const std::string& nProt,
                    const std::string& digVal, const std::string& xMotivo = "") {
  return "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>STAND-IN</verAplic><chNFe>" +
         key + "</chNFe><dhRecbto>2026-03-10T19:42:06-03:00</dhRecbto>" +
         (nProt.empty() ? "" : "<nProt>" + nProt + "</nProt><digVal>" + digVal + "</digVal>") +
         "<cStat>" + cStat + "</cStat><xMotivo>" +
         (xMotivo.empty() ? "stand-in " + cStat : xMotivo) + "</xMotivo></infProt></protNFe>";
}

// A voiding request as the authority checks it: signed, in homologation, this year, its Id
// made of its own fields ("ID" cUF ano CNPJ mod serie(3) nNFIni(9) nNFFin(9)).
std::string VoidingStatus(const pugi::xml_node& inutNFe) {
  const pugi::xml_node inf = inutNFe.child("infInut");
  const auto padded = [](const std::string& digits, size_t width) {
    return digits.size() >= width ? digits : std::string(width - digits.size(), '0') + digits;
  };
  const std::string id =
      std::string("ID") + inf.child_value("cUF") + inf.child_value("ano") +
      inf.child_value("CNPJ") + inf.child_value("mod") + padded(inf.child_value("serie"), 3) +
      padded(inf.child_value("nNFIni"), 9) + padded(inf.child_value("nNFFin"), 9);
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  const std::string year = std::to_string((utc.tm_year + 1900) % 100);
  if (!inutNFe.child("Signature") || id != inf.attribute("Id").value()) return "225";
  if (std::string(inf.child_value("tpAmb")) != "2") return "252";
  return std::string(inf.child_value("ano")) == year ? "102" : "453";
}

}  // namespace

SefazStandIn::SefazStandIn(const std::string& folder, const std::string& client_ca_pem,
                           const std::string& schemas)
    : schemas_(schemas) {
  const TestServerCertificate made = MakeTestServerCertificate(folder);
  ca_pem_ = made.ca_pem_path;
  server_ = std::make_unique<httplib::SSLServer>(made.cert_pem_path.c_str(),
                                                 made.key_pem_path.c_str(), client_ca_pem.c_str());
  if (!server_->is_valid()) throw std::runtime_error("stand-in: TLS set-up failed");
  server_->Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
    int status = 200;
    std::string spoil;
    const std::string body =
        Answer(request.get_header_value("Content-Type"), request.body, status, spoil);
    if (spoil == "reset") {
      // The connection drops while the answer goes out: the client has no complete answer.
      response.set_content_provider(body.size(), "application/soap+xml; charset=utf-8",
                                    [](size_t, size_t, httplib::DataSink&) { return false; });
      return;
    }
    response.status = spoil == "500" ? 500 : status;
    if (spoil == "notsoap") {
      response.set_content("<html><body>Service Unavailable</body></html>", "text/html");
      return;
    }
    response.set_content(spoil == "500" ? "Internal Server Error" : body,
                         "application/soap+xml; charset=utf-8");
  });
  // Bound and listening from here: a client's connection waits in the backlog until the
  // server's loop takes it.
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("stand-in: no port on 127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
}

SefazStandIn::~SefazStandIn() {
  Stop();
}

void SefazStandIn::Stop() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  released_.notify_all();
  if (thread_.joinable()) {
    server_->stop();
    thread_.join();
  }
}

std::string SefazStandIn::Url() const {
  return "https://127.0.0.1:" + std::to_string(port_);
}

void SefazStandIn::AnswerBatches(const std::string& cStat) {
  const std::lock_guard<std::mutex> lock(mutex_);
  batch_answer_ = cStat;
}

void SefazStandIn::AnswerStatus(const std::string& cStat) {
  const std::lock_guard<std::mutex> lock(mutex_);
  status_answer_ = cStat;
}

std::string SefazStandIn::Calls() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

void SefazStandIn::Forget() {
  const std::lock_guard<std::mutex> lock(mutex_);
  recorded_.clear();
  numbers_.clear();
  cancelled_.clear();
}

void SefazStandIn::AnswerQueries(const std::string& mode) {
  const std::lock_guard<std::mutex> lock(mutex_);
  query_answer_ = mode;
}

void SefazStandIn::AnswerReceipts(const std::string& mode) {
  const std::lock_guard<std::mutex> lock(mutex_);
  receipt_answer_ = mode;
}

void SefazStandIn::AnswerEvents(const std::string& mode) {
  const std::lock_guard<std::mutex> lock(mutex_);
  event_answer_ = mode;
}

std::string SefazStandIn::Answer(const std::string& content_type, const std::string& body,
                                 int& status, std::string& spoil) {
  pugi::xml_document doc;
  std::string refusal;
  pugi::xml_node message;
  std::string service;
  if (!doc.load_buffer(body.data(), body.size())) {
    refusal = "not XML";
  } else {
    const pugi::xml_node root = doc.document_element();
    const pugi::xml_node data = Child(Child(root, "Body"), "nfeDadosMsg");
    const std::string ns = NamespaceOf(data);
    message = FirstElement(data);
    service = ns.compare(0, std::strlen(kWsdl), kWsdl) == 0 ? ns.substr(std::strlen(kWsdl)) : "";
    if (std::strcmp(LocalName(root), "Envelope") != 0 || NamespaceOf(root) != kSoap12) {
      refusal = "not a SOAP 1.2 envelope";
    } else if (service.empty() || !message) {
      refusal = "no nfeDadosMsg of a service";
    } else if (content_type.find("application/soap+xml") != 0 ||
               content_type.find("action=\"" + ns + "/") == std::string::npos) {
      refusal = "Content-Type '" + content_type + "' is not the service's";
    }
  }
  if (!refusal.empty()) {
    const std::lock_guard<std::mutex> lock(mutex_);
    calls_ += (service.empty() ? "?" : service) + " refused: " + refusal + "\n";
    status = 400;
    return std::string("<soap:Envelope xmlns:soap=\"") + kSoap12 +
           "\"><soap:Body><soap:Fault><soap:Reason><soap:Text>" + refusal +
           "</soap:Text></soap:Reason></soap:Fault></soap:Body></soap:Envelope>";
  }
  return Envelope(service, Service(service, Raw(message), spoil));
}

std::string SefazStandIn::Service(const std::string& service, const std::string& message,
                                  std::string& spoil) {
  pugi::xml_document doc;
  doc.load_buffer(message.data(), message.size());
  const pugi::xml_node root = doc.document_element();
  std::unique_lock<std::mutex> lock(mutex_);
  // A call held back ("slow") is let go by the next one: its client has given up by then.
  ++served_;
  released_.notify_all();
  std::string cStat;
  std::string answer;
  if (service == "NFeAutorizacao4") {
    const pugi::xml_node nfe = root.child("NFe");
    const std::string id = nfe.child("infNFe").attribute("Id").value();
    const std::string key = id.size() > 3 ? id.substr(3) : "";
    const std::string digVal =
        nfe.child("Signature").child("SignedInfo").child("Reference").child_value("DigestValue");
    if (!VyrFiscal::Nfce::ErrosDeEsquema(message, schemas_ + "enviNFe_v4.00.xsd").empty()) {
      cStat = "225";
      answer = Root("retEnviNFe", cStat, "");
    } else if (numbers_.count(key.substr(22, 12)) != 0 && numbers_[key.substr(22, 12)] != key) {
      // The series and number are held under another key.
      cStat = "539";
      answer = Root("retEnviNFe", "104",
                    ProtNfe(key, cStat, "", digVal,
                            "Rejeicao: Duplicidade de NF-e, com diferenca na Chave de Acesso "
                            "[chNFe:" +
                                numbers_[key.substr(22, 12)] + "]"));
    } else if (batch_answer_ == "103") {
      cStat = "103";
      recorded_.insert(key);
      numbers_[key.substr(22, 12)] = key;
      answer =
          Root("retEnviNFe", cStat, "<infRec><nRec>351000000000001</nRec><tMed>1</tMed></infRec>");
      pending_receipt_ = ProtNfe(key, "100", std::to_string(135260000000000 + ++protocol_), digVal);
    } else {
      const bool spoilt = batch_answer_ == "slow" || batch_answer_ == "reset" ||
                          batch_answer_ == "500" || batch_answer_ == "notsoap";
      cStat = spoilt ? "100" : batch_answer_;
      if (cStat == "100") {
        recorded_.insert(key);
        numbers_[key.substr(22, 12)] = key;
      }
      if (spoilt && batch_answer_ != "slow") spoil = batch_answer_;
      const std::string nProt = cStat == "100" ? std::to_string(135260000000000 + ++protocol_) : "";
      answer = Root("retEnviNFe", "104", ProtNfe(key, cStat, nProt, digVal));
      if (batch_answer_ == "slow") {
        cStat = "slow";
        const long seen = served_;
        released_.wait_for(lock, std::chrono::seconds(10),
                           [this, seen] { return stopping_ || served_ != seen; });
      }
    }
  } else if (service == "NFeRetAutorizacao4") {
    cStat = "104";
    answer = Root("retConsReciNFe", cStat, "<nRec>351000000000001</nRec>" + pending_receipt_);
    spoil = receipt_answer_;
  } else if (service == "NFeConsultaProtocolo4") {
    const std::string key = root.child_value("chNFe");
    if (!VyrFiscal::Nfce::ErrosDeEsquema(message, schemas_ + "consSitNFe_v4.00.xsd").empty()) {
      cStat = "215";
    } else {
      cStat = recorded_.count(key) != 0 ? "100" : "217";
      if (cancelled_.count(key) != 0) cStat = "101";
      spoil = query_answer_;
    }
    answer =
        Root("retConsSitNFe", cStat,
             "<chNFe>" + key + "</chNFe>" +
                 (cStat == "100" || cStat == "101" ? ProtNfe(key, "100", "135260000000001", "") +
                                                         (cStat == "101" ? cancelled_.at(key) : "")
                                                   : ""));
  } else if (service == "NFeStatusServico4") {
    cStat = status_answer_;
    answer = Root("retConsStatServ", cStat, "<tMed>1</tMed>");
  } else if (service == "NFeInutilizacao4") {
    cStat = VoidingStatus(root);
    answer = std::string("<retInutNFe xmlns=\"") + kNfe +
             "\" versao=\"4.00\"><infInut><tpAmb>2</tpAmb><verAplic>STAND-IN</verAplic><cStat>" +
             cStat + "</cStat><xMotivo>stand-in " + cStat +
             "</xMotivo><cUF>35</cUF><nProt>135260000000099</nProt></infInut></retInutNFe>";
  } else if (service == "NFeRecepcaoEvento4") {
    answer = Event(message, cStat);
    spoil = event_answer_;
  } else {
    cStat = "unknown service";
  }
  calls_ += service + " " + cStat + (spoil.empty() ? "" : " " + spoil) + "\n";
  return answer;
}

std::string SefazStandIn::Event(const std::string& message, std::string& cStat) {
  pugi::xml_document doc;
  doc.load_buffer(message.data(), message.size());
  const pugi::xml_node evento = doc.document_element().child("evento");
  const pugi::xml_node inf = evento.child("infEvento");
  const std::string key = inf.child_value("chNFe");
  const bool signed_event = evento.child("Signature") &&
                            std::string(inf.attribute("Id").value()) == "ID110111" + key + "01";
  if (!signed_event) {
    cStat = "225";
    return Root("retEnvEvento", cStat, "");
  }
  cStat = recorded_.count(key) == 0 ? "217" : cancelled_.count(key) != 0 ? "573" : "135";
  const std::string ret =
      "<retEvento versao=\"1.00\"><infEvento><tpAmb>2</tpAmb><verAplic>STAND-IN</verAplic>"
      "<cOrgao>35</cOrgao><cStat>" +
      cStat + "</cStat><xMotivo>stand-in " + cStat + "</xMotivo><chNFe>" + key +
      "</chNFe><tpEvento>110111</tpEvento><nSeqEvento>1</nSeqEvento>" +
      (cStat == "135" ? "<dhRegEvento>2026-03-10T19:50:00-03:00</dhRegEvento><nProt>" +
                            std::to_string(135260000000000 + ++protocol_) + "</nProt>"
                      : "") +
      "</infEvento></retEvento>";
  if (cStat == "135") {
    cancelled_[key] = "<procEventoNFe versao=\"1.00\">" + Raw(evento) + ret + "</procEventoNFe>";
  }
  return Root("retEnvEvento", "128", ret);
}

int ClosedPort() {
  const int sock = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(sock, reinterpret_cast<sockaddr*>(&address), &size);
  close(sock);  // bound, never listened: connections to it are refused
  return ntohs(address.sin_port);
}

}  // namespace vyrtest
