// Probabilities as reported: a value computed by series, continued fractions or
// differences can stray past 0 or 1 by a rounding error; a reported probability never does.
#pragma once

namespace sheetstat {

// p held within [0, 1]; NaN passes through unchanged.
inline double ClampProbability(double p) noexcept
{
    if (p < 0) return 0;
    if (p > 1) return 1;
    return p;
}

}  // namespace sheetstat
