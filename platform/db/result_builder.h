#pragma once
// Builds the data packet of one statement execution from the cells a driver read. Private to
// the database layer; both backends share it so that their results have the same shape.

#include <string>
#include <vector>

#include "rtl/data_packet.h"
#include "rtl/variant.h"

namespace ado {

enum class ColumnKind { Unknown, Text, Number, DateTime };

struct ColumnSpec {
  std::string name;
  ColumnKind kind = ColumnKind::Unknown;  // Unknown: the first non-null value's type decides
  int width = 0;                          // declared text width; 0: the longest value's
};

class ResultBuilder {
 public:
  explicit ResultBuilder(std::vector<ColumnSpec> columns);

  // One cell per column: Null, Integer, Float, String or DateTime.
  void AddRow(rtl::Row cells);

  // Fields: texts as String (width as declared, else the longest value's length in characters,
  // at least 1), numbers as Float, date-times as DateTime; values converted to the field's type
  // (a blank text in a number or date-time column reads as NULL). Raises rtl::EConvertError for
  // a stored value that does not fit its column.
  rtl::DataPacket Build();

 private:
  void ResolveKinds();

  std::vector<ColumnSpec> columns_;
  std::vector<rtl::Row> rows_;
};

// Length of a UTF-8 text in characters.
int Utf8Length(const std::string& text);
// The first `characters` characters of a UTF-8 text (the whole text when it is not longer).
std::string Utf8Prefix(const std::string& text, int characters);

}  // namespace ado
