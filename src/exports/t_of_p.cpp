// nkTofP: the two-tailed critical value of Student's t, the t ≥ 0 with
// P[|T| ≥ t] ≈ p for T with df degrees of freedom (TQuantileCapped: bisection on
// [0, 10] to a step below 1e−4, answered with 10 when the true value lies above 10).
//
// Plain numbers in, a plain number out: no host arrays and no status. It runs no
// export frame, so it guards itself: the caller's floating-point environment is saved
// and restored around the computation (no flag raised inside, not even by a
// signalling NaN argument, reaches the caller, and no trap fires), the computation
// rounds to nearest whatever the caller's mode, and every exception is caught here.
// - p ≤ 0, df ≤ 0 or either argument NaN: no quantile exists, −1.
// - A failure inside (an iteration that does not converge): −1.
// - df below 1e−10 is taken as 1e−10: the quantile lies far above 10 there for any
//   p < 1 (10 is the answer), and ln Γ(ν/2) would divide by zero once ν/2 − 1 rounds
//   to −1. From 1e7 on, and for infinite df, the normal limit (see TQuantile).
#include <algorithm>
#include <cmath>

#include "frame/fpu_guard.hpp"
#include "numeric/distributions.hpp"
#include "sheetstat/sheetstat.h"

namespace {

constexpr double kSmallestDf = 1e-10;

double TwoTailedCriticalValue(double p, double df)
{
    if (std::isnan(p) || std::isnan(df)) return -1.0;
    if (p <= 0.0 || df <= 0.0) return -1.0;
    return sheetstat::TQuantileCapped(p, std::max(df, kSmallestDf));
}

}  // namespace

extern "C" SHEETSTAT_API double SHEETSTAT_CALL nkTofP(double p, double df)
{
    const sheetstat::FpuGuard guard;
    try {
        return TwoTailedCriticalValue(p, df);
    } catch (...) {
        return -1.0;
    }
}
