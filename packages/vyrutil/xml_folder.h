#pragma once
// Where the fiscal documents of a day are filed, and how the store records their paths.

#include <string>

#include "rtl/datetime.h"

namespace VyrUtil {

// The folder of the XML files (NFC-e notes, CF-e documents and their bar codes) that branch
// `CDFILIAL` and register `CDCAIXA` issue on the local date of `dia`:
// "<program directory>/Dados/XML_NFCe_Sat/<CDFILIAL>-<CDCAIXA>-<yyyy-mm-dd>/", ending in '/'.
// A document is filed under the day it is issued.
std::string PastaXmlDoDia(const std::string& CDFILIAL, const std::string& CDCAIXA,
                          rtl::TDateTime dia);

// The same folder for the day `dataHora` begins with ("yyyy-mm-dd", as a note's dhEmi does):
// a document is filed under the branch's day its own date says, not under the host's.
std::string PastaXmlDoDia(const std::string& CDFILIAL, const std::string& CDCAIXA,
                          const std::string& dataHora);

// A file of the program directory as the store records it: relative to the program directory,
// so that a store moved with its folder still finds its files; a file elsewhere stays absolute.
std::string CaminhoGravado(const std::string& caminho);

// A recorded path as a file name: a relative one is under the program directory; an absolute
// one (as older records hold) is taken as it is; empty stays empty.
std::string CaminhoLido(const std::string& gravado);

}  // namespace VyrUtil
