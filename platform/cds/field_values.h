#pragma once
// What the writers of both forms need from a field value: the value in the field's own type,
// checked against what the file can hold.

#include <cstdint>
#include <string>

#include "rtl/field_def.h"
#include "rtl/variant.h"

namespace cds {

// Converts for writing; raises ECdsError prefixed with `context` (file, field and row) when the
// variant does not convert or the integer is out of the field type's range.
int64_t IntegerToWrite(const rtl::FieldDef& def, const rtl::Variant& value,
                       const std::string& context);
double FloatToWrite(const rtl::Variant& value, const std::string& context);
bool BooleanToWrite(const rtl::Variant& value, const std::string& context);
rtl::TDateTime DateTimeToWrite(const rtl::Variant& value, const std::string& context);
std::string TextToWrite(const rtl::Variant& value, const std::string& context);

// A number as plain decimal text, exact (the shortest text that reads back as the same value)
// and without an exponent below 1e15 in magnitude: 33000000, 800000, 0.1, 0.000001. Larger
// magnitudes, infinities and NaN in the shortest form ("1e+300", "inf").
std::string DecimalText(double value);
std::string DecimalText(float value);

// The text a binary file stores for a String or Memo field (Windows-1252), a WideString or
// WideMemo field (UTF-16LE) or a blob (the bytes as they are).
std::string StoredBytes(rtl::FieldType type, const std::string& text);
// The field's length in the unit of its WIDTH (bytes; UTF-16 units for wide strings).
size_t StoredLength(rtl::FieldType type, const std::string& text);

}  // namespace cds
