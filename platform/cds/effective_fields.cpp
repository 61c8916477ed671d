#include "cds/effective_fields.h"

#include <algorithm>

#include "cds/field_values.h"
#include "rtl/variant.h"

namespace cds {

std::vector<rtl::FieldDef> FieldsToWrite(const rtl::DataPacket& packet) {
  std::vector<rtl::FieldDef> fields = packet.Fields();
  for (size_t f = 0; f < fields.size(); ++f) {
    rtl::FieldDef& def = fields[f];
    const bool sized = def.type == rtl::FieldType::String ||
                       def.type == rtl::FieldType::WideString || def.type == rtl::FieldType::Bytes;
    if (!sized) continue;
    size_t longest = 1;
    for (const rtl::Row& row : packet.Rows()) {
      const rtl::Variant& value = row[f];
      // Values that are no text fail later, with the row named; here they count as empty.
      if (value.IsEmptyOrNull() || value.IsArray() || value.IsPacket()) continue;
      longest = std::max(longest, StoredLength(def.type, value.AsString()));
    }
    def.size = std::max<int>(def.size, static_cast<int>(std::min<size_t>(longest, 1 << 30)));
  }
  return fields;
}

}  // namespace cds
