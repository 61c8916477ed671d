#pragma once
// Variants: the platform's dynamically typed values. They carry statement parameters, field
// values, lookup results (a data packet or a failure's message text), the fiscal results array
// and the parameter lists of the fiscal-device package. Copies are deep for arrays and cheap
// for packets (packets are immutable).

#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "rtl/data_packet.h"
#include "rtl/datetime.h"

namespace rtl {

enum class VarType {
  Empty,
  Null,
  Boolean,
  Integer,
  Float,
  String,
  DateTime,
  Array,
  Packet,
  Omitted
};

class Variant {
 public:
  Variant();  // Empty (unassigned)
  Variant(bool value);
  Variant(int value);
  Variant(int64_t value);
  Variant(double value);
  Variant(const char* value);
  Variant(std::string value);
  Variant(DataPacket value);
  Variant(std::vector<Variant> elements);
  // Other integer types (size_t, long long, unsigned, ...) become Integer.
  template <typename T,
            typename = std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>>
  Variant(T value) : Variant(static_cast<int64_t>(value)) {}

  static Variant Null();
  static Variant Omitted();  // the "omitted parameter" marker
  static Variant FromDateTime(TDateTime value);
  // An array of `count` Empty elements, as the fiscal results array is created.
  static Variant Array(size_t count);

  VarType Type() const;
  bool IsEmpty() const { return Type() == VarType::Empty; }
  bool IsNull() const { return Type() == VarType::Null; }
  bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }
  bool IsString() const { return Type() == VarType::String; }
  bool IsArray() const { return Type() == VarType::Array; }
  bool IsPacket() const { return Type() == VarType::Packet; }

  // Text form: Empty and Null give ""; booleans "True"/"False"; integers in decimal; floats in
  // their shortest form that reads back to the same double, with '.'; date-times by
  // DateTimeToStr. Raises EVariantError for arrays and packets.
  std::string AsString() const;
  // Numbers: texts are read with '.' as decimal separator, blanks around allowed; a text that is
  // not a number raises EConvertError ("'abc' is not a valid floating point value"). Empty gives
  // 0; Null raises EVariantError. Booleans give 1/0 (True is 1), date-times their double.
  double AsFloat() const;
  // As AsFloat, but the value must be integral ("'1.5' is not a valid integer value").
  int64_t AsInteger() const;
  // Texts "True"/"False" (any case) or numbers; Empty is false.
  bool AsBoolean() const;
  // Date-times; numbers as their double; texts by ParseSqlDateTime or "dd/mm/yyyy[ hh:nn:ss]".
  TDateTime AsDateTime() const;
  // Raises EVariantError, with the variant's text as message when it holds a text.
  const DataPacket& AsPacket() const;

  // Arrays. Raise EVariantError when not an array or out of range.
  size_t ArrayLength() const;
  Variant& operator[](size_t index);
  const Variant& operator[](size_t index) const;

  // Same type and value (Integer 1 and Float 1.0 are different; packets compare by contents).
  bool operator==(const Variant& other) const;
  bool operator!=(const Variant& other) const { return !(*this == other); }

 private:
  struct NullTag {
    bool operator==(const NullTag&) const { return true; }
  };
  struct OmittedTag {
    bool operator==(const OmittedTag&) const { return true; }
  };
  struct DateTimeBox {
    TDateTime value;
    bool operator==(const DateTimeBox& o) const { return value == o.value; }
  };
  using Storage = std::variant<std::monostate, NullTag, bool, int64_t, double, std::string,
                               DateTimeBox, std::vector<Variant>, DataPacket, OmittedTag>;
  Storage value_;
};

// A readable rendering for messages and test failures ("Null", "'abc'", "[1, 'x']", ...).
std::string DebugString(const Variant& value);

}  // namespace rtl
