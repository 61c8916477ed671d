// Reader of the binary data packet: header, field descriptors, packet properties, rows.

#include "cds/bcd.h"
#include "cds/binary_values.h"
#include "cds/byte_reader.h"
#include "cds/cds_error.h"
#include "cds/cds_file.h"
#include "cds/cds_metadata.h"
#include "cds/cds_types.h"
#include "cds/change_log.h"
#include "rtl/text_codec.h"
#include "rtl/variant.h"

namespace cds {

namespace {

constexpr uint32_t kMagic = 0xBDE01996;
constexpr uint32_t kFlagRowOffsetValid = 0x02;
constexpr uint16_t kAttrHidden = 0x01;
constexpr uint16_t kAttrReadonly = 0x02;
constexpr uint16_t kAttrRequired = 0x04;
// The smallest field descriptor: name length, type word, attributes, property count.
constexpr size_t kMinDescriptorSize = 1 + 4 + 2 + 2;
// The smallest property: name length and type word.
constexpr size_t kMinPropertySize = 1 + 4;

struct Column {
  rtl::FieldDef def;
  TypeWord type{0};
  CdsFieldMetadata metadata;
};

struct Properties {
  int width = -1;  // -1: no WIDTH property
  int decimals = 0;
  std::string subtype;
  std::string field_name;
  std::vector<uint32_t> change_log;
  std::vector<CdsProperty> all;  // every property, as read
};

struct PropertyValue {
  std::vector<uint64_t> numbers;
  std::string text;
};

std::string CutAtNul(std::string text) {
  const size_t end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  return text;
}

std::string Hex(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", value);
  return buffer;
}

// A property as the metadata keeps it: integers sign-extended for signed types, texts cut at
// their terminator and decoded.
CdsProperty KeptProperty(const std::string& name, TypeWord type, const PropertyValue& value,
                         std::string raw) {
  CdsProperty property;
  property.name = rtl::Cp1252ToUtf8(name);
  property.type = type.raw;
  property.raw = std::move(raw);
  const unsigned bits = 8 * type.Size();
  for (uint64_t number : value.numbers) {
    const bool sign_extend =
        type.Code() == kCodeInt && bits > 0 && bits < 64 && (number >> (bits - 1)) & 1;
    property.numbers.push_back(
        static_cast<int64_t>(sign_extend ? number | (~uint64_t{0} << bits) : number));
  }
  if (type.Variable()) property.text = rtl::Cp1252ToUtf8(CutAtNul(value.text));
  return property;
}

class BinaryReader {
 public:
  BinaryReader(const std::string& bytes, const std::string& name)
      : bytes_(bytes), in_(bytes, name) {}

  rtl::DataPacket Read(CdsMetadata* metadata);

 private:
  void ReadHeader();
  Column ReadColumn();
  Properties ReadProperties();
  PropertyValue ReadPropertyValue(TypeWord type);
  void ReadPropertyElement(TypeWord type, PropertyValue* value);
  void ApplyColumnType(const Properties& props, uint16_t attributes, Column* column);
  StoredRow ReadRow();
  [[noreturn]] void FailField(const Column& column, const std::string& what) const;

