// Writer of the XML data packet, declared as UTF-8, without a change log.
#include <cctype>
#include <charconv>
#include <pugixml.hpp>
#include <sstream>

#include "cds/base64.h"
#include "cds/cds_error.h"
#include "cds/cds_file.h"
#include "cds/cds_types.h"
#include "cds/effective_fields.h"
#include "cds/field_values.h"
#include "cds/xml_datetime.h"
#include "rtl/variant.h"

namespace cds {

namespace {

using rtl::FieldType;

// Field names become attribute names of ROW elements, so they must be XML names.
bool IsXmlName(const std::string& name) {
  if (name.empty()) return false;
  const unsigned char first = static_cast<unsigned char>(name[0]);
  if (first == '-' || first == '.' || (first >= '0' && first <= '9')) return false;
  for (unsigned char c : name) {
    const bool allowed =
        c >= 0x80 || std::isalnum(c) || c == '_' || c == '-' || c == '.' || c == ':';
    if (!allowed) return false;
  }
  return true;
}

// Kept properties become attributes; one the XML form cannot show is left out.
void AddProperties(pugi::xml_node node, const std::vector<CdsProperty>& properties,
                   const std::string& name_for_errors) {
  for (const CdsProperty& property : properties) {
    const std::string text = XmlPropertyText(property);
    if (!IsXmlName(property.name)) {
      throw ECdsError(name_for_errors, "property name '" + property.name + "' is not an XML name");
    }
    if (property.type != 0 && property.numbers.empty() && !TypeWord(property.type).Variable()) {
      continue;  // a floating-point or other fixed value of a binary file: no text form
    }
    node.append_attribute(property.name.c_str()) = text.c_str();
  }
}

void AddField(pugi::xml_node fields, const rtl::FieldDef& def, const CdsFieldMetadata* kept,
              const std::string& name_for_errors) {
  pugi::xml_node node = fields.append_child("FIELD");
  node.append_attribute("attrname") = def.name.c_str();
  node.append_attribute("fieldtype") = XmlTypeName(def.type);
  if (def.required) node.append_attribute("required") = "true";
  if (def.readonly) node.append_attribute("readonly") = "true";
  if (def.hidden) node.append_attribute("hidden") = "true";
  const std::string subtype = SubtypeToWrite(def);
  if (!subtype.empty()) node.append_attribute("SUBTYPE") = subtype.c_str();
  const int width = WidthToWrite(def);
  if (width > 0) node.append_attribute("WIDTH") = width;
  if (def.type == FieldType::BCD || def.type == FieldType::FMTBcd) {
    node.append_attribute("DECIMALS") = def.scale;
  }
  if (kept == nullptr) return;
  if ((kept->other_attributes & kAttrLinkField) != 0) node.append_attribute("linkfield") = "true";
  AddProperties(node, kept->properties, name_for_errors);
}

std::string DateTimeText(const rtl::FieldDef& def, const rtl::Variant& value,
                         const std::string& context) {
  const rtl::TDateTime when = DateTimeToWrite(value, context);
  std::string text;
  bool ok;
  switch (def.type) {
    case FieldType::Date:
      ok = FormatXmlDate(when, &text);
      break;
    case FieldType::Time:
      ok = FormatXmlTime(when, &text);
      break;
    default:
      ok = FormatXmlDateTime(when, &text);
      break;
  }
  if (!ok) throw ECdsError(context, "date-time outside years 1-9999");
  return text;
}

std::string ValueText(const rtl::FieldDef& def, const rtl::Variant& value,
                      const std::string& context) {
  if (rtl::IsTextType(def.type)) {
    std::string text = TextToWrite(value, context);
    if (text.find('\0') != std::string::npos) {
      throw ECdsError(context, "a text with a NUL character cannot be stored in XML");
    }
    return text;
  }
  if (rtl::IsIntegerType(def.type)) return std::to_string(IntegerToWrite(def, value, context));
  if (def.type == FieldType::Single) {
    // The double of the single, so that reading the file back gives the same double.
    return DecimalText(static_cast<double>(static_cast<float>(FloatToWrite(value, context))));
  }
  if (rtl::IsFloatType(def.type)) return DecimalText(FloatToWrite(value, context));
  if (def.type == FieldType::Boolean) return BooleanToWrite(value, context) ? "TRUE" : "FALSE";
  if (rtl::IsDateTimeType(def.type)) return DateTimeText(def, value, context);
  return Base64Encode(TextToWrite(value, context));
}

}  // namespace

std::string WriteCdsXml(const rtl::DataPacket& packet, const std::string& name_for_errors,
                        const CdsMetadata* metadata) {
  const std::vector<rtl::FieldDef> fields = FieldsToWrite(packet);
  pugi::xml_document doc;
  pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "UTF-8";
  declaration.append_attribute("standalone") = "yes";
  pugi::xml_node root = doc.append_child("DATAPACKET");
  root.append_attribute("Version") = "2.0";
  pugi::xml_node metadata_node = root.append_child("METADATA");
  pugi::xml_node field_nodes = metadata_node.append_child("FIELDS");
  for (size_t f = 0; f < fields.size(); ++f) {
    if (!IsXmlName(fields[f].name)) {
      throw ECdsError(name_for_errors, "field name '" + fields[f].name + "' is not an XML name");
    }
    const bool kept = metadata != nullptr && f < metadata->fields.size();
    AddField(field_nodes, fields[f], kept ? &metadata->fields[f] : nullptr, name_for_errors);
  }
  pugi::xml_node params = metadata_node.append_child("PARAMS");
  if (metadata != nullptr) AddProperties(params, metadata->params, name_for_errors);
  pugi::xml_node rows = root.append_child("ROWDATA");
  for (size_t r = 0; r < packet.RowCount(); ++r) {
    pugi::xml_node row = rows.append_child("ROW");
    for (size_t f = 0; f < fields.size(); ++f) {
      const rtl::Variant& value = packet.Value(r, f);
      if (value.IsEmptyOrNull()) continue;  // an omitted attribute is a NULL
      const std::string context =
          name_for_errors + ": field '" + fields[f].name + "', row " + std::to_string(r + 1);
      row.append_attribute(fields[f].name.c_str()) = ValueText(fields[f], value, context).c_str();
    }
  }
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return out.str();
}

}  // namespace cds
