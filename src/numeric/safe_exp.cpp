// The guarded exponential and power.
//
//   SafeExp(x) = 0 for x < −200 (and for NaN), e^x for −200 ≤ x ≤ 200, 1e85 for x > 200
//   SafePow(x, y) = SafeExp(y·ln x) = x^y for x > 0
//
// Every exponential of the special functions goes through SafeExp, so that extreme
// arguments give 0 or a large finite number instead of an underflow or overflow.
// e^−200 ≈ 1.4e−87 and e^200 ≈ 7.2e86 are ordinary doubles, far from both ends of
// the range.
#include <cmath>

#include "numeric/math_functions.hpp"

namespace sheetstat {

double SafeExp(double x)
{
    if (!(x >= -200.0)) return 0.0;  // also NaN
    if (x <= 200.0) return std::exp(x);
    return 1e85;
}

double SafePow(double x, double y)
{
    return SafeExp(y * std::log(x));
}

}  // namespace sheetstat
