// Pearson's product-moment correlation of two columns over the rows where both
// cells are present, and the test of zero correlation that the correlation
// analyses report with it.
#pragma once

#include <cstddef>

#include "numeric/cross_moments.hpp"

namespace sheetstat {

struct PairCorrelation {
    // r in [−1, 1]; 0 when no row is shared or either column is constant over the
    // shared rows.
    double r = 0;
    // Number of rows where neither cell is MissingValue.
    std::size_t count = 0;
};

// r of x[0..n−1] and y[0..n−1] over the rows where neither cell is MissingValue,
// from two-pass sums about the means (CrossMomentsAccumulator). Raises status 8
// for a cell that is neither MissingValue nor a finite number.
PairCorrelation CorrelatePair(std::size_t n, const double* x, const double* y);

// r of x and y over the rows k = 0..n−1 for which useRow(k) holds, in row order (the
// values of those rows are finite numbers; the caller has checked them).
template <class UseRow>
PairCorrelation CorrelateRows(std::size_t n, const double* x, const double* y, UseRow useRow)
{
    CrossMomentsAccumulator sums;
    for (std::size_t k = 0; k < n; ++k) {
        if (useRow(k)) sums.Add(x[k], y[k]);
    }
    PairCorrelation pair;
    if (sums.count() == 0) return pair;
    sums.EndFirstPass();
    for (std::size_t k = 0; k < n; ++k) {
        if (useRow(k)) sums.AddSecond(x[k], y[k]);
    }
    pair.r = sums.Correlation();
    pair.count = static_cast<std::size_t>(sums.count());
    return pair;
}

// The two-tailed probability of |r| or more under zero correlation, from Student's t
// with df degrees of freedom (df = count − 2 for a correlation, count − 3 for a
// first-order partial one): t = r·sqrt(df/((1 + r + 1e-20)(1 − r + 1e-20))),
// p = I_{df/(df+t²)}(df/2, 1/2). MissingValue when df < 1 (two points or fewer
// claim nothing); 0 when |r| = 1.
double CorrelationProbability(double r, double df);

}  // namespace sheetstat
