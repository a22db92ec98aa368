// nkTofP: the two-tailed critical value of Student's t, the t ≥ 0 with
// P[|T| ≥ t] ≈ p for T with df degrees of freedom (TQuantile: bisection on [0, 10]
// to a step below 1e−4, answered with 10 when the true value lies above 10).
//
// Plain numbers in, a plain number out: no host arrays, no status and no call frame,
// so it runs in the caller's floating-point environment and must raise nothing there.
// - p ≤ 0, df ≤ 0 or either argument NaN: no quantile exists, −1. The NaN test comes
//   first and raises nothing, so no ordered comparison ever sees a NaN.
// - df is held within [1e−10, 1e10]. Above 1e10 the differences of ln Γ at ν/2 that
//   make up the t probability lose all their digits (df = 1e15 would give 0.43 for
//   p = 0.05), while the t quantiles there equal the normal ones to better than 1e−9;
//   infinite df is the normal distribution itself. Below 1e−10 the quantile lies far
//   above 10 for any p < 1 (10 is the answer), and ln Γ(ν/2) would divide by zero
//   once ν/2 − 1 rounds to −1.
#include <algorithm>
#include <cmath>

#include "numeric/distributions.hpp"
#include "sheetstat/sheetstat.h"

namespace {

constexpr double kSmallestDf = 1e-10;
constexpr double kLargestDf = 1e10;

}  // namespace

extern "C" SHEETSTAT_API double SHEETSTAT_CALL nkTofP(double p, double df)
{
    if (std::isnan(p) || std::isnan(df)) return -1.0;
    if (p <= 0.0 || df <= 0.0) return -1.0;
    return sheetstat::TQuantile(p, std::clamp(df, kSmallestDf, kLargestDf));
}
