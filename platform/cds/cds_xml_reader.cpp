// Reader of the XML data packet.
#include <algorithm>
#include <charconv>
#include <iterator>
#include <pugixml.hpp>
#include <unordered_map>

#include "cds/base64.h"
#include "cds/cds_error.h"
#include "cds/cds_file.h"
#include "cds/cds_types.h"
#include "cds/change_log.h"
#include "cds/xml_datetime.h"
#include "cds/xml_encoding.h"
#include "rtl/text_codec.h"
#include "rtl/variant.h"

namespace cds {

namespace {

using rtl::FieldType;

std::string Trim(const char* text) {
  std::string result(text);
  const size_t first = result.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return result.substr(first, result.find_last_not_of(" \t\r\n") - first + 1);
}

template <typename Number>
bool ParseNumber(const char* text, Number* value) {
  std::string trimmed = Trim(text);
  if (!trimmed.empty() && trimmed[0] == '+') trimmed.erase(0, 1);
  const char* end = trimmed.data() + trimmed.size();
  const auto parsed = std::from_chars(trimmed.data(), end, *value);
  return !trimmed.empty() && parsed.ec == std::errc() && parsed.ptr == end;
}

bool IsTrue(const char* text) {
  return text[0] == 't' || text[0] == 'T';
}

class XmlReader {
 public:
  XmlReader(const std::string& bytes, const std::string& name) : bytes_(bytes), name_(name) {}

  rtl::DataPacket Read(CdsMetadata* metadata);

 private:
  void Parse();
  rtl::FieldDef ReadField(pugi::xml_node node) const;
  static CdsFieldMetadata ReadFieldMetadata(pugi::xml_node node, const rtl::FieldDef& def);
  std::vector<uint32_t> ReadChangeLog(pugi::xml_node params) const;
  StoredRow ReadRow(pugi::xml_node node, size_t number) const;
  rtl::Variant ParseValue(const rtl::FieldDef& def, const char* text, size_t row) const;
  bool ParseTyped(const rtl::FieldDef& def, const char* text, rtl::Variant* value) const;
  [[noreturn]] void Fail(const std::string& what) const { throw ECdsError(name_, what); }

