#include "rtl/field_value.h"

#include "rtl/errors.h"

namespace rtl {
namespace {

bool IsNumberType(FieldType type) {
  return IsIntegerType(type) || IsFloatType(type);
}

bool SameFamily(FieldType a, FieldType b) {
  if (IsTextType(a) && IsTextType(b)) return true;
  if (IsBlobType(a) && IsBlobType(b)) return true;
  if (IsNumberType(a) && IsNumberType(b)) return true;
  return IsDateTimeType(a) && IsDateTimeType(b);
}

}  // namespace

Variant ToFieldValue(FieldType type, const Variant& value) {
  if (value.IsEmptyOrNull() || value.Type() == VarType::Omitted) return Variant::Null();
  if (IsTextType(type) || IsBlobType(type)) return Variant(value.AsString());
  if (IsIntegerType(type)) return Variant(value.AsInteger());
  if (IsFloatType(type)) return Variant(value.AsFloat());
  if (IsDateTimeType(type)) return Variant::FromDateTime(value.AsDateTime());
  return Variant(value.AsBoolean());
}

bool AreCompatible(FieldType field, FieldType column) {
  if (field == column || SameFamily(field, column)) return true;
  const bool field_bool = field == FieldType::Boolean;
  const bool column_bool = column == FieldType::Boolean;
  return (field_bool && IsIntegerType(column)) || (column_bool && IsIntegerType(field));
}

std::string CutToWidth(const std::string& text, int width) {
  if (width <= 0) return text;
  int characters = 0;
  for (size_t pos = 0; pos < text.size(); ++pos) {
    // Each character starts at a byte that is not a continuation byte (10xxxxxx).
    if ((static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) {
      if (characters == width) return text.substr(0, pos);
      ++characters;
    }
  }
  return text;
}

bool SameFieldValue(FieldType type, const Variant& stored, const Variant& wanted) {
  if (stored.IsEmptyOrNull() || wanted.IsEmptyOrNull()) {
    return stored.IsEmptyOrNull() && wanted.IsEmptyOrNull();
  }
  try {
    if (IsTextType(type) || IsBlobType(type)) return stored.AsString() == wanted.AsString();
    if (type == FieldType::Boolean) return stored.AsBoolean() == wanted.AsBoolean();
    if (IsDateTimeType(type)) return stored.AsDateTime() == wanted.AsDateTime();
    return stored.AsFloat() == wanted.AsFloat();
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace rtl
