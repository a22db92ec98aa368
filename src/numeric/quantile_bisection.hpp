// The bisection shared by the quantiles of t, F and the studentized range.
//
// G is an upper-tail probability, decreasing in x. Starting from the bracket end S,
// x moves down by halving steps (S/2, S/4, …) and accepts a midpoint whenever
// G(mid) ≤ p, until the step falls below 1e−4 or G(mid) = p exactly. The result
// lies in [0, S] and satisfies G(x) ≤ p, except that S itself is never evaluated:
// a quantile above S is answered with S. A non-positive p has no quantile: −1.
#pragma once

#include <cmath>

namespace sheetstat {

template <class UpperTail>
double BisectQuantile(double p, double start, UpperTail G)
{
    if (p <= 0.0) return -1.0;
    double x = start;
    double step = -start;
    for (;;) {
        step /= 2.0;
        const double mid = x + step;
        const double f = G(mid) - p;
        if (f <= 0.0) x = mid;
        if (std::fabs(step) < 0.0001 || f == 0.0) break;
    }
    return x;
}

}  // namespace sheetstat
