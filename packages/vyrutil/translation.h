#pragma once
// Interface translation of screens and data modules. This installation is Portuguese only,
// so it leaves its argument unchanged.

namespace VyrUtil {

void Trad(const void* component);

}  // namespace VyrUtil
