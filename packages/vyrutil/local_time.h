#pragma once
// Local date-times as the fiscal documents write them.

#include <string>

#include "rtl/datetime.h"

namespace VyrUtil {

// The time zone of a branch that sets none (FILIAL.DSFUSOHORARIO).
inline constexpr const char* kFusoPadrao = "America/Sao_Paulo";

// The local date-time `quando` (rtl::Now() for the present) with the offset from UTC that the
// process's time zone has at that moment: "YYYY-MM-DDThh:mm:ss-03:00". Milliseconds are dropped.
std::string DataHoraComFuso(rtl::TDateTime quando);

// The moment `quando`, a local time of this host (as rtl::Now() gives it), as the clocks of the
// time zone `fuso` show it, with that zone's offset at that moment: "YYYY-MM-DDThh:mm:ss-03:00".
// `fuso` is a zone name of the system's zone database ("America/Manaus"); empty is kFusoPadrao.
// Raises rtl::EConvertError naming the zone and FILIAL.DSFUSOHORARIO when the zone is unknown
// or has daylight-saving rules beyond its table (no Brazilian zone has).
std::string DataHoraComFuso(rtl::TDateTime quando, const std::string& fuso);

// `dataHora` ("YYYY-MM-DDThh:mm:ss" followed by "Z" or "±hh:mm") as the same moment in `fuso`, as
// above. Raises rtl::EConvertError when `dataHora` is not in that form.
std::string DataHoraNoFuso(const std::string& dataHora, const std::string& fuso);

}  // namespace VyrUtil
