#pragma once
// Bar codes of fiscal access keys.

#include <string>

namespace VyrUtil {

// Writes a Code 128 bar-code image of `chave` into `folder` (created with its parents when
// missing) and returns the image's path. Raises rtl::EInOutError on failure.
std::string CriaCodBarra(const std::string& chave, const std::string& folder);

}  // namespace VyrUtil
