#pragma once
// Local date-times as the fiscal documents write them.

#include <string>

#include "rtl/datetime.h"

namespace VyrUtil {

// The local date-time `quando` (rtl::Now() for the present) with the offset from UTC that the
// process's time zone has at that moment: "YYYY-MM-DDThh:mm:ss-03:00". Milliseconds are dropped.
std::string DataHoraComFuso(rtl::TDateTime quando);

}  // namespace VyrUtil
