#pragma once
// What the authoriser's answer leaves a kept note in: its file and its nfeProc on disk, an
// authorisation recorded with the sale, and the key an answer 539 names. Statements run on the
// caller's connection. Not thread-safe: one connection, one thread.

#include <string>

#include "db/connection.h"
#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/note_store.h"

namespace VyrFiscal::Nfce {

// The bytes of a note's file. Raises rtl::EInOutError naming the file.
std::string LeArquivoNota(const std::string& caminho);

// Writes `xml` with an XML declaration in front of it, making the folder. Raises
// rtl::EInOutError naming the file and its folder.
void GravaArquivoNota(const std::string& caminho, const std::string& xml);

// Where an authorised note's nfeProc is kept: beside the note's own file, "<key>-nfeProc.xml".
std::string ArquivoDoNfeProc(const std::string& arquivoXml);

// Records `nota` authorised by `protocolo` (from the answer `resposta`, which carries its
// protNFe): its nfeProc first, then, in one transaction, its status and the sale's document no
// longer pending. So a note recorded as authorised always has its nfeProc.
void GravaAutorizada(ado::TADOConnection& conexao, const NotaGravada& nota,
                     const Protocolo& protocolo, const std::string& resposta);

// The key an answer 539 names ("Duplicidade de NF-e, com diferença na Chave de Acesso
// [chNFe:<44 digits>]"); empty when `xMotivo` names none.
std::string ChaveDaDuplicidade(const std::string& xMotivo);

// The note `nota` replaced when it was issued again in contingency: the same sale, its own key
// and file (beside the contingency note's, as the reissue left it) and the QR code that file
// carries. Empty `chave` when `nota` replaced none.
NotaGravada NotaSubstituida(const NotaGravada& nota);

}  // namespace VyrFiscal::Nfce
