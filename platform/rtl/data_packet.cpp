#include "rtl/data_packet.h"

#include "rtl/errors.h"
#include "rtl/variant.h"

namespace rtl {

struct DataPacket::Impl {
  std::vector<FieldDef> fields;
  std::vector<Row> rows;
};

DataPacket::DataPacket() {
  // Every empty packet shares one body, so default construction allocates nothing.
  static const std::shared_ptr<const Impl> empty = std::make_shared<const Impl>();
  impl_ = empty;
}

DataPacket::DataPacket(std::vector<FieldDef> fields, std::vector<Row> rows) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].size() != fields.size()) {
      throw EDatabaseError("Data packet row " + std::to_string(i + 1) + " has " +
                           std::to_string(rows[i].size()) + " values for " +
                           std::to_string(fields.size()) + " fields");
    }
  }
  auto impl = std::make_shared<Impl>();
  impl->fields = std::move(fields);
  impl->rows = std::move(rows);
  impl_ = std::move(impl);
}

const std::vector<FieldDef>& DataPacket::Fields() const {
  return impl_->fields;
}
const std::vector<Row>& DataPacket::Rows() const {
  return impl_->rows;
}
size_t DataPacket::FieldCount() const {
  return impl_->fields.size();
}
size_t DataPacket::RowCount() const {
  return impl_->rows.size();
}

int DataPacket::FieldIndex(const std::string& name) const {
  for (size_t i = 0; i < impl_->fields.size(); ++i) {
    if (impl_->fields[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

const Variant& DataPacket::Value(size_t row, size_t field) const {
  if (row >= impl_->rows.size() || field >= impl_->fields.size()) {
    throw EDatabaseError("Data packet has no value at row " + std::to_string(row) + ", field " +
                         std::to_string(field));
  }
  return impl_->rows[row][field];
}

bool DataPacket::operator==(const DataPacket& other) const {
  if (impl_ == other.impl_) return true;
  return impl_->fields == other.impl_->fields && impl_->rows == other.impl_->rows;
}

}  // namespace rtl
