#include "db/result_builder.h"

#include <algorithm>

#include "rtl/datetime.h"

namespace ado {

namespace {

ColumnKind KindOfValue(const rtl::Variant& value) {
  switch (value.Type()) {
    case rtl::VarType::Integer:
    case rtl::VarType::Float:
    case rtl::VarType::Boolean:
      return ColumnKind::Number;
    case rtl::VarType::DateTime:
      return ColumnKind::DateTime;
    default:
      return ColumnKind::Text;
  }
}

bool IsBlankText(const rtl::Variant& value) {
  return value.IsString() && value.AsString().find_first_not_of(" \t\r\n") == std::string::npos;
}

rtl::Variant ConvertCell(const rtl::Variant& cell, ColumnKind kind) {
  if (cell.IsEmptyOrNull()) return rtl::Variant::Null();
  switch (kind) {
    case ColumnKind::Number:
      if (IsBlankText(cell)) return rtl::Variant::Null();
      return rtl::Variant(cell.AsFloat());
    case ColumnKind::DateTime:
      if (IsBlankText(cell)) return rtl::Variant::Null();
      if (cell.IsString())
        return rtl::Variant::FromDateTime(rtl::ParseSqlDateTime(cell.AsString()));
      return rtl::Variant::FromDateTime(cell.AsDateTime());
    default:
      if (cell.Type() == rtl::VarType::DateTime) {
        return rtl::Variant(rtl::FormatSqlDateTime(cell.AsDateTime()));
      }
      return cell.IsString() ? cell : rtl::Variant(cell.AsString());
  }
}

rtl::FieldType FieldTypeOf(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::Number:
      return rtl::FieldType::Float;
    case ColumnKind::DateTime:
      return rtl::FieldType::DateTime;
    default:
      return rtl::FieldType::String;
  }
}

}  // namespace

int Utf8Length(const std::string& text) {
  int count = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string Utf8Prefix(const std::string& text, int characters) {
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    // The cut falls before the lead byte of the first character past the limit.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count++ == characters) {
      return text.substr(0, i);
    }
  }
  return text;
}

ResultBuilder::ResultBuilder(std::vector<ColumnSpec> columns) : columns_(std::move(columns)) {}

void ResultBuilder::AddRow(rtl::Row cells) {
  rows_.push_back(std::move(cells));
}

void ResultBuilder::ResolveKinds() {
  for (size_t c = 0; c < columns_.size(); ++c) {
    if (columns_[c].kind != ColumnKind::Unknown) continue;
    columns_[c].kind = ColumnKind::Text;  // a column of NULLs only
    for (const rtl::Row& row : rows_) {
      if (!row[c].IsEmptyOrNull()) {
        columns_[c].kind = KindOfValue(row[c]);
        break;
      }
    }
  }
}

rtl::DataPacket ResultBuilder::Build() {
  ResolveKinds();
  for (rtl::Row& row : rows_) {
    for (size_t c = 0; c < columns_.size(); ++c) row[c] = ConvertCell(row[c], columns_[c].kind);
  }
  std::vector<rtl::FieldDef> fields;
  for (size_t c = 0; c < columns_.size(); ++c) {
    rtl::FieldDef field;
    field.name = columns_[c].name;
    field.type = FieldTypeOf(columns_[c].kind);
    if (field.type == rtl::FieldType::String) {
      field.size = columns_[c].width;
      if (field.size <= 0) {
        field.size = 1;
        for (const rtl::Row& row : rows_) {
          if (row[c].IsString()) field.size = std::max(field.size, Utf8Length(row[c].AsString()));
        }
      }
    }
    fields.push_back(std::move(field));
  }
  return rtl::DataPacket(std::move(fields), std::move(rows_));
}

}  // namespace ado
