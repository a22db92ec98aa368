// Pearson's r of a pair of columns with pairwise deletion of empty cells, and its
// t test (see the header).
#include "analyses/regression/correlate_pair.hpp"

#include <cmath>
#include <cstddef>

#include "frame/markers.hpp"
#include "numeric/cross_moments.hpp"
#include "numeric/math_functions.hpp"

namespace sheetstat {

PairCorrelation CorrelatePair(std::size_t n, const double* x, const double* y)
{
    CrossMomentsAccumulator sums;
    for (std::size_t k = 0; k < n; ++k) {
        const bool xPresent = !IsMissing(x[k]), yPresent = !IsMissing(y[k]);
        if (xPresent) RequireFinite(x[k]);
        if (yPresent) RequireFinite(y[k]);
        if (xPresent && yPresent) sums.Add(x[k], y[k]);
    }
    PairCorrelation pair;
    if (sums.count() == 0) return pair;
    sums.EndFirstPass();
    for (std::size_t k = 0; k < n; ++k) {
        if (!IsMissing(x[k]) && !IsMissing(y[k])) sums.AddSecond(x[k], y[k]);
    }
    pair.r = sums.Correlation();
    pair.count = static_cast<std::size_t>(sums.count());
    return pair;
}

double CorrelationProbability(double r, double df)
{
    if (!(df >= 1)) return kMissingValue;
    if (std::fabs(r) >= 1) return 0;
    const double t = r * std::sqrt(df / ((1 + r + 1e-20) * (1 - r + 1e-20)));
    return IncBeta(df / 2, 0.5, df / (df + t * t));
}

}  // namespace sheetstat
