#include "cds/cds_types.h"

namespace cds {

using rtl::FieldType;

namespace {

uint16_t StringPrefixSize(int width_bytes) {
  return width_bytes < 255 ? 1 : 2;
}

FieldType BlobTypeForSubtype(const std::string& subtype) {
  if (subtype == "Text") return FieldType::Memo;
  if (subtype == "WideText") return FieldType::WideMemo;
  if (subtype == "Graphics") return FieldType::Graphic;
  return FieldType::Blob;
}

bool IntegerType(int size, bool is_unsigned, const std::string& subtype, FieldType* result) {
  switch (size) {
    case 1:
      *result = is_unsigned ? FieldType::Byte : FieldType::Shortint;
      return true;
    case 2:
      *result = is_unsigned ? FieldType::Word : FieldType::Smallint;
      return true;
    case 4:
      if (is_unsigned) {
        *result = FieldType::LongWord;
      } else {
        *result = subtype == "Autoinc" ? FieldType::AutoInc : FieldType::Integer;
      }
      return true;
    case 8:
      *result = FieldType::Largeint;
      return true;
    default:
      return false;
  }
}

bool FloatType(int size, const std::string& subtype, FieldType* result) {
  switch (size) {
    case 4:
      *result = FieldType::Single;
      return true;
    case 8:
      *result = subtype == "Money" ? FieldType::Currency : FieldType::Float;
      return true;
    case 10:
      *result = FieldType::Extended;
      return true;
    default:
      return false;
  }
}

}  // namespace

TypeWord BinaryTypeOf(const rtl::FieldDef& def) {
  switch (def.type) {
    case FieldType::String:
      return TypeWord(kCodeZString, StringPrefixSize(def.size), true);
    case FieldType::WideString:
      return TypeWord(kCodeUnicode, StringPrefixSize(2 * def.size), true);
    case FieldType::Shortint:
      return TypeWord(kCodeInt, 1, false);
    case FieldType::Smallint:
      return TypeWord(kCodeInt, 2, false);
    case FieldType::Integer:
    case FieldType::AutoInc:
      return TypeWord(kCodeInt, 4, false);
    case FieldType::Largeint:
      return TypeWord(kCodeInt, 8, false);
    case FieldType::Byte:
      return TypeWord(kCodeUInt, 1, false);
    case FieldType::Word:
      return TypeWord(kCodeUInt, 2, false);
    case FieldType::LongWord:
      return TypeWord(kCodeUInt, 4, false);
    case FieldType::Boolean:
      return TypeWord(kCodeBool, 2, false);
    case FieldType::Float:
    case FieldType::Currency:
      return TypeWord(kCodeFloat, 8, false);
    case FieldType::Extended:
      return TypeWord(kCodeFloat, 10, false);
    case FieldType::Single:
      return TypeWord(kCodeSingle, 4, false);
    case FieldType::BCD:
      return TypeWord(kCodeBcd, kBcdDiskSize, false);
    case FieldType::FMTBcd:
      return TypeWord(kCodeFmtBcd, kBcdDiskSize, false);
    case FieldType::Date:
      return TypeWord(kCodeDate, 4, false);
    case FieldType::Time:
      return TypeWord(kCodeTime, 4, false);
    case FieldType::DateTime:
      return TypeWord(kCodeTimeStamp, 8, false);
    case FieldType::TimeStamp:
      return TypeWord(kCodeDateTime, 16, false);
    case FieldType::Bytes:
      return TypeWord(kCodeBytes, 2, true);
    case FieldType::Memo:
    case FieldType::WideMemo:
    case FieldType::Blob:
    case FieldType::Graphic:
      return TypeWord(kCodeBytes, 4, true);
  }
  return TypeWord(kCodeBytes, 4, true);
}

bool FieldTypeFromBinary(TypeWord type, const std::string& subtype, FieldType* result) {
  if (type.Array() || type.Composite()) return false;
  const int size = type.Size();
  switch (type.Code()) {
    case kCodeInt:
      return IntegerType(size, false, subtype, result);
    case kCodeUInt:
      return IntegerType(size, true, subtype, result);
    case kCodeBool:
      *result = FieldType::Boolean;
      return size == 1 || size == 2 || size == 4;
    case kCodeFloat:
      return FloatType(size, subtype, result);
    case kCodeSingle:
      *result = FieldType::Single;
      return size == 4;
    case kCodeBcd:
      *result = FieldType::BCD;
      return true;
    case kCodeFmtBcd:
      *result = FieldType::FMTBcd;
      return true;
    case kCodeDate:
      *result = FieldType::Date;
      return size == 4;
    case kCodeTime:
      *result = FieldType::Time;
      return size == 4;
    case kCodeTimeStamp:
      *result = FieldType::DateTime;
      return size == 8;
    case kCodeDateTime:
      *result = FieldType::TimeStamp;
      return size == 16;
    case kCodeZString:
      *result = FieldType::String;
      break;
    case kCodeUnicode:
      *result = FieldType::WideString;
      break;
    case kCodeBytes:
      *result = type.Variable() && size == 4 ? BlobTypeForSubtype(subtype) : FieldType::Bytes;
      break;
    default:
      return false;
  }
  // Variable-length values carry a length prefix of 1, 2 or 4 bytes; fixed ones need a size.
  if (type.Variable()) return size == 1 || size == 2 || size == 4;
  return size > 0;
}

const char* XmlTypeName(FieldType type) {
  switch (type) {
    case FieldType::String:
      return "string";
    case FieldType::WideString:
      return "string.uni";
    case FieldType::Shortint:
      return "i1";
    case FieldType::Smallint:
      return "i2";
    case FieldType::Integer:
    case FieldType::AutoInc:
      return "i4";
    case FieldType::Largeint:
      return "i8";
    case FieldType::Byte:
      return "ui1";
    case FieldType::Word:
      return "ui2";
    case FieldType::LongWord:
      return "ui4";
    case FieldType::Boolean:
      return "boolean";
    case FieldType::Float:
    case FieldType::Currency:
      return "r8";
    case FieldType::Extended:
      return "r10";
    case FieldType::Single:
      return "r4";
    case FieldType::BCD:
      return "fixed";
    case FieldType::FMTBcd:
      return "fixedFMT";
    case FieldType::Date:
      return "date";
    case FieldType::Time:
      return "time";
    case FieldType::DateTime:
      return "dateTime";
    case FieldType::TimeStamp:
      return "SQLdateTime";
    case FieldType::Memo:
    case FieldType::WideMemo:
    case FieldType::Blob:
    case FieldType::Graphic:
    case FieldType::Bytes:
      return "bin.hex";
  }
  return "bin.hex";
}

bool FieldTypeFromXml(const std::string& name, const std::string& subtype, FieldType* result) {
  struct Simple {
    const char* name;
    FieldType type;
  };
  static const Simple kSimple[] = {
      {"string", FieldType::String},     {"string.uni", FieldType::WideString},
      {"i1", FieldType::Shortint},       {"i2", FieldType::Smallint},
      {"i8", FieldType::Largeint},       {"ui1", FieldType::Byte},
      {"ui2", FieldType::Word},          {"ui4", FieldType::LongWord},
      {"ui8", FieldType::Largeint},      {"boolean", FieldType::Boolean},
      {"r4", FieldType::Single},         {"r10", FieldType::Extended},
      {"fixed", FieldType::BCD},         {"fixedFMT", FieldType::FMTBcd},
      {"date", FieldType::Date},         {"time", FieldType::Time},
      {"dateTime", FieldType::DateTime}, {"SQLdateTime", FieldType::TimeStamp},
  };
  for (const Simple& entry : kSimple) {
    if (name == entry.name) {
      *result = entry.type;
      return true;
    }
  }
  if (name == "i4") return IntegerType(4, false, subtype, result);
  if (name == "r8") return FloatType(8, subtype, result);
  if (name == "bin.hex") {
    *result = subtype.empty() ? FieldType::Bytes : BlobTypeForSubtype(subtype);
    return true;
  }
  return false;
}

std::string SubtypeToWrite(const rtl::FieldDef& def) {
  if (!def.subtype.empty()) return def.subtype;
  switch (def.type) {
    case FieldType::Currency:
      return "Money";
    case FieldType::AutoInc:
      return "Autoinc";
    case FieldType::Memo:
      return "Text";
    case FieldType::WideMemo:
      return "WideText";
    case FieldType::Graphic:
      return "Graphics";
    case FieldType::Blob:
      return "Binary";
    default:
      return "";
  }
}

int WidthToWrite(const rtl::FieldDef& def) {
  switch (def.type) {
    case FieldType::String:
    case FieldType::Bytes:
    case FieldType::BCD:
    case FieldType::FMTBcd:
      return def.size;
    case FieldType::WideString:
      return 2 * def.size;
    default:
      return 0;
  }
}

bool IsTextBlob(FieldType type) {
  return type == FieldType::Memo || type == FieldType::WideMemo;
}

}  // namespace cds
