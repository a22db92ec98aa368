// The bound on the iterations of the incomplete gamma and beta functions.
//
// Their series and continued fractions need on the order of √a terms where the
// argument lies near the centre of the distribution (at most about 9.1·√a for the
// gamma series, 4·√a for the gamma fraction, 0.6·√max(a, b) for the beta fraction,
// and fewer than 100 for any shape below 1), so the bound grows with the root of the
// largest shape, with a margin of more than 1.3 over the most seen, and stops at
// 2^24 steps (about a quarter of a second), which shapes up to about 2e12 stay
// within. An iteration that reaches the bound has not converged: the functions
// report a numerical failure (Status 7) rather than return a value they cannot
// vouch for.
#pragma once

#include <cmath>

namespace sheetstat {

inline long IterationLimit(double largestShape)
{
    constexpr double kBase = 200.0;
    constexpr double kPerRoot = 12.0;
    constexpr double kCeiling = 16777216.0;  // 2^24
    const double limit = kBase + kPerRoot * std::sqrt(largestShape);
    return static_cast<long>(limit < kCeiling ? limit : kCeiling);  // NaN also takes the ceiling
}

}  // namespace sheetstat
