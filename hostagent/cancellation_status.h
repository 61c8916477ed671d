#pragma once
// The files a note's cancellation leaves beside the note (fiscal/fiscal_functions.h,
// CancelaNFCe), and the cancellations of a register that were sent and got no answer (a stop or
// a lost connection during `hostagent cancel-note`), as `hostagent status`, its page and
// `export-xml` name them.

#include <string>
#include <vector>

namespace hostagent {

// The registered cancellation (event and answer) of note `chave` kept in `pasta`, the note's
// day folder: "<key>-110111-01-procEventoNFe.xml".
std::string CancellationAnswerFile(const std::string& pasta, const std::string& chave);
// The lot kept while its answer is awaited: "enviado-<key>-110111-01-envEvento.xml".
std::string UnansweredCancellationFile(const std::string& pasta, const std::string& chave);

struct UnansweredCancellation {
  std::string chave, arquivo;
};

// What the operator does about a cancellation sent without an answer.
extern const char* const kUnansweredCancellationAction;

// Read from the register's XML day folders under <dir>/Dados/XML_NFCe_Sat, by key.
std::vector<UnansweredCancellation> UnansweredCancellations(const std::string& dir,
                                                            const std::string& filial,
                                                            const std::string& caixa);

// "Cancelamentos de NFC-e enviados sem resposta: N" and one line per note with what to do, or ""
// when there is none.
std::string UnansweredCancellationsText(const std::vector<UnansweredCancellation>& cancelamentos);

}  // namespace hostagent
