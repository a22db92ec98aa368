// Pearson's r of a pair of columns with pairwise deletion of empty cells, and its
// t test (see the header).
#include "analyses/regression/correlate_pair.hpp"

#include <cmath>
#include <cstddef>

#include "frame/markers.hpp"
#include "numeric/math_functions.hpp"

namespace sheetstat {

PairCorrelation CorrelatePair(std::size_t n, const double* x, const double* y)
{
    for (std::size_t k = 0; k < n; ++k) {
        if (!IsMissing(x[k])) RequireFinite(x[k]);
        if (!IsMissing(y[k])) RequireFinite(y[k]);
    }
    return CorrelateRows(n, x, y, [x, y](std::size_t k) { return !IsMissing(x[k]) && !IsMissing(y[k]); });
}

double CorrelationProbability(double r, double df)
{
    if (!(df >= 1)) return kMissingValue;
    if (std::fabs(r) >= 1) return 0;
    const double t = r * std::sqrt(df / ((1 + r + 1e-20) * (1 - r + 1e-20)));
    return IncBeta(df / 2, 0.5, df / (df + t * t));
}

}  // namespace sheetstat
