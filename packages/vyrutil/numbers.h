#pragma once
// Number helpers of the shared utility package.

namespace VyrUtil {

// The value cut (towards zero) to two decimal places, after removing binary representation
// error: 0.29 (stored as 0.28999999999999998) gives 0.29, not 0.28.
double Trunc2(double value);

}  // namespace VyrUtil
