#pragma once
// Sending one kept NFC-e to the authoriser and recording what it answered, or that no answer
// came: an authorisation with its nfeProc, a refusal, a duplicate settled by a query (204 of
// this key; 539 of the key the authority names, when it is the note this one replaced).
// Statements run on the caller's connection. Not thread-safe: one connection, one thread.

#include <string>

#include "db/connection.h"
#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/note_store.h"

namespace VyrFiscal::Nfce {

// Resolvido: authorised or refused for good; NaoConsta: the authority does not know the key;
// SemResposta: sent, outcome unknown; NaoChegou: nothing reached the authoriser (or it answered
// that its service is down), so the note may go again or be issued in contingency.
enum class Desfecho { Resolvido, NaoConsta, SemResposta, NaoChegou };

// 108: service paralysed for a short while; 109: paralysed with no forecast. Nothing was received.
bool ServicoParado(const std::string& cStat);

// Asks the authoriser what became of the note and records an authorisation or a denial; an
// answer about the query itself leaves the note "unknown" (SemResposta).
Desfecho ConsultaSituacao(ado::TADOConnection& conexao, Autorizador& autorizador,
                          const NotaGravada& nota);

// Settles one note: a note whose last send got no answer ("unknown") is asked about first
// (consSitNFe), and sent again only when the authority does not know its key (217).
Desfecho Envia(ado::TADOConnection& conexao, Autorizador& autorizador, const NotaGravada& nota);

}  // namespace VyrFiscal::Nfce
