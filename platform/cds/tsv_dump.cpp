#include "cds/tsv_dump.h"

#include <charconv>
#include <cstdio>

#include "cds/day_time.h"
#include "cds/field_values.h"
#include "rtl/errors.h"

namespace cds {

namespace {

using rtl::FieldType;

std::string Escaped(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\':
        result += "\\\\";
        break;
      case '\t':
        result += "\\t";
        break;
      case '\n':
        result += "\\n";
        break;
      case '\r':
        result += "\\r";
        break;
      default:
        result += c;
    }
  }
  return result;
}

template <typename Float>
std::string Shortest(Float value) {
  char buffer[64];
  const auto printed = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, printed.ptr);
}

std::string DateTimeText(FieldType type, rtl::TDateTime value) {
  CivilDateTime c;
  if (!ToCivil(value, &c)) return Shortest(value);  // outside years 1-9999: the raw number
  char date[16], time[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", c.year, c.month, c.day);
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", c.hour, c.minute, c.second);
  std::string time_text = time;
  if (c.msec != 0) {
    char msec[8];
    std::snprintf(msec, sizeof msec, ".%03d", c.msec);
    time_text += msec;
  }
  if (type == FieldType::Date) return date;
  if (type == FieldType::Time) return time_text;
  return std::string(date) + " " + time_text;
}

std::string TypedText(const rtl::FieldDef& def, const rtl::Variant& value) {
  if (rtl::IsTextType(def.type)) return Escaped(value.AsString());
  if (rtl::IsBlobType(def.type) || def.type == FieldType::Bytes) {
    return "<" + std::to_string(value.AsString().size()) + " bytes>";
  }
  if (rtl::IsIntegerType(def.type)) return std::to_string(value.AsInteger());
  if (def.type == FieldType::Single) return DecimalText(static_cast<float>(value.AsFloat()));
  if (rtl::IsFloatType(def.type)) return DecimalText(value.AsFloat());
  if (def.type == FieldType::Boolean) return value.AsBoolean() ? "TRUE" : "FALSE";
  return DateTimeText(def.type, value.AsDateTime());
}

}  // namespace

std::string FormatTsvValue(const rtl::FieldDef& def, const rtl::Variant& value) {
  if (value.IsEmptyOrNull()) return "\\N";
  try {
    return TypedText(def, value);
  } catch (const rtl::Exception&) {
    // A value of another type than its field (possible only in packets built in code).
    return Escaped(rtl::DebugString(value));
  }
}

void WriteTsv(const rtl::DataPacket& packet, std::ostream& out) {
  const std::vector<rtl::FieldDef>& fields = packet.Fields();
  for (size_t f = 0; f < fields.size(); ++f) out << (f ? "\t" : "") << Escaped(fields[f].name);
  out << '\n';
  for (const rtl::Row& row : packet.Rows()) {
    for (size_t f = 0; f < fields.size(); ++f) {
      out << (f ? "\t" : "") << FormatTsvValue(fields[f], row[f]);
    }
    out << '\n';
  }
}

}  // namespace cds
