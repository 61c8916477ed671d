#include "cds/cds_metadata.h"

#include <charconv>

#include "cds/cds_types.h"
#include "rtl/text_codec.h"

namespace cds {

namespace {

using rtl::FieldType;

void Append(std::string* out, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) out->push_back(static_cast<char>(value >> (8 * i)));
}

// Blank-separated integers, or false.
bool ParseNumbers(const std::string& text, std::vector<int64_t>* numbers) {
  size_t pos = 0;
  while ((pos = text.find_first_not_of(' ', pos)) != std::string::npos) {
    const size_t end = std::min(text.find(' ', pos), text.size());
    int64_t number;
    const auto parsed = std::from_chars(text.data() + pos, text.data() + end, number);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + end) return false;
    numbers->push_back(number);
    pos = end;
  }
  return !numbers->empty();
}

// The type word a property read from XML is stored with.
TypeWord TypeForXmlProperty(const CdsProperty& property) {
  if (property.numbers.empty()) return TypeWord(kCodeZString, 2, true);
  if (property.name == "DEFAULT_ORDER" || property.name == "PRIMARY_KEY") {
    return TypeWord(TypeWord(kCodeUInt, 2, false).raw | TypeWord::kArray);
  }
  if (property.name == "WIDTH" || property.name == "DECIMALS") return TypeWord(kCodeUInt, 2, false);
  if (property.numbers.size() == 1) return TypeWord(kCodeInt, 4, false);
  return TypeWord(TypeWord(kCodeInt, 4, false).raw | TypeWord::kArray);
}

}  // namespace

bool IsDerivedFieldProperty(const rtl::FieldDef& def, const std::string& name) {
  if (name == "SUBTYPE" || name == "FIELDNAME") return true;
  const bool bcd = def.type == FieldType::BCD || def.type == FieldType::FMTBcd;
  if (name == "DECIMALS") return bcd;
  if (name == "WIDTH") return WidthToWrite(def) > 0 || bcd;
  return false;
}

bool IsRowsProperty(const std::string& name) {
  return name == "CHANGE_LOG" || name == "DATASET_DELTA";
}

std::string XmlPropertyText(const CdsProperty& property) {
  if (property.numbers.empty()) return property.text;
  std::string text;
  for (int64_t number : property.numbers)
    text += (text.empty() ? "" : " ") + std::to_string(number);
  return text;
}

CdsProperty PropertyFromXml(const std::string& name, const std::string& text) {
  CdsProperty property;
  property.name = name;
  if (!ParseNumbers(text, &property.numbers)) {
    property.numbers.clear();
    property.text = text;
  }
  return property;
}

std::string EncodeBinaryProperty(const CdsProperty& property) {
  std::string out;
  const std::string name = rtl::Utf8ToCp1252(property.name).substr(0, 255);
  Append(&out, name.size(), 1);
  out += name;
  if (property.type != 0) {  // read from a binary file: stored as it was
    Append(&out, property.type, 4);
    return out + property.raw;
  }
  const TypeWord type = TypeForXmlProperty(property);
  Append(&out, type.raw, 4);
  if (property.numbers.empty()) {
    const std::string text = rtl::Utf8ToCp1252(property.text).substr(0, 0xFFFE) + '\0';
    Append(&out, text.size(), 2);
    return out + text;
  }
  if (type.Array()) Append(&out, property.numbers.size(), 4);
  for (int64_t number : property.numbers) Append(&out, static_cast<uint64_t>(number), type.Size());
  return out;
}

}  // namespace cds
