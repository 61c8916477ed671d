// Conversions of variants to plain values.
#include <cctype>
#include <cmath>

#include "rtl/errors.h"
#include "rtl/number_text.h"
#include "rtl/text_compare.h"
#include "rtl/variant.h"

namespace rtl {
namespace {

const char* TypeName(VarType type) {
  switch (type) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::Boolean:
      return "Boolean";
    case VarType::Integer:
      return "Integer";
    case VarType::Float:
      return "Double";
    case VarType::String:
      return "String";
    case VarType::DateTime:
      return "Date";
    case VarType::Array:
      return "Array";
    case VarType::Packet:
      return "DataPacket";
    case VarType::Omitted:
      return "Error";
  }
  return "Unknown";
}

[[noreturn]] void CannotConvert(VarType from, const char* to) {
  throw EVariantError(std::string("Could not convert variant of type (") + TypeName(from) +
                      ") into type (" + to + ")");
}

EConvertError NotAnInteger(const std::string& shown) {
  return EConvertError("'" + shown + "' is not a valid integer value");
}

}  // namespace

std::string Variant::AsString() const {
  switch (Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Omitted:
      return "";
    case VarType::Boolean:
      return std::get<bool>(value_) ? "True" : "False";
    case VarType::Integer:
      return std::to_string(std::get<int64_t>(value_));
    case VarType::Float:
      return FloatToStr(std::get<double>(value_));
    case VarType::String:
      return std::get<std::string>(value_);
    case VarType::DateTime:
      return DateTimeToStr(std::get<DateTimeBox>(value_).value);
    default:
      CannotConvert(Type(), "String");
  }
}

double Variant::AsFloat() const {
  switch (Type()) {
    case VarType::Empty:
      return 0;
    case VarType::Boolean:
      return std::get<bool>(value_) ? 1 : 0;
    case VarType::Integer:
      return static_cast<double>(std::get<int64_t>(value_));
    case VarType::Float:
      return std::get<double>(value_);
    case VarType::String:
      return StrToFloat(std::get<std::string>(value_));
    case VarType::DateTime:
      return std::get<DateTimeBox>(value_).value;
    default:
      CannotConvert(Type(), "Double");
  }
}

int64_t Variant::AsInteger() const {
  if (const auto* integer = std::get_if<int64_t>(&value_)) return *integer;
  double number = 0;
  std::string shown;
  if (const auto* text = std::get_if<std::string>(&value_)) {
    int64_t value = 0;
    if (TryStrToInt64(*text, value)) return value;
    if (!TryStrToFloat(*text, number)) throw NotAnInteger(*text);
    shown = *text;
  } else {
    number = AsFloat();
    shown = FloatToStr(number);
  }
  // 2^63 itself is out of range, so the upper bound is exclusive.
  if (number != std::trunc(number) || number < -9223372036854775808.0 ||
      number >= 9223372036854775808.0) {
    throw NotAnInteger(shown);
  }
  return static_cast<int64_t>(number);
}

bool Variant::AsBoolean() const {
  switch (Type()) {
    case VarType::Empty:
      return false;
    case VarType::Boolean:
      return std::get<bool>(value_);
    case VarType::Integer:
      return std::get<int64_t>(value_) != 0;
    case VarType::Float:
      return std::get<double>(value_) != 0;
    case VarType::DateTime:
      return std::get<DateTimeBox>(value_).value != 0;
    case VarType::String: {
      const std::string& text = std::get<std::string>(value_);
      const std::string lower = LowerCase(text);
      if (lower == "true") return true;
      if (lower == "false") return false;
      double number = 0;
      if (TryStrToFloat(text, number)) return number != 0;
      throw EConvertError("'" + text + "' is not a valid boolean value");
    }
    default:
      CannotConvert(Type(), "Boolean");
  }
}

TDateTime Variant::AsDateTime() const {
  switch (Type()) {
    case VarType::Empty:
      return 0;
    case VarType::Integer:
      return static_cast<double>(std::get<int64_t>(value_));
    case VarType::Float:
      return std::get<double>(value_);
    case VarType::DateTime:
      return std::get<DateTimeBox>(value_).value;
    case VarType::String: {
      const std::string& text = std::get<std::string>(value_);
      if (text.size() >= 10 && text[4] == '-') return ParseSqlDateTime(text);
      return StrToDateTime(text);
    }
    default:
      CannotConvert(Type(), "Date");
  }
}

std::string DebugString(const Variant& value) {
  switch (value.Type()) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::Omitted:
      return "Omitted";
    case VarType::String:
      return "'" + value.AsString() + "'";
    case VarType::DateTime:
      return "DateTime(" + FormatSqlDateTime(value.AsDateTime()) + ")";
    case VarType::Packet: {
      const DataPacket& packet = value.AsPacket();
      return "Packet(" + std::to_string(packet.FieldCount()) + " fields, " +
             std::to_string(packet.RowCount()) + " rows)";
    }
    case VarType::Array: {
      std::string text = "[";
      for (size_t i = 0; i < value.ArrayLength(); ++i) {
        text += (i ? ", " : "") + DebugString(value[i]);
      }
      return text + "]";
    }
    default:
      return value.AsString();
  }
}

}  // namespace rtl
