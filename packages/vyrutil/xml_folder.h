#pragma once
// Where the fiscal documents of a day are filed.

#include <string>

#include "rtl/datetime.h"

namespace VyrUtil {

// The folder of the XML files (NFC-e notes, CF-e documents and their bar codes) that branch
// `CDFILIAL` and register `CDCAIXA` issue on the local date of `dia`:
// "<program directory>/Dados/XML_NFCe_Sat/<CDFILIAL>-<CDCAIXA>-<yyyy-mm-dd>/", ending in '/'.
// A document is filed under the day it is issued.
std::string PastaXmlDoDia(const std::string& CDFILIAL, const std::string& CDCAIXA,
                          rtl::TDateTime dia);

}  // namespace VyrUtil
