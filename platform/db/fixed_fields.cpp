#include "db/fixed_fields.h"

#include <strings.h>

#include "db/db_error.h"
#include "db/result_builder.h"
#include "rtl/variant.h"

namespace ado {

namespace {

size_t ColumnOf(const rtl::DataPacket& result, const std::string& name) {
  const std::vector<rtl::FieldDef>& columns = result.Fields();
  for (size_t i = 0; i < columns.size(); ++i) {
    if (strcasecmp(columns[i].name.c_str(), name.c_str()) == 0) return i;
  }
  throw EADOError("Field '" + name + "' not found");
}

rtl::Variant ConvertTo(const rtl::Variant& value, const rtl::FieldDef& field) {
  const rtl::FieldType type = field.type;
  if (value.IsEmptyOrNull()) return rtl::Variant::Null();
  if (rtl::IsBlobType(type)) return rtl::Variant(value.AsString());
  // A fixed text field holds at most its width, as the provider of such a field cuts it.
  if (rtl::IsTextType(type)) {
    std::string text = value.AsString();
    return rtl::Variant(field.size > 0 ? Utf8Prefix(text, field.size) : text);
  }
  if (rtl::IsIntegerType(type)) return rtl::Variant(value.AsInteger());
  if (rtl::IsFloatType(type)) return rtl::Variant(value.AsFloat());
  if (rtl::IsDateTimeType(type)) return rtl::Variant::FromDateTime(value.AsDateTime());
  if (type == rtl::FieldType::Boolean) return rtl::Variant(value.AsBoolean());
  return value;
}

}  // namespace

rtl::DataPacket FitToFields(const rtl::DataPacket& result,
                            const std::vector<rtl::FieldDef>& fields) {
  std::vector<size_t> sources;
  for (const rtl::FieldDef& field : fields) sources.push_back(ColumnOf(result, field.name));
  std::vector<rtl::Row> rows;
  rows.reserve(result.RowCount());
  for (const rtl::Row& source : result.Rows()) {
    rtl::Row row;
    row.reserve(fields.size());
    for (size_t f = 0; f < fields.size(); ++f) {
      row.push_back(ConvertTo(source[sources[f]], fields[f]));
    }
    rows.push_back(std::move(row));
  }
  return rtl::DataPacket(fields, std::move(rows));
}

}  // namespace ado
