#include "rtl/fault_point.h"

namespace rtl {

std::function<void(const std::string& step)> OnFaultPoint;

}  // namespace rtl