  const std::string& bytes_;
  const std::string& name_;
  pugi::xml_document doc_;
  std::vector<rtl::FieldDef> fields_;
  std::unordered_map<std::string, size_t> field_index_;
};

rtl::DataPacket XmlReader::Read(CdsMetadata* kept) {
  Parse();
  const pugi::xml_node packet = doc_.child("DATAPACKET");
  if (!packet) Fail("no DATAPACKET element: not an XML client-dataset table file");
  const pugi::xml_node metadata = packet.child("METADATA");
  const pugi::xml_node fields = metadata.child("FIELDS");
  if (!fields) Fail("no METADATA/FIELDS element");
  if (kept != nullptr) *kept = CdsMetadata();
  for (pugi::xml_node node : fields.children("FIELD")) {
    fields_.push_back(ReadField(node));
    field_index_[fields_.back().name] = fields_.size() - 1;
    if (kept != nullptr) kept->fields.push_back(ReadFieldMetadata(node, fields_.back()));
  }
  if (kept != nullptr) {
    for (pugi::xml_attribute attribute : metadata.child("PARAMS").attributes()) {
      if (IsRowsProperty(attribute.name())) continue;
      kept->params.push_back(PropertyFromXml(attribute.name(), attribute.value()));
    }
  }
  const std::vector<uint32_t> change_log = ReadChangeLog(metadata.child("PARAMS"));
  const auto row_nodes = packet.child("ROWDATA").children("ROW");
  const auto row_count = static_cast<uint64_t>(std::distance(row_nodes.begin(), row_nodes.end()));
  if (row_count * std::max<size_t>(fields_.size(), 1) > kMaxStoredValues) {
    Fail("absurd count: " + std::to_string(row_count) + " rows of " +
         std::to_string(fields_.size()) + " fields");
  }
  std::vector<StoredRow> rows;
  rows.reserve(row_count);
  for (pugi::xml_node node : row_nodes) rows.push_back(ReadRow(node, rows.size() + 1));
  return rtl::DataPacket(fields_, ApplyChangeLog(std::move(rows), change_log, name_));
}

void XmlReader::Parse() {
  std::string encoding_name;
  const XmlEncoding encoding = DetectXmlEncoding(bytes_, &encoding_name);
  if (encoding == XmlEncoding::Unknown) Fail("unsupported encoding '" + encoding_name + "'");
  pugi::xml_parse_result result;
  // Only escapes are decoded: line breaks inside attribute values stay as written.
  const unsigned options = pugi::parse_escapes;
  if (encoding == XmlEncoding::Cp1252) {
    const std::string utf8 = rtl::Cp1252ToUtf8(bytes_);
    result = doc_.load_buffer(utf8.data(), utf8.size(), options, pugi::encoding_utf8);
  } else {
    const auto xml_encoding =
        encoding == XmlEncoding::Utf8 && bytes_.compare(0, 3, "\xEF\xBB\xBF") != 0
            ? pugi::encoding_utf8
            : pugi::encoding_auto;
    result = doc_.load_buffer(bytes_.data(), bytes_.size(), options, xml_encoding);
  }
  if (!result) {
    Fail(std::string("invalid XML: ") + result.description() + " (offset " +
         std::to_string(result.offset) + ")");
  }
}

rtl::FieldDef XmlReader::ReadField(pugi::xml_node node) const {
  rtl::FieldDef def;
  def.name = node.attribute("attrname").value();
  if (def.name.empty()) Fail("FIELD element without attrname");
  const std::string type_name = node.attribute("fieldtype").value();
  def.subtype = node.attribute("SUBTYPE").value();
  if (type_name == "nested") Fail("field '" + def.name + "': nested tables are not supported");
  if (!FieldTypeFromXml(type_name, def.subtype, &def.type)) {
    Fail("field '" + def.name + "': unknown field type '" + type_name + "'");
  }
  int width = -1;
  const pugi::xml_attribute width_attribute = node.attribute("WIDTH");
  if (width_attribute && (!ParseNumber(width_attribute.value(), &width) || width < 0)) {
    Fail("field '" + def.name + "': invalid WIDTH '" + width_attribute.value() + "'");
  }
  def.required = IsTrue(node.attribute("required").value());
  def.readonly = IsTrue(node.attribute("readonly").value());
  def.hidden = IsTrue(node.attribute("hidden").value());
  switch (def.type) {
    case FieldType::String:
    case FieldType::Bytes:
      def.size = std::max(width, 0);
      break;
    case FieldType::WideString:
      def.size = std::max(width, 0) / 2;
      break;
    case FieldType::BCD:
    case FieldType::FMTBcd:
      def.size = width >= 0 ? width : 32;
      if (!ParseNumber(node.attribute("DECIMALS").as_string("0"), &def.scale) || def.scale < 0) {
        Fail("field '" + def.name + "': invalid DECIMALS");
      }
      break;
    default:
      break;
  }
  return def;
}

CdsFieldMetadata XmlReader::ReadFieldMetadata(pugi::xml_node node, const rtl::FieldDef& def) {
  static const char* const kDescribed[] = {"attrname", "fieldtype", "required", "readonly",
                                           "hidden"};
  CdsFieldMetadata kept;
  for (pugi::xml_attribute attribute : node.attributes()) {
    const std::string name = attribute.name();
    if (std::find(std::begin(kDescribed), std::end(kDescribed), name) != std::end(kDescribed) ||
        IsDerivedFieldProperty(def, name)) {
      continue;
    }
    if (name == "linkfield") {
      if (IsTrue(attribute.value())) kept.other_attributes |= kAttrLinkField;
      continue;
    }
    kept.properties.push_back(PropertyFromXml(name, attribute.value()));
  }
  return kept;
}

std::vector<uint32_t> XmlReader::ReadChangeLog(pugi::xml_node params) const {
  std::vector<uint32_t> log;
  const std::string text = params.attribute("CHANGE_LOG").value();
  size_t pos = 0;
  while ((pos = text.find_first_not_of(' ', pos)) != std::string::npos) {
    const size_t end = std::min(text.find(' ', pos), text.size());
    uint32_t number;
    const auto parsed = std::from_chars(text.data() + pos, text.data() + end, number);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + end) {
      Fail("invalid CHANGE_LOG entry '" + text.substr(pos, end - pos) + "'");
    }
    log.push_back(number);
    pos = end;
  }
  return log;
}

StoredRow XmlReader::ReadRow(pugi::xml_node node, size_t number) const {
  StoredRow row;
  const pugi::xml_attribute state = node.attribute("RowState");
  if (state && !ParseNumber(state.value(), &row.status)) {
    Fail("row " + std::to_string(number) + ": invalid RowState '" + state.value() + "'");
  }
  row.values.assign(fields_.size(), rtl::Variant::Null());
  // In a modified row an omitted field keeps its original value; elsewhere it is NULL.
  if ((row.status & kRowModified) != 0) row.unchanged.assign(fields_.size(), true);
  for (pugi::xml_attribute attribute : node.attributes()) {
    const auto found = field_index_.find(attribute.name());
    if (found == field_index_.end()) continue;
    row.values[found->second] = ParseValue(fields_[found->second], attribute.value(), number);
    if (!row.unchanged.empty()) row.unchanged[found->second] = false;
  }
  return row;
}

rtl::Variant XmlReader::ParseValue(const rtl::FieldDef& def, const char* text, size_t row) const {
  rtl::Variant value;
  if (!ParseTyped(def, text, &value)) {
    Fail("row " + std::to_string(row) + ", field '" + def.name + "': '" + text +
         "' is not a valid " + rtl::FieldTypeName(def.type) + " value");
  }
  return value;
}

bool XmlReader::ParseTyped(const rtl::FieldDef& def, const char* text, rtl::Variant* value) const {
  if (rtl::IsTextType(def.type)) {
    *value = rtl::Variant(std::string(text));
    return true;
  }
  if (rtl::IsIntegerType(def.type)) {
    int64_t number;
    if (!ParseNumber(text, &number)) return false;
    *value = rtl::Variant(number);
    return true;
  }
  if (rtl::IsFloatType(def.type)) {
    double number;
    if (!ParseNumber(text, &number)) return false;
    *value = rtl::Variant(number);
    return true;
  }
  rtl::TDateTime when = 0;
  switch (def.type) {
    case FieldType::Boolean:
      *value = rtl::Variant(IsTrue(text));
      return true;
    case FieldType::Date:
      if (!ParseXmlDate(text, &when)) return false;
      break;
    case FieldType::Time:
      if (!ParseXmlTime(text, &when)) return false;
      break;
    case FieldType::DateTime:
    case FieldType::TimeStamp:
      if (!ParseXmlDateTime(text, &when)) return false;
      break;
    default: {
      std::string bytes;
      if (!Base64Decode(text, &bytes)) return false;
      *value = rtl::Variant(std::move(bytes));
      return true;
    }
  }
  *value = rtl::Variant::FromDateTime(when);
  return true;
}

}  // namespace

rtl::DataPacket ReadCdsXml(const std::string& bytes, const std::string& name_for_errors,
                           CdsMetadata* metadata) {
  return XmlReader(bytes, name_for_errors).Read(metadata);
}

}  // namespace cds
