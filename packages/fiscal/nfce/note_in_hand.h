#pragma once
// The note a closing has just sent and read back, kept for the receipt that follows in the same
// closing: the receipt prints the note's state as the sending left it, without reading it again.

#include <string>

#include "db/connection.h"
#include "fiscal/nfce/note_store.h"

namespace VyrFiscal::Nfce {

// Keeps `nota`, as stored, in place of the note kept before (one at a time).
void GuardaNotaEmMaos(const NotaGravada& nota);

// The note kept by GuardaNotaEmMaos when it has key `chave` in this installation and nothing
// kept was forgotten since (fiscal/kept_settings.h), given once; else NotaDaChave's. Thread safe.
NotaGravada NotaEmMaosOuLida(ado::TADOConnection& conexao, const std::string& chave);

}  // namespace VyrFiscal::Nfce
