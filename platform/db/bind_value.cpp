#include "db/bind_value.h"

namespace ado {

namespace {

rtl::Variant OwnType(const rtl::Variant& value) {
  switch (value.Type()) {
    case rtl::VarType::Boolean:
      return rtl::Variant(static_cast<int64_t>(value.AsBoolean() ? 1 : 0));
    case rtl::VarType::Integer:
    case rtl::VarType::Float:
    case rtl::VarType::String:
    case rtl::VarType::DateTime:
      return value;
    default:
      return rtl::Variant(value.AsString());  // raises for arrays and packets
  }
}

}  // namespace

rtl::Variant BindableValue(const TParameter& param) {
  const rtl::Variant& value = param.Value();
  if (value.IsEmptyOrNull() || value.Type() == rtl::VarType::Omitted) return rtl::Variant::Null();
  switch (param.DataType()) {
    case ParamType::String:
      if (value.Type() == rtl::VarType::DateTime) return value;
      return rtl::Variant(value.AsString());
    case ParamType::Integer:
      return rtl::Variant(value.AsInteger());
    case ParamType::Float:
      return rtl::Variant(value.AsFloat());
    case ParamType::DateTime:
      return rtl::Variant::FromDateTime(value.AsDateTime());
    case ParamType::Unknown:
      break;
  }
  return OwnType(value);
}

}  // namespace ado
