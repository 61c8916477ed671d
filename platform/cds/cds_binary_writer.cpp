// Writer of the binary data packet: no change log, every row stored with status 0.
#include <cstring>

#include "cds/bcd.h"
#include "cds/cds_error.h"
#include "cds/cds_file.h"
#include "cds/cds_types.h"
#include "cds/day_time.h"
#include "cds/effective_fields.h"
#include "cds/extended_float.h"
#include "cds/field_values.h"
#include "rtl/text_codec.h"
#include "rtl/variant.h"

namespace cds {

namespace {

using rtl::FieldType;

constexpr size_t kMaxShortName = 31;  // longer names go in a FIELDNAME property

class BinaryWriter {
 public:
  BinaryWriter(const rtl::DataPacket& packet, const std::string& name, const CdsMetadata* metadata)
      : packet_(packet), name_(name), fields_(FieldsToWrite(packet)), metadata_(metadata) {}

  std::string Write();

 private:
  void Unsigned(uint64_t value, size_t size);
  void PrefixedBytes(const std::string& bytes, size_t prefix_size, const std::string& context);
  void Descriptor(size_t field);
  const CdsFieldMetadata* FieldMetadata(size_t field) const;
  void Properties(const std::vector<CdsProperty>& properties);
  void ShortProperty(const char* name, int value);
  void TextProperty(const char* name, const std::string& value);
  void Row(size_t row);
  void Value(const rtl::FieldDef& def, const rtl::Variant& value, const std::string& context);
  void DateTimeValue(const rtl::FieldDef& def, const rtl::Variant& value,
                     const std::string& context);
  std::string Context(size_t field, size_t row) const {
    return name_ + ": field '" + fields_[field].name + "', row " + std::to_string(row + 1);
  }

