#pragma once
// How field types are described in table files: the binary type word with its type codes, and
// the XML fieldtype names. Shared by the readers and writers of both forms.

#include <cstdint>
#include <string>

#include "rtl/field_def.h"

namespace cds {

enum TypeCode : int {
  kCodeInt = 1,
  kCodeUInt = 2,
  kCodeBool = 3,
  kCodeFloat = 4,
  kCodeBcd = 5,
  kCodeDate = 6,
  kCodeTime = 7,
  kCodeTimeStamp = 8,  // double: day number x 86,400,000 + milliseconds
  kCodeZString = 9,
  kCodeUnicode = 10,
  kCodeBytes = 11,
  kCodeNested = 14,
  kCodeDateTime = 17,  // 16-byte calendar record
  kCodeFmtBcd = 18,
  kCodeSingle = 27,
};

// Bytes a BCD value occupies on disk, whatever size its descriptor declares.
constexpr size_t kBcdDiskSize = 18;

// Rows times fields a file may hold. A NULL costs two bits in a binary file and a few bytes in
// an XML file but a whole variant (about 40 bytes) in memory; the cap keeps a small hostile
// file from claiming more than a few hundred megabytes. Real table files hold a few thousand
// values.
constexpr uint64_t kMaxStoredValues = uint64_t{1} << 22;

// The 32-bit type word of field descriptors and properties.
struct TypeWord {
  static constexpr uint32_t kVariable = 0x00400000;
  static constexpr uint32_t kArray = 0x00800000;
  static constexpr uint32_t kComposite = 0x01000000;
  static constexpr uint32_t kNestedTable = 0x04000000;

  explicit TypeWord(uint32_t raw) : raw(raw) {}
  TypeWord(int code, uint16_t size, bool variable)
      : raw(size | (static_cast<uint32_t>(code) << 16) | (variable ? kVariable : 0)) {}

  uint16_t Size() const { return static_cast<uint16_t>(raw & 0xFFFF); }
  int Code() const { return static_cast<int>((raw >> 16) & 0x3F); }
  bool Variable() const { return (raw & kVariable) != 0; }
  bool Array() const { return (raw & kArray) != 0; }
  bool Composite() const { return (raw & (kComposite | kNestedTable)) != 0; }

  uint32_t raw;
};

// The type word the binary writer uses for a field.
TypeWord BinaryTypeOf(const rtl::FieldDef& def);
// The field type for a binary column, or false for a type this reader does not support.
// `width` is the WIDTH property (0 when absent).
bool FieldTypeFromBinary(TypeWord type, const std::string& subtype, rtl::FieldType* result);

// The XML fieldtype name of a field type ("string", "r8", "bin.hex", ...).
const char* XmlTypeName(rtl::FieldType type);
// The field type for an XML fieldtype name and SUBTYPE, or false for an unknown name.
bool FieldTypeFromXml(const std::string& name, const std::string& subtype, rtl::FieldType* result);

// The SUBTYPE writers store when the field description carries none ("" for most types).
std::string SubtypeToWrite(const rtl::FieldDef& def);
// The WIDTH property writers store (0: none), in bytes for wide strings.
int WidthToWrite(const rtl::FieldDef& def);
// Whether a Memo-like blob holds text rather than base64 in XML files.
bool IsTextBlob(rtl::FieldType type);

}  // namespace cds
