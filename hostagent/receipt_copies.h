#pragma once
// The text copies (and QR images) of the printed receipts, kept under
// <dir>/Dados/Impressao/<YYYY-MM-DD>/, a folder per branch day; older stores kept them in
// Dados/Impressao itself. Only copies are touched here: the XML files of the documents live
// elsewhere (Dados/XML_NFCe_Sat) and are never removed by the program.

#include <string>

#include "rtl/datetime.h"

namespace hostagent {

// The copy named `name` ("NFCe<key>.txt"): in the most recent day folder that holds it, else in
// the flat folder of older stores; "" when there is none.
std::string FindReceiptCopy(const std::string& dir, const std::string& name);

// Removes the copies ("NFCe..." and "CFe..." .txt and .png) of the day folders of days more than
// `days` before the day of `now`, and those folders once empty; copies left in the flat folder
// by older stores go when their file is that old. Other files stay. Returns how many files were
// removed; a file that cannot be removed is skipped.
int RemoveOldCopies(const std::string& dir, int days, rtl::TDateTime now);

}  // namespace hostagent
