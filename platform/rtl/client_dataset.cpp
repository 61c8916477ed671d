// The table's fields and contents: declaring, loading, handing out, creating and closing.
#include "rtl/client_dataset.h"

#include <cctype>

#include "rtl/errors.h"
#include "rtl/field_value.h"
#include "rtl/text_compare.h"

namespace rtl {
namespace {

// Field names are matched as the database matches column names: an exact match first, then
// one that differs only in case. `name_of(i)` gives the name of item i of `count`.
template <typename NameOf>
int FindName(size_t count, NameOf name_of, const std::string& name) {
  for (size_t i = 0; i < count; ++i) {
    if (name_of(i) == name) return static_cast<int>(i);
  }
  for (size_t i = 0; i < count; ++i) {
    if (SameText(name_of(i), name)) return static_cast<int>(i);
  }
  return -1;
}

int FindColumn(const std::vector<FieldDef>& columns, const std::string& name) {
  return FindName(
      columns.size(), [&](size_t i) -> const std::string& { return columns[i].name; }, name);
}

std::string NotAPacketMessage(const Variant& data) {
  switch (data.Type()) {
    case VarType::Empty:
    case VarType::Null:
      return "Missing data provider or data packet";
    case VarType::Array:
    case VarType::Omitted:
      return "Invalid data packet: " + DebugString(data);
    default:
      return data.AsString();
  }
}

}  // namespace

TClientDataSet::TClientDataSet(std::string name) : name_(std::move(name)) {}
TClientDataSet::~TClientDataSet() = default;

void TClientDataSet::Fail(const std::string& message) const {
  throw EDatabaseError(name_.empty() ? message : name_ + ": " + message);
}

void TClientDataSet::RequireActive() const {
  if (!active_) Fail("Cannot perform this operation on a closed dataset");
}

void TClientDataSet::BuildFields(const std::vector<FieldDef>& defs) {
  fields_.clear();
  for (const FieldDef& def : defs) {
    fields_.push_back(std::unique_ptr<TField>(new TField(this, def)));
    fields_.back()->index_ = static_cast<int>(fields_.size()) - 1;
  }
}

void TClientDataSet::DeclareFields(std::vector<FieldDef> fields) {
  Close();
  BuildFields(fields);
  persistent_ = !fields.empty();
}

void TClientDataSet::Open() {
  active_ = true;
  state_ = State::Browse;
  edit_buffer_.clear();
  edit_row_ = -1;
  cursor_ = 0;
  eof_ = rows_.empty();
}

void TClientDataSet::SetData(const Variant& data) {
  if (!data.IsPacket()) throw EDatabaseError(NotAPacketMessage(data));
  const DataPacket& packet = data.AsPacket();
  if (persistent_) {
    LoadPersistent(packet);
  } else {
    BuildFields(packet.Fields());
    rows_ = packet.Rows();
  }
  Open();
}

// Checks every declared field against the packet before touching the contents, so a packet
// that does not fit leaves the table as it was.
void TClientDataSet::LoadPersistent(const DataPacket& packet) {
  std::vector<int> columns;
  for (const auto& field : fields_) {
    const int column = FindColumn(packet.Fields(), field->FieldName());
    if (column < 0) Fail("Field '" + field->FieldName() + "' not found");
    const FieldType actual = packet.Fields()[column].type;
    if (!AreCompatible(field->DataType(), actual)) {
      Fail("Type mismatch for field '" + field->FieldName() + "', expecting: " +
           FieldTypeName(field->DataType()) + " actual: " + FieldTypeName(actual));
    }
    columns.push_back(column);
  }
  std::vector<Row> rows;
  rows.reserve(packet.RowCount());
  for (const Row& source : packet.Rows()) {
    Row row(fields_.size());
    for (size_t i = 0; i < fields_.size(); ++i) {
      const FieldDef& def = fields_[i]->Def();
      try {
        row[i] = ToFieldValue(def.type, source[columns[i]]);
      } catch (const Exception& e) {
        Fail("Field '" + def.name + "': " + e.Message());
      }
      if (row[i].IsString()) row[i] = Variant(CutToWidth(row[i].AsString(), def.size));
    }
    rows.push_back(std::move(row));
  }
  rows_ = std::move(rows);
}

Variant TClientDataSet::Data() const {
  return Variant(Packet());
}

DataPacket TClientDataSet::Packet() const {
  return DataPacket(FieldDefs(), rows_);
}

void TClientDataSet::CreateDataSet() {
  if (fields_.empty()) Fail("Missing data provider or data packet");
  rows_.clear();
  Open();
}

void TClientDataSet::EmptyDataSet() {
  RequireActive();
  rows_.clear();
  Open();
}

void TClientDataSet::Close() {
  active_ = false;
  state_ = State::Browse;
  rows_.clear();
  edit_buffer_.clear();
  edit_row_ = -1;
  cursor_ = 0;
  eof_ = true;
}

int TClientDataSet::FieldCount() const {
  return static_cast<int>(fields_.size());
}

TField& TClientDataSet::Fields(int index) {
  if (index < 0 || index >= FieldCount()) {
    Fail("Field index out of range: " + std::to_string(index));
  }
  return *fields_[index];
}

TField* TClientDataSet::FindField(const std::string& name) {
  const int index = FindName(
      fields_.size(), [&](size_t i) -> const std::string& { return fields_[i]->FieldName(); },
      name);
  return index < 0 ? nullptr : fields_[index].get();
}

TField& TClientDataSet::FieldByName(const std::string& name) {
  TField* field = FindField(name);
  if (!field) Fail("Field '" + name + "' not found");
  return *field;
}

const TField& TClientDataSet::FieldByName(const std::string& name) const {
  return const_cast<TClientDataSet*>(this)->FieldByName(name);
}

std::vector<FieldDef> TClientDataSet::FieldDefs() const {
  std::vector<FieldDef> defs;
  defs.reserve(fields_.size());
  for (const auto& field : fields_) defs.push_back(field->Def());
  return defs;
}

}  // namespace rtl
