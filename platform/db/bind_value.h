#pragma once
// What a parameter's value becomes when it is bound. Private to the database layer.

#include "db/parameters.h"
#include "rtl/variant.h"

namespace ado {

// The value to bind for `param`: Null (never bound, Empty or Null), Integer, Float, String or
// DateTime, after the declared type:
// - String: the value's text; a date-time stays a date-time (it is stored in its own form).
// - Integer / Float: the value as a number ("0" binds 0); a non-numeric text raises
//   rtl::EConvertError.
// - DateTime: the value as a date-time (texts "YYYY-MM-DD[ HH:MM:SS]" or "dd/mm/yyyy ...").
// - Unknown: the value's own type; booleans bind as 1 or 0.
// Texts are never cut to the declared size.
rtl::Variant BindableValue(const TParameter& param);

}  // namespace ado
