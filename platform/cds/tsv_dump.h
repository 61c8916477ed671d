#pragma once
// Tab-separated text of a table's rows, as the cdsdump tool prints it: a header line of field
// names, then one line per row.
//
// Values: NULL as \N; dates YYYY-MM-DD; date-times YYYY-MM-DD HH:MM:SS and times HH:MM:SS, each
// with .mmm only when the milliseconds are not zero; floats in their shortest exact form;
// booleans TRUE/FALSE; blobs as <N bytes>. In texts a backslash, tab, line feed and carriage
// return are written \\, \t, \n and \r, so every row stays on one line and \N stays unambiguous.

#include <ostream>
#include <string>

#include "rtl/data_packet.h"
#include "rtl/field_def.h"
#include "rtl/variant.h"

namespace cds {

std::string FormatTsvValue(const rtl::FieldDef& def, const rtl::Variant& value);
// Writes the header and every row, each line ending in "\n".
void WriteTsv(const rtl::DataPacket& packet, std::ostream& out);

}  // namespace cds
