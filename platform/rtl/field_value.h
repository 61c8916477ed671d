#pragma once
// How the in-memory table stores and compares the values of a field. Thread-safe.

#include <string>

#include "rtl/field_def.h"
#include "rtl/variant.h"

namespace rtl {

// The value as a field of this type stores it: Null for Empty, Null and Omitted; otherwise the
// variant kind the field type travels as (see FieldType). Conversion errors are Variant's.
Variant ToFieldValue(FieldType type, const Variant& value);

// Whether a packet column of type `column` can fill a declared field of type `field`: texts
// among themselves, binary types and memos among themselves, numbers (integers and floats)
// among themselves, date-times among themselves, booleans with booleans and integers.
bool AreCompatible(FieldType field, FieldType column);

// The first `width` characters of a UTF-8 text; never splits a character. A width of 0 or less
// means no limit.
std::string CutToWidth(const std::string& text, int width);

// Whether a stored value of a field of this type equals `wanted`: texts exactly and
// case-sensitively, numbers and date-times as numbers; Null equals only Null. A value that
// cannot be converted equals nothing.
bool SameFieldValue(FieldType type, const Variant& stored, const Variant& wanted);

}  // namespace rtl
