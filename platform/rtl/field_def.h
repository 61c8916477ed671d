#pragma once
// Field descriptions of data packets and in-memory tables.

#include <string>
#include <utility>

namespace rtl {

// Field types, after the platform's: how a column is described and how its values travel.
// Values travel in variants: texts (String, WideString, Memo, WideMemo) and raw bytes (Blob,
// Graphic, Bytes) as text; integer types as integer; Boolean as boolean; Float, Currency,
// Extended, Single, BCD and FMTBcd as floating point; Date, Time, DateTime and TimeStamp as
// date-time.
enum class FieldType {
  String,
  WideString,
  Shortint,
  Smallint,
  Integer,
  Largeint,
  Byte,
  Word,
  LongWord,
  AutoInc,
  Boolean,
  Float,
  Currency,
  Extended,
  Single,
  BCD,
  FMTBcd,
  Date,
  Time,
  DateTime,
  TimeStamp,
  Memo,
  WideMemo,
  Blob,
  Graphic,
  Bytes,
};

// The name of the type ("String", "Float", ...), for messages.
const char* FieldTypeName(FieldType type);
bool IsTextType(FieldType type);      // String, WideString, Memo, WideMemo
bool IsIntegerType(FieldType type);   // Shortint ... AutoInc
bool IsFloatType(FieldType type);     // Float, Currency, Extended, Single, BCD, FMTBcd
bool IsDateTimeType(FieldType type);  // Date, Time, DateTime, TimeStamp
bool IsBlobType(FieldType type);      // Memo, WideMemo, Blob, Graphic, Bytes

struct FieldDef {
  FieldDef() = default;
  FieldDef(std::string field_name, FieldType field_type, int field_size = 0, int field_scale = 0)
      : name(std::move(field_name)), type(field_type), size(field_size), scale(field_scale) {}

  std::string name;
  FieldType type = FieldType::String;
  // Width in characters for String and WideString; precision for BCD and FMTBcd; 0 otherwise.
  int size = 0;
  int scale = 0;  // decimals of BCD and FMTBcd
  bool required = false;
  bool readonly = false;
  bool hidden = false;
  std::string subtype;  // "Money", "Autoinc", "Text", "Binary", ... as table files carry it

  bool operator==(const FieldDef& other) const;
  bool operator!=(const FieldDef& other) const { return !(*this == other); }
};

// Field descriptions as table layouts write them: a text of `width` characters, an 8-byte
// floating-point number, a date-time.
inline FieldDef TextField(std::string name, int width) {
  return FieldDef(std::move(name), FieldType::String, width);
}
inline FieldDef FloatField(std::string name) {
  return FieldDef(std::move(name), FieldType::Float);
}
inline FieldDef DateTimeField(std::string name) {
  return FieldDef(std::move(name), FieldType::DateTime);
}

}  // namespace rtl
