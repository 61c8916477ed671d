#pragma once
// A data packet: one immutable value carrying a complete result set, its field descriptions
// (name, type, width, in order) and its rows. Copies share the contents, so passing a packet
// around is cheap; it is safe to read one packet from several threads.

#include <memory>
#include <string>
#include <vector>

#include "rtl/field_def.h"

namespace rtl {

class Variant;
using Row = std::vector<Variant>;

class DataPacket {
 public:
  // An empty packet: no fields, no rows.
  DataPacket();
  // Every row must have one value per field (a Null variant for NULL); raises EDatabaseError
  // otherwise.
  DataPacket(std::vector<FieldDef> fields, std::vector<Row> rows);

  const std::vector<FieldDef>& Fields() const;
  const std::vector<Row>& Rows() const;
  size_t FieldCount() const;
  size_t RowCount() const;
  // Index of the field with this exact name, or -1.
  int FieldIndex(const std::string& name) const;
  const Variant& Value(size_t row, size_t field) const;

  // Same fields and same values, row by row.
  bool operator==(const DataPacket& other) const;
  bool operator!=(const DataPacket& other) const { return !(*this == other); }

 private:
  struct Impl;
  std::shared_ptr<const Impl> impl_;
};

}  // namespace rtl
