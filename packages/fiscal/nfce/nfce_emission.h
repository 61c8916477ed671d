#pragma once
// The NFC-e of a recorded sale: built, signed and kept before the sale's transaction commits,
// sent to the authoriser after it did. Called by SetConcluiFechamento on an NFC-e register.

#include <string>
#include <vector>

#include "db/connection.h"
#include "fiscal/fiscal_functions.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/sale/recorded_sale.h"

namespace VyrFiscal {

// What the closing knows of the document besides the recorded sale's rows.
struct PedidoNfce {
  std::string CDFILIAL;
  std::string CDCAIXA;
  std::string NRSEQVENDA;  // the recorded sale
  std::string nNF;         // the document number drawn by the receivables package
  std::string serie;       // the register's series
  std::string tpAmb;       // "1" production, "2" homologation
  std::string dhEmi;       // emission time, "YYYY-MM-DDThh:mm:ss-03:00"
};

struct NotaNfce {
  std::string chave;          // the 44-digit access key; empty when no document was made
  std::string arquivoXml;     // the signed XML file
  bool contingencia = false;  // issued offline (tpEmis 9), to be sent later
  Nfce::NotaGravada gravada;  // the note as stored when this answer was made
};

// Inside the sale's transaction on `conexao`, after its rows were written: builds the note from
// them, signs it, writes the XML file and stores the document with the sale. Raises when the
// note cannot be made (the caller rolls the sale back and answers "ERRO").
NotaNfce PreparaNfce(ado::TADOConnection& conexao, const PedidoNfce& request);

// PreparaNfce with the sale already read: for callers (and tests) that hold the recorded sale.
NotaNfce PreparaNfceDaVenda(ado::TADOConnection& conexao, const PedidoNfce& request,
                            const VendaGravada& venda);

// PreparaNfceDaVenda for a sale recorded in the transaction still open on `conexao`, which can
// have no note yet: the store is not asked for one.
NotaNfce PreparaNfceDaVendaNova(ado::TADOConnection& conexao, const PedidoNfce& request,
                                const VendaGravada& venda);

// After the commit: sends this sale's note (not the register's other pending notes) and records
// what the authoriser answered. A note that reached nobody is issued again in contingency
// (tpEmis 9, same number, new key) and the register enters its contingency period
// (fiscal/nfce/contingency_store.h); a send that timed out enters it too. Answers the sale's
// document, with `contingencia` set when it stays pending. Never raises for an authoriser that
// does not answer.
NotaNfce TransmiteNfce(ado::TADOConnection& conexao, const PedidoNfce& request,
                       const NotaNfce& document);

// The register's background transmission, one call per worker pass: sends its notes in
// contingency and settles those whose send got no answer, oldest first, at most five a call,
// also while the register is in its contingency period. The authoriser's status is asked first,
// at most once a minute while it is down, so a call is quick when it is. Answers the notes it
// settled and the lines for the worker's log: the start and end of a contingency, each note
// settled, and, once an hour, each note still unauthorised 20 hours after its emission.
TransmissaoNfce TransmiteNotasPendentes(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                        const std::string& CDCAIXA);

// Where an authorised note's nfeProc (the signed note with its protNFe, versao 4.00) is kept:
// beside the note's own file `arquivoXml`, "<key>-nfeProc.xml".
std::string ArquivoNfeProc(const std::string& arquivoXml);

// What the receipt of a note prints besides the sale: found by the note's access key.
struct DadosNfceImpressao {
  bool encontrada = false;  // false when no note has this key
  std::string nNF, serie, dhEmi, tpAmb;
  std::string qrCode;         // the QR code's text
  std::string urlConsulta;    // where the consumer checks the key
  std::string protocolo;      // authorisation protocol; empty while pending
  std::string dhRecbto;       // authorisation time
  bool contingencia = false;  // issued offline and not authorised yet
};
DadosNfceImpressao NfceImpressao(ado::TADOConnection& conexao, const std::string& chave);
// The same, of a note already read (not found when its key is empty).
DadosNfceImpressao ImpressaoDaNota(const Nfce::NotaGravada& nota);

// The access key stored with a recorded sale's note; empty when the sale has none.
std::string ChaveNfceGravada(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                             const std::string& CDCAIXA, const std::string& NRSEQVENDA);

}  // namespace VyrFiscal
