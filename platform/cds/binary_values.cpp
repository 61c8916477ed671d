// Field values of binary data packets, one layout per type code.
#include "cds/binary_values.h"

#include <cmath>
#include <cstring>

#include "cds/bcd.h"
#include "cds/day_time.h"
#include "cds/extended_float.h"
#include "rtl/text_codec.h"

namespace cds {

namespace {

// The reader and the column a value is read for.
struct Field {
  ByteReader& in;
  TypeWord type;
  const rtl::FieldDef& def;
};

[[noreturn]] void Fail(const Field& column, const std::string& what) {
  column.in.Fail("field '" + column.def.name + "': " + what);
}

std::string Utf16LeToUtf8(const std::string& bytes) {
  std::u16string wide(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                    static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
  }
  return rtl::WideToUtf8(wide);
}

std::string CutAtNul(std::string text) {
  const size_t end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  return text;
}

DayTime ReadCalendarRecord(const Field& column) {
  DayTime value;
  const auto year = static_cast<int16_t>(column.in.U16());
  const int month = column.in.U16(), day = column.in.U16();
  const int hour = column.in.U16(), minute = column.in.U16(), second = column.in.U16();
  const uint32_t msec = column.in.U32();
  if (!DayNumberOf(year, month, day, &value.day_number) || hour > 23 || minute > 59 ||
      second > 59 || msec > 999) {
    Fail(column, "invalid calendar date-time");
  }
  value.ms = ((hour * 60 + minute) * 60 + second) * int64_t{1000} + msec;
  return value;
}

rtl::Variant ReadText(const Field& column) {
  const TypeWord type = column.type;
  std::string bytes;
  if (type.Variable()) {
    bytes = column.in.Bytes(column.in.Unsigned(type.Size()), "field value");
  } else {
    bytes = column.in.Bytes(type.Size(), "field value");
  }
  switch (column.def.type) {
    case rtl::FieldType::String:
      return rtl::Variant(rtl::Cp1252ToUtf8(type.Variable() ? bytes : CutAtNul(bytes)));
    case rtl::FieldType::Memo:
      return rtl::Variant(rtl::Cp1252ToUtf8(bytes));
    case rtl::FieldType::WideString:
    case rtl::FieldType::WideMemo: {
      if (bytes.size() % 2 != 0) Fail(column, "odd byte count in a UTF-16 text");
      std::string text = Utf16LeToUtf8(bytes);
      return rtl::Variant(type.Variable() ? text : CutAtNul(text));
    }
    default:
      return rtl::Variant(bytes);
  }
}

rtl::Variant ReadNumber(const Field& column) {
  const size_t size = column.type.Size();
  switch (column.type.Code()) {
    case kCodeInt: {
      const uint64_t raw = column.in.Unsigned(size);
      if (size == 1) return rtl::Variant(int64_t{static_cast<int8_t>(raw)});
      if (size == 2) return rtl::Variant(int64_t{static_cast<int16_t>(raw)});
      if (size == 4) return rtl::Variant(int64_t{static_cast<int32_t>(raw)});
      return rtl::Variant(static_cast<int64_t>(raw));
    }
    case kCodeUInt: {
      const uint64_t raw = column.in.Unsigned(size);
      if (raw > static_cast<uint64_t>(INT64_MAX)) Fail(column, "unsigned value out of range");
      return rtl::Variant(static_cast<int64_t>(raw));
    }
    case kCodeBool:
      return rtl::Variant(column.in.Unsigned(size) != 0);
    case kCodeBcd:
    case kCodeFmtBcd: {
      const std::string bytes = column.in.Bytes(kBcdDiskSize, "BCD value");
      double value = 0;
      if (!DecodeBcd(reinterpret_cast<const unsigned char*>(bytes.data()), &value)) {
        Fail(column, "invalid BCD value");
      }
      return rtl::Variant(value);
    }
    default:
      break;  // FLOAT and SINGLE
  }
  const std::string bytes = column.in.Bytes(size, "floating-point value");
  if (size == 10)
    return rtl::Variant(DecodeExtended(reinterpret_cast<const unsigned char*>(bytes.data())));
  if (size == 4) {
    float single;
    std::memcpy(&single, bytes.data(), 4);
    return rtl::Variant(static_cast<double>(single));
  }
  double value;
  std::memcpy(&value, bytes.data(), 8);
  return rtl::Variant(value);
}

rtl::Variant ReadDateTime(const Field& column) {
  DayTime value;
  switch (column.type.Code()) {
    case kCodeDate: {
      const auto day = static_cast<int32_t>(column.in.U32());
      if (day == 0) return rtl::Variant::Null();  // an empty date
      if (day < 1 || day > kMaxDayNumber) Fail(column, "date out of range");
      value.day_number = day;
      break;
    }
    case kCodeTime: {
      const auto ms = static_cast<int32_t>(column.in.U32());
      if (ms < 0 || ms >= kMsPerDay) Fail(column, "time of day out of range");
      value.day_number = kDayNumberOfZero;
      value.ms = ms;
      break;
    }
    case kCodeTimeStamp: {
      double ms;
      const std::string bytes = column.in.Bytes(8, "date-time value");
      std::memcpy(&ms, bytes.data(), 8);
      if (ms == 0) return rtl::Variant::Null();  // an empty date-time
      if (!(ms >= kMsPerDay && ms < (kMaxDayNumber + 1.0) * kMsPerDay)) {
        Fail(column, "date-time out of range");
      }
      const int64_t total = std::llround(ms);
      value.day_number = total / kMsPerDay;
      value.ms = total % kMsPerDay;
      if (value.day_number > kMaxDayNumber) Fail(column, "date-time out of range");
      break;
    }
    default:
      value = ReadCalendarRecord(column);  // the 16-byte record
  }
  return rtl::Variant::FromDateTime(ToDateTime(value));
}

}  // namespace

rtl::Variant ReadBinaryValue(ByteReader& in, TypeWord type, const rtl::FieldDef& def) {
  const Field column{in, type, def};
  switch (column.type.Code()) {
    case kCodeZString:
    case kCodeUnicode:
    case kCodeBytes:
      return ReadText(column);
    case kCodeDate:
    case kCodeTime:
    case kCodeTimeStamp:
    case kCodeDateTime:
      return ReadDateTime(column);
    default:
      return ReadNumber(column);
  }
}

}  // namespace cds
