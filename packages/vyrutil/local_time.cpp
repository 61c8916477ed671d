#include "vyrutil/local_time.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace VyrUtil {
namespace {

// The zone's offset in minutes at the local time `partes`. mktime decides daylight saving
// itself (tm_isdst -1); localtime_r then reports the offset in force.
long MinutosDoFuso(const rtl::DateTimeParts& partes) {
  std::tm local{};
  local.tm_year = partes.year - 1900;
  local.tm_mon = partes.month - 1;
  local.tm_mday = partes.day;
  local.tm_hour = partes.hour;
  local.tm_min = partes.minute;
  local.tm_sec = partes.second;
  local.tm_isdst = -1;
  const std::time_t instante = std::mktime(&local);
  std::tm resolvido{};
  localtime_r(&instante, &resolvido);
  return resolvido.tm_gmtoff / 60;
}

}  // namespace

std::string DataHoraComFuso(rtl::TDateTime quando) {
  rtl::DateTimeParts partes = rtl::DecodeDateTime(quando);
  // Rounding to the millisecond may give 999; the second itself is what the document shows.
  partes.msec = 0;
  const long minutos = MinutosDoFuso(partes);
  char texto[48];
  std::snprintf(texto, sizeof texto, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", partes.year,
                partes.month, partes.day, partes.hour, partes.minute, partes.second,
                minutos < 0 ? '-' : '+', std::labs(minutos) / 60, std::labs(minutos) % 60);
  return texto;
}

}  // namespace VyrUtil
