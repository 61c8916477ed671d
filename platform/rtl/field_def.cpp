#include "rtl/field_def.h"

namespace rtl {

const char* FieldTypeName(FieldType type) {
  switch (type) {
    case FieldType::String:
      return "String";
    case FieldType::WideString:
      return "WideString";
    case FieldType::Shortint:
      return "Shortint";
    case FieldType::Smallint:
      return "Smallint";
    case FieldType::Integer:
      return "Integer";
    case FieldType::Largeint:
      return "Largeint";
    case FieldType::Byte:
      return "Byte";
    case FieldType::Word:
      return "Word";
    case FieldType::LongWord:
      return "LongWord";
    case FieldType::AutoInc:
      return "AutoInc";
    case FieldType::Boolean:
      return "Boolean";
    case FieldType::Float:
      return "Float";
    case FieldType::Currency:
      return "Currency";
    case FieldType::Extended:
      return "Extended";
    case FieldType::Single:
      return "Single";
    case FieldType::BCD:
      return "BCD";
    case FieldType::FMTBcd:
      return "FMTBcd";
    case FieldType::Date:
      return "Date";
    case FieldType::Time:
      return "Time";
    case FieldType::DateTime:
      return "DateTime";
    case FieldType::TimeStamp:
      return "TimeStamp";
    case FieldType::Memo:
      return "Memo";
    case FieldType::WideMemo:
      return "WideMemo";
    case FieldType::Blob:
      return "Blob";
    case FieldType::Graphic:
      return "Graphic";
    case FieldType::Bytes:
      return "Bytes";
  }
  return "Unknown";
}

bool IsTextType(FieldType type) {
  return type == FieldType::String || type == FieldType::WideString || type == FieldType::Memo ||
         type == FieldType::WideMemo;
}

bool IsIntegerType(FieldType type) {
  switch (type) {
    case FieldType::Shortint:
    case FieldType::Smallint:
    case FieldType::Integer:
    case FieldType::Largeint:
    case FieldType::Byte:
    case FieldType::Word:
    case FieldType::LongWord:
    case FieldType::AutoInc:
      return true;
    default:
      return false;
  }
}

bool IsFloatType(FieldType type) {
  switch (type) {
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::Extended:
    case FieldType::Single:
    case FieldType::BCD:
    case FieldType::FMTBcd:
      return true;
    default:
      return false;
  }
}

bool IsDateTimeType(FieldType type) {
  return type == FieldType::Date || type == FieldType::Time || type == FieldType::DateTime ||
         type == FieldType::TimeStamp;
}

bool IsBlobType(FieldType type) {
  return type == FieldType::Memo || type == FieldType::WideMemo || type == FieldType::Blob ||
         type == FieldType::Graphic || type == FieldType::Bytes;
}

bool FieldDef::operator==(const FieldDef& other) const {
  return name == other.name && type == other.type && size == other.size && scale == other.scale &&
         required == other.required && readonly == other.readonly && hidden == other.hidden &&
         subtype == other.subtype;
}

}  // namespace rtl
