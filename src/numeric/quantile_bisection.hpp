// The bisection shared by the quantiles of t, F and the studentized range.
//
// G is an upper-tail probability, decreasing in x, and S a start value. First the
// bracket grows: while G(S) > p (the quantile lies above S), S doubles, at most
// `maxDoublings` times. Then x starts at S and moves down by halving steps (S/2,
// S/4, …), accepting a midpoint whenever G(mid) ≤ p, until the step falls below 1e−4
// or G(mid) = p exactly. The result satisfies G(x) ≤ p and lies within 1e−4 above the
// quantile; a quantile beyond the largest bracket end is answered with that end
// (with no doublings, S itself is never evaluated). A non-positive p has no
// quantile: −1.
#pragma once

#include <cmath>

namespace sheetstat {

// At most 64 doublings: the bracket then ends at S·2^64 (1.8e20 for t), beyond which
// only t or F on very few degrees of freedom at probabilities below about 1e−20 lie,
// and a quantile costs at most about 150 evaluations of G.
inline constexpr int kMaxBracketDoublings = 64;

template <class UpperTail>
double BisectQuantile(double p, double start, UpperTail G, int maxDoublings = kMaxBracketDoublings)
{
    if (p <= 0.0) return -1.0;
    double x = start;
    for (int doubling = 0; doubling < maxDoublings && G(x) > p; ++doubling) x *= 2.0;
    double step = -x;
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
