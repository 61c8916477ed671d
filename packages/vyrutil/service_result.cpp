#include "vyrutil/service_result.h"

#include "rtl/errors.h"
#include "vyrutil/strings.h"

namespace VyrUtil {

rtl::Variant CheckResultServ(const rtl::Variant& result, bool raise_on_error, int /*code*/) {
  // Services report success as an empty result and failure as the failure's message text; any
  // other value (a packet, a number) is a successful answer.
  if (!result.IsString()) return result;
  const std::string text = result.AsString();
  if (EmptyString(text)) return result;
  if (raise_on_error) throw rtl::Exception(text);
  return result;
}

}  // namespace VyrUtil
