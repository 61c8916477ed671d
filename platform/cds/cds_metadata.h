#pragma once
// What a table file says beyond its fields' names, types, sizes and hidden/readonly/required
// flags: the packet's properties (the PARAMS of the XML form: default order, primary key,
// locale, ...) and each field's other attributes and properties. Readers fill it and writers
// store it again, so converting a file between its two forms loses none of it.

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/field_def.h"

namespace cds {

struct CdsProperty {
  std::string name;
  // The binary type word; 0 for a property read from XML, whose type the binary writer picks
  // by name: WIDTH and DECIMALS 2-byte numbers, DEFAULT_ORDER and PRIMARY_KEY arrays of 2-byte
  // field numbers, other numbers (LCID) 4-byte integers, arrays when several; anything else a
  // text.
  uint32_t type = 0;
  std::vector<int64_t> numbers;  // integral and boolean values, array elements in order
  std::string text;              // a text value (UTF-8); from XML, the attribute as written
  std::string raw;               // the value as a binary file stores it, when read from one
};

struct CdsFieldMetadata {
  // Attribute bits of the binary descriptor beyond hidden, readonly and required (8: link
  // field; others are kept as they are).
  uint16_t other_attributes = 0;
  // Properties that the field description does not carry already.
  std::vector<CdsProperty> properties;
};

struct CdsMetadata {
  // Packet properties; the change log is not among them (it is applied on reading).
  std::vector<CdsProperty> params;
  // One per field of the packet, in order; empty when there is nothing to keep.
  std::vector<CdsFieldMetadata> fields;
};

// The link-field attribute bit, written as linkfield="true" in XML.
constexpr uint16_t kAttrLinkField = 0x08;

// Whether the writers derive this field property from the field description (WIDTH of
// strings, bytes and BCD, DECIMALS of BCD, SUBTYPE, FIELDNAME): such a property is not kept.
bool IsDerivedFieldProperty(const rtl::FieldDef& def, const std::string& name);
// Whether a packet property describes the stored rows (CHANGE_LOG, DATASET_DELTA): the
// readers apply it and the writers store rows without one, so it is not kept.
bool IsRowsProperty(const std::string& name);

// The attribute text of a property in the XML form: numbers separated by blanks, else the text.
std::string XmlPropertyText(const CdsProperty& property);
// A property from an XML attribute.
CdsProperty PropertyFromXml(const std::string& name, const std::string& text);
// The binary encoding of a property: name, type word and value.
std::string EncodeBinaryProperty(const CdsProperty& property);

}  // namespace cds
