#pragma once
// A local stand-in of a state's NFC-e web services, for tests: HTTPS on 127.0.0.1 at a free
// port with certificates made at start, a client certificate required (issued by the authority
// the test names), every request checked as an authoriser checks it: a SOAP 1.2 envelope whose
// nfeDadosMsg names a service, the Content-Type action of that service, and the fiscal message
// valid against the official schemas (a batch outside them is answered 225). It answers as the
// test set it (see the setters) and records each call.
//
// The event service (NFeRecepcaoEvento4) registers a signed cancellation (110111) of a key it
// authorised (135; 573 once it holds one) and refuses any other key (217); the status query of a
// cancelled key then answers 101 with the event's procEventoNFe. A voiding (NFeInutilizacao4)
// is homologated (102) when signed, in homologation, of this year and with an Id made of its own
// fields; else refused 225, 252 or 453.
//
// Serves any path: the service is the one nfeDadosMsg names. Thread-safe.

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace httplib {
class SSLServer;
}

namespace vyrtest {

class SefazStandIn {
 public:
  // `folder` receives the server's certificates; `client_ca_pem` issued the certificates it
  // accepts; `schemas` is the official schema folder, with "/" at the end.
  SefazStandIn(const std::string& folder, const std::string& client_ca_pem,
               const std::string& schemas);
  ~SefazStandIn();
  SefazStandIn(const SefazStandIn&) = delete;
  SefazStandIn& operator=(const SefazStandIn&) = delete;

  // "https://127.0.0.1:<port>".
  std::string Url() const;
  // The authority a client must trust to reach it.
  const std::string& CaBundle() const { return ca_pem_; }

  // What the next batches answer, as the note's cStat: "100" (authorised, the key recorded),
  // "204" (duplicate), "539" (same number, other key), any other cStat as a refusal, "103"
  // (taken as a batch: the receipt's query then answers 100), or, with the key recorded as
  // authorised, "slow" (no answer until the next call or the stand-in goes: the
  // client's time-out passes first), "reset" (the connection drops while the answer goes out),
  // "500" (HTTP 500) or "notsoap" (HTTP 200 with an HTML page). Whatever is set, a note whose
  // series and number the stand-in recorded under another key is answered 539 naming that key, as
  // an authority does.
  void AnswerBatches(const std::string& cStat);
  // How the queries of a key (and the batch receipts) are spoilt: "" answers them, "reset",
  // "500" or "notsoap" as for the batches.
  void AnswerQueries(const std::string& mode);
  void AnswerReceipts(const std::string& mode);
  // How the answers to event lots are spoilt, the event registered all the same: "" answers
  // them, "reset", "500" or "notsoap" as for the batches.
  void AnswerEvents(const std::string& mode);
  // What the service status answers: "107" (in operation), "108" or "109" (down).
  void AnswerStatus(const std::string& cStat);

  // Forgets the notes authorised so far, as the authority of another store would not know them.
  void Forget();

  // One line per call: "<service> <cStat>" (with " <mode>" when the answer was spoilt),
  // "<service> refused: <why>" for a request that is not one, in the order they came.
  std::string Calls() const;

  // Stops listening: the port is closed afterwards.
  void Stop();

 private:
  std::string Answer(const std::string& content_type, const std::string& body, int& status,
                     std::string& spoil);
  std::string Service(const std::string& service, const std::string& message, std::string& spoil);
  // The answer of a lot of events (`retEnvEvento`), its event's cStat in `cStat`; under the lock.
  std::string Event(const std::string& message, std::string& cStat);

  std::string ca_pem_;
  std::string schemas_;
  std::unique_ptr<httplib::SSLServer> server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable released_;
  bool stopping_ = false;
  std::string batch_answer_ = "100";
  std::string status_answer_ = "107";
  std::string query_answer_;
  std::string receipt_answer_;
  std::string event_answer_;
  std::set<std::string> recorded_;                // keys authorised
  std::map<std::string, std::string> cancelled_;  // key: its cancellation's procEventoNFe
  std::map<std::string, std::string> numbers_;    // series and number: the key authorised
  std::string pending_receipt_;                   // protNFe of the batch taken with 103
  long protocol_ = 0;
  long served_ = 0;  // calls so far
  std::string calls_;
};

// A port on 127.0.0.1 where nothing listens.
int ClosedPort();

}  // namespace vyrtest