  const rtl::DataPacket& packet_;
  const std::string& name_;
  const std::vector<rtl::FieldDef> fields_;
  const CdsMetadata* const metadata_;
  std::string out_;
};

std::string BinaryWriter::Write() {
  if (fields_.size() > 0xFFFF) throw ECdsError(name_, "more than 65535 fields");
  if (packet_.RowCount() > 0xFFFFFFFFu) throw ECdsError(name_, "too many rows");
  bool extended_codes = false;
  for (const rtl::FieldDef& def : fields_) extended_codes |= BinaryTypeOf(def).Code() > kCodeBytes;
  Unsigned(0xBDE01996, 4);
  Unsigned(extended_codes ? 2 : 1, 2);
  Unsigned(0, 2);
  Unsigned(24, 4);
  Unsigned(fields_.size(), 2);
  Unsigned(packet_.RowCount(), 4);
  Unsigned(0, 4);  // flags, set below
  Unsigned(0, 2);  // first row offset, set below
  for (size_t f = 0; f < fields_.size(); ++f) Descriptor(f);
  const std::vector<CdsProperty> no_params;
  const std::vector<CdsProperty>& params = metadata_ ? metadata_->params : no_params;
  Unsigned(params.size(), 2);
  Properties(params);
  const size_t first_row = out_.size();
  const bool offset_fits = first_row <= 0xFFFF;
  out_[18] = offset_fits ? 3 : 1;
  out_[22] = static_cast<char>(offset_fits ? first_row & 0xFF : 0);
  out_[23] = static_cast<char>(offset_fits ? first_row >> 8 : 0);
  for (size_t row = 0; row < packet_.RowCount(); ++row) Row(row);
  return std::move(out_);
}

void BinaryWriter::Unsigned(uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) out_.push_back(static_cast<char>(value >> (8 * i)));
}

void BinaryWriter::PrefixedBytes(const std::string& bytes, size_t prefix_size,
                                 const std::string& context) {
  if (prefix_size < 4 && bytes.size() >= (size_t{1} << (8 * prefix_size))) {
    throw ECdsError(context, "value of " + std::to_string(bytes.size()) + " bytes is too long");
  }
  Unsigned(bytes.size(), prefix_size);
  out_ += bytes;
}

const CdsFieldMetadata* BinaryWriter::FieldMetadata(size_t field) const {
  if (metadata_ == nullptr || field >= metadata_->fields.size()) return nullptr;
  return &metadata_->fields[field];
}

void BinaryWriter::Properties(const std::vector<CdsProperty>& properties) {
  if (properties.size() > 0xFFFF) throw ECdsError(name_, "more than 65535 properties");
  for (const CdsProperty& property : properties) out_ += EncodeBinaryProperty(property);
}

void BinaryWriter::Descriptor(size_t field) {
  const rtl::FieldDef& def = fields_[field];
  const CdsFieldMetadata* kept = FieldMetadata(field);
  const std::string name = rtl::Utf8ToCp1252(def.name);
  const bool long_name = name.size() > kMaxShortName;
  Unsigned(long_name ? kMaxShortName : name.size(), 1);
  out_ += name.substr(0, kMaxShortName);
  Unsigned(BinaryTypeOf(def).raw, 4);
  const uint16_t other_attributes = kept ? kept->other_attributes : 0;
  Unsigned(
      (def.hidden ? 1 : 0) | (def.readonly ? 2 : 0) | (def.required ? 4 : 0) | other_attributes, 2);
  const int width = WidthToWrite(def);
  const bool bcd = def.type == FieldType::BCD || def.type == FieldType::FMTBcd;
  const std::string subtype = SubtypeToWrite(def);
  const size_t extra = kept ? kept->properties.size() : 0;
  if (extra > 0xFFF0) throw ECdsError(name_, "field '" + def.name + "': too many properties");
  Unsigned((width > 0) + bcd + !subtype.empty() + long_name + extra, 2);
  if (width > 0) ShortProperty("WIDTH", width);
  if (bcd) ShortProperty("DECIMALS", def.scale);
  if (!subtype.empty()) TextProperty("SUBTYPE", subtype);
  if (long_name) TextProperty("FIELDNAME", def.name);
  if (kept) Properties(kept->properties);
}

void BinaryWriter::ShortProperty(const char* name, int value) {
  if (value < 0 || value > 0xFFFF) {
    throw ECdsError(name_, std::string(name) + " " + std::to_string(value) + " does not fit");
  }
  Unsigned(std::strlen(name), 1);
  out_ += name;
  Unsigned(TypeWord(kCodeUInt, 2, false).raw, 4);
  Unsigned(static_cast<uint64_t>(value), 2);
}

void BinaryWriter::TextProperty(const char* name, const std::string& value) {
  Unsigned(std::strlen(name), 1);
  out_ += name;
  Unsigned(TypeWord(kCodeZString, 2, true).raw, 4);
  PrefixedBytes(rtl::Utf8ToCp1252(value) + '\0', 2, name_);
}

void BinaryWriter::Row(size_t row) {
  const rtl::Row& values = packet_.Rows()[row];
  out_.push_back('\0');  // status: an unchanged row
  const size_t flags_at = out_.size();
  out_.append((fields_.size() + 3) / 4, '\0');
  for (size_t f = 0; f < fields_.size(); ++f) {
    if (values[f].IsEmptyOrNull()) {
      out_[flags_at + f / 4] |= static_cast<char>(1 << (2 * (f % 4)));
    } else {
      Value(fields_[f], values[f], Context(f, row));
    }
  }
}

void BinaryWriter::Value(const rtl::FieldDef& def, const rtl::Variant& value,
                         const std::string& context) {
  const TypeWord type = BinaryTypeOf(def);
  switch (type.Code()) {
    case kCodeZString:
    case kCodeUnicode:
    case kCodeBytes:
      PrefixedBytes(StoredBytes(def.type, TextToWrite(value, context)), type.Size(), context);
      return;
    case kCodeInt:
    case kCodeUInt:
      Unsigned(static_cast<uint64_t>(IntegerToWrite(def, value, context)), type.Size());
      return;
    case kCodeBool:
      Unsigned(BooleanToWrite(value, context) ? 1 : 0, 2);
      return;
    case kCodeBcd:
    case kCodeFmtBcd: {
      std::string bytes;
      if (!EncodeBcd(FloatToWrite(value, context), def.size, def.scale, &bytes)) {
        throw ECdsError(context, "value does not fit a BCD of 32 digits");
      }
      out_ += bytes;
      return;
    }
    case kCodeFloat:
    case kCodeSingle:
      break;
    default:
      DateTimeValue(def, value, context);
      return;
  }
  const double number = FloatToWrite(value, context);
  if (type.Size() == 10) {
    out_ += EncodeExtended(number);
  } else if (type.Size() == 4) {
    const float single = static_cast<float>(number);
    out_.append(reinterpret_cast<const char*>(&single), 4);
  } else {
    out_.append(reinterpret_cast<const char*>(&number), 8);
  }
}

void BinaryWriter::DateTimeValue(const rtl::FieldDef& def, const rtl::Variant& value,
                                 const std::string& context) {
  DayTime parts;
  if (!FromDateTime(DateTimeToWrite(value, context), &parts)) {
    throw ECdsError(context, "date-time outside years 1-9999");
  }
  switch (def.type) {
    case FieldType::Date:
      Unsigned(static_cast<uint64_t>(parts.day_number), 4);
      return;
    case FieldType::Time:
      Unsigned(static_cast<uint64_t>(parts.ms), 4);
      return;
    case FieldType::DateTime: {
      const double ms = static_cast<double>(parts.day_number) * kMsPerDay + parts.ms;
      out_.append(reinterpret_cast<const char*>(&ms), 8);
      return;
    }
    default: {  // TimeStamp: the 16-byte calendar record
      CivilDateTime c;
      ToCivil(ToDateTime(parts), &c);
      for (int part : {c.year, c.month, c.day, c.hour, c.minute, c.second}) Unsigned(part, 2);
      Unsigned(c.msec, 4);
    }
  }
}

}  // namespace

std::string WriteCdsBinary(const rtl::DataPacket& packet, const std::string& name_for_errors,
                           const CdsMetadata* metadata) {
  return BinaryWriter(packet, name_for_errors, metadata).Write();
}

}  // namespace cds
