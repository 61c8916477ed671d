#include "cds/field_values.h"

#include <charconv>
#include <cmath>

#include "cds/cds_error.h"
#include "rtl/text_codec.h"

namespace cds {

namespace {

void IntegerRange(rtl::FieldType type, int64_t* low, int64_t* high) {
  switch (type) {
    case rtl::FieldType::Shortint:
      *low = INT8_MIN, *high = INT8_MAX;
      break;
    case rtl::FieldType::Smallint:
      *low = INT16_MIN, *high = INT16_MAX;
      break;
    case rtl::FieldType::Integer:
    case rtl::FieldType::AutoInc:
      *low = INT32_MIN, *high = INT32_MAX;
      break;
    case rtl::FieldType::Byte:
      *low = 0, *high = UINT8_MAX;
      break;
    case rtl::FieldType::Word:
      *low = 0, *high = UINT16_MAX;
      break;
    case rtl::FieldType::LongWord:
      *low = 0, *high = UINT32_MAX;
      break;
    default:
      *low = INT64_MIN, *high = INT64_MAX;
      break;
  }
}

// Runs a variant conversion, turning its error into one that names the file, field and row.
template <typename Convert>
auto Converted(const std::string& context, Convert convert) -> decltype(convert()) {
  try {
    return convert();
  } catch (const ECdsError&) {
    throw;
  } catch (const rtl::Exception& error) {
    throw ECdsError(context, error.what());
  }
}

}  // namespace

int64_t IntegerToWrite(const rtl::FieldDef& def, const rtl::Variant& value,
                       const std::string& context) {
  const int64_t number = Converted(context, [&] { return value.AsInteger(); });
  int64_t low, high;
  IntegerRange(def.type, &low, &high);
  if (number < low || number > high) {
    throw ECdsError(context, std::to_string(number) + " is out of range for a " +
                                 rtl::FieldTypeName(def.type) + " field");
  }
  return number;
}

double FloatToWrite(const rtl::Variant& value, const std::string& context) {
  return Converted(context, [&] { return value.AsFloat(); });
}

bool BooleanToWrite(const rtl::Variant& value, const std::string& context) {
  return Converted(context, [&] { return value.AsBoolean(); });
}

rtl::TDateTime DateTimeToWrite(const rtl::Variant& value, const std::string& context) {
  return Converted(context, [&] { return value.AsDateTime(); });
}

std::string TextToWrite(const rtl::Variant& value, const std::string& context) {
  return Converted(context, [&] { return value.AsString(); });
}

std::string StoredBytes(rtl::FieldType type, const std::string& text) {
  switch (type) {
    case rtl::FieldType::String:
    case rtl::FieldType::Memo:
      return rtl::Utf8ToCp1252(text);
    case rtl::FieldType::WideString:
    case rtl::FieldType::WideMemo: {
      const std::u16string wide = rtl::Utf8ToWide(text);
      std::string bytes;
      bytes.reserve(2 * wide.size());
      for (char16_t unit : wide) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
      }
      return bytes;
    }
    default:
      return text;
  }
}

size_t StoredLength(rtl::FieldType type, const std::string& text) {
  const size_t bytes = StoredBytes(type, text).size();
  return type == rtl::FieldType::WideString ? bytes / 2 : bytes;
}

namespace {

template <typename Float>
std::string Decimal(Float value) {
  // The smallest subnormal double takes about 330 digits in plain form.
  char buffer[400];
  const bool plain = std::isfinite(value) && std::fabs(value) < Float(1e15);
  const auto printed =
      plain ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
            : std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, printed.ptr);
}

}  // namespace

std::string DecimalText(double value) {
  return Decimal(value);
}

std::string DecimalText(float value) {
  return Decimal(value);
}

}  // namespace cds
