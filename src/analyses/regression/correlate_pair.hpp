// Pearson's product-moment correlation of two columns over the rows where both
// cells are present, and the test of zero correlation that the correlation
// analyses report with it.
#pragma once

#include <cstddef>

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

// The two-tailed probability of |r| or more under zero correlation, from Student's t
// with df degrees of freedom (df = count − 2 for a correlation, count − 3 for a
// first-order partial one): t = r·sqrt(df/((1 + r + 1e-20)(1 − r + 1e-20))),
// p = I_{df/(df+t²)}(df/2, 1/2). MissingValue when df < 1 (two points or fewer
// claim nothing); 0 when |r| = 1.
double CorrelationProbability(double r, double df);

}  // namespace sheetstat
