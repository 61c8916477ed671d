#pragma once
// Checking the result variant of a data-module service (empty on success, a message text on
// failure).

#include "rtl/variant.h"

namespace VyrUtil {

// Returns normally for an empty result. A message text raises rtl::Exception with that text
// when `raise_on_error` is true; otherwise the text is returned. `code` is carried for callers
// that tell services apart and is otherwise unused.
rtl::Variant CheckResultServ(const rtl::Variant& result, bool raise_on_error, int code);

}  // namespace VyrUtil
