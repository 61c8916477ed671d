#include "vyrutil/translation.h"

namespace VyrUtil {

void Trad(const void* /*component*/) {}

}  // namespace VyrUtil
