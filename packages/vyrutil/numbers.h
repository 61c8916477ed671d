#pragma once
// Number helpers of the shared utility package.

namespace VyrUtil {

// The value cut (towards zero) to two decimal places, after removing binary representation
// error: 0.29 (stored as 0.28999999999999998) gives 0.29, not 0.28.
double Trunc2(double value);

// The value rounded to two decimal places as a receipt rounds money: half a cent goes away from
// zero, judged on the decimal value rather than on its binary approximation, so 1.005 (stored
// as 1.00499999999999989) gives 1.01 and -0.125 gives -0.13. Values without cents (beyond 1e15,
// infinities, NaN) are returned unchanged.
double Arredonda2(double value);

}  // namespace VyrUtil