  const std::string& bytes_;
  ByteReader in_;
  uint16_t column_count_ = 0;
  uint32_t row_count_ = 0;
  uint32_t flags_ = 0;
  uint16_t row_offset_ = 0;
  std::vector<Column> columns_;
};

rtl::DataPacket BinaryReader::Read(CdsMetadata* metadata) {
  ReadHeader();
  in_.NeedItems(column_count_, kMinDescriptorSize, "field descriptors");
  for (uint16_t i = 0; i < column_count_; ++i) columns_.push_back(ReadColumn());
  const Properties packet = ReadProperties();
  if ((flags_ & kFlagRowOffsetValid) != 0) {
    if (row_offset_ < in_.Offset()) in_.Fail("first row offset lies inside the field descriptors");
    in_.Seek(row_offset_, "first row offset");
  }
  if (uint64_t{row_count_} * column_count_ > kMaxStoredValues) {
    in_.Fail("absurd count: " + std::to_string(row_count_) + " rows of " +
             std::to_string(column_count_) + " fields");
  }
  in_.NeedItems(row_count_, 1 + (column_count_ + 3) / 4, "rows");
  std::vector<StoredRow> rows;
  rows.reserve(row_count_);
  for (uint32_t i = 0; i < row_count_; ++i) rows.push_back(ReadRow());
  std::vector<rtl::FieldDef> fields;
  for (Column& column : columns_) fields.push_back(column.def);
  if (metadata != nullptr) {
    *metadata = CdsMetadata();
    for (const CdsProperty& property : packet.all) {
      if (!IsRowsProperty(property.name)) metadata->params.push_back(property);
    }
    for (Column& column : columns_) metadata->fields.push_back(std::move(column.metadata));
  }
  return rtl::DataPacket(std::move(fields),
                         ApplyChangeLog(std::move(rows), packet.change_log, in_.FileName()));
}

void BinaryReader::ReadHeader() {
  if (in_.Remaining() < 4 || in_.U32() != kMagic) {
    in_.Seek(0, "start");
    in_.Fail("wrong magic: not a client-dataset table file");
  }
  const uint16_t major = in_.U16();
  if (major == 0 || major > 3) in_.Fail("unsupported format version " + std::to_string(major));
  in_.U16();  // minor version
  const uint32_t header_size = in_.U32();
  column_count_ = in_.U16();
  row_count_ = in_.U32();
  flags_ = in_.U32();
  row_offset_ = in_.U16();
  if (header_size < 24) in_.Fail("header size " + std::to_string(header_size) + " below 24");
  in_.Seek(header_size, "header size");
}

Column BinaryReader::ReadColumn() {
  Column column;
  const uint8_t name_length = in_.U8();
  column.def.name = rtl::Cp1252ToUtf8(in_.Bytes(name_length, "field name"));
  column.type = TypeWord(in_.U32());
  const uint16_t attributes = in_.U16();
  const Properties props = ReadProperties();
  if (!props.field_name.empty()) column.def.name = props.field_name;
  ApplyColumnType(props, attributes, &column);
  column.metadata.other_attributes = attributes & ~(kAttrHidden | kAttrReadonly | kAttrRequired);
  for (const CdsProperty& property : props.all) {
    if (!IsDerivedFieldProperty(column.def, property.name)) {
      column.metadata.properties.push_back(property);
    }
  }
  return column;
}

void BinaryReader::ApplyColumnType(const Properties& props, uint16_t attributes, Column* column) {
  rtl::FieldDef& def = column->def;
  const TypeWord type = column->type;
  if (type.Composite() || type.Code() == kCodeNested) {
    FailField(*column, "nested tables and composite fields are not supported");
  }
  if (!FieldTypeFromBinary(type, props.subtype, &def.type)) {
    FailField(*column, "unknown type code " + std::to_string(type.Code()) + " (type word " +
                           Hex(type.raw) + ")");
  }
  def.subtype = props.subtype;
  def.hidden = (attributes & kAttrHidden) != 0;
  def.readonly = (attributes & kAttrReadonly) != 0;
  def.required = (attributes & kAttrRequired) != 0;
  const int declared = type.Variable() ? 0 : type.Size();
  const int width = props.width >= 0 ? props.width : declared;
  switch (def.type) {
    case rtl::FieldType::String:
    case rtl::FieldType::Bytes:
      def.size = width;
      break;
    case rtl::FieldType::WideString:
      def.size = width / 2;
      break;
    case rtl::FieldType::BCD:
    case rtl::FieldType::FMTBcd:
      def.size = props.width >= 0 ? props.width : kBcdMaxDigits;
      def.scale = props.decimals;
      break;
    default:
      break;
  }
}

Properties BinaryReader::ReadProperties() {
  Properties props;
  const uint16_t count = in_.U16();
  in_.NeedItems(count, kMinPropertySize, "properties");
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t name_length = in_.U8();
    const std::string name = in_.Bytes(name_length, "property name");
    const TypeWord type(in_.U32());
    const size_t value_start = in_.Offset();
    PropertyValue value = ReadPropertyValue(type);
    props.all.push_back(
        KeptProperty(name, type, value, bytes_.substr(value_start, in_.Offset() - value_start)));
    const uint64_t number = value.numbers.empty() ? 0 : value.numbers.front();
    if (name == "WIDTH") {
      props.width = static_cast<int>(std::min<uint64_t>(number, 0xFFFF));
    } else if (name == "DECIMALS") {
      props.decimals = static_cast<int>(std::min<uint64_t>(number, 63));
    } else if (name == "SUBTYPE") {
      props.subtype = rtl::Cp1252ToUtf8(CutAtNul(value.text));
    } else if (name == "FIELDNAME") {
      props.field_name = rtl::Cp1252ToUtf8(CutAtNul(value.text));
    } else if (name == "CHANGE_LOG") {
      props.change_log.assign(value.numbers.begin(), value.numbers.end());
    }
  }
  return props;
}

PropertyValue BinaryReader::ReadPropertyValue(TypeWord type) {
  if (type.Composite()) in_.Fail("unsupported property type word " + Hex(type.raw));
  PropertyValue value;
  if (!type.Array()) {
    ReadPropertyElement(type, &value);
    return value;
  }
  const uint32_t count = in_.U32();
  in_.NeedItems(count, std::max<size_t>(type.Size(), 1), "array elements");
  for (uint32_t i = 0; i < count; ++i) ReadPropertyElement(type, &value);
  return value;
}

void BinaryReader::ReadPropertyElement(TypeWord type, PropertyValue* value) {
  const size_t size = type.Size();
  if (type.Variable()) {
    if (size != 1 && size != 2 && size != 4) {
      in_.Fail("bad length prefix size " + std::to_string(size) + " in a property");
    }
    value->text = in_.Bytes(in_.Unsigned(size), "property text");
    return;
  }
  const int code = type.Code();
  const bool integral = code == kCodeInt || code == kCodeUInt || code == kCodeBool;
  if (integral && (size == 1 || size == 2 || size == 4 || size == 8)) {
    value->numbers.push_back(in_.Unsigned(size));
  } else if (size == 0) {
    in_.Fail("property value of size 0 (type word " + Hex(type.raw) + ")");
  } else {
    in_.Skip(size, "property value");
  }
}

StoredRow BinaryReader::ReadRow() {
  StoredRow row;
  row.status = in_.U8();
  const std::string null_bits = in_.Bytes((columns_.size() + 3) / 4, "null flags");
  row.values.reserve(columns_.size());
  for (size_t f = 0; f < columns_.size(); ++f) {
    const int bits = (static_cast<uint8_t>(null_bits[f / 4]) >> (2 * (f % 4))) & 3;
    if (bits == 0) {
      row.values.push_back(ReadBinaryValue(in_, columns_[f].type, columns_[f].def));
      continue;
    }
    row.values.push_back(rtl::Variant::Null());
    if ((bits & 2) != 0) {
      if (row.unchanged.empty()) row.unchanged.resize(columns_.size());
      row.unchanged[f] = true;
    }
  }
  return row;
}

void BinaryReader::FailField(const Column& column, const std::string& what) const {
  in_.Fail("field '" + column.def.name + "': " + what);
}

}  // namespace

rtl::DataPacket ReadCdsBinary(const std::string& bytes, const std::string& name_for_errors,
                              CdsMetadata* metadata) {
  return BinaryReader(bytes, name_for_errors).Read(metadata);
}

}  // namespace cds
