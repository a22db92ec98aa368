// The total sum of squares of a weighted regression, SST = Σ w_i·(y_i − ȳ_w)² with
// ȳ_w = Σ w_i·y_i / Σ w_i, the weights being those the fit uses. It is the residual
// sum of squares of the weighted fit of a constant, so R² = 1 − SSE/SST compares
// like with like (the raw-sum form Σ w·y² − (Σ √w·y)²/m agrees only for equal
// weights). Computed in two passes about the weighted mean (MomentsAccumulator with
// the weights as frequencies): exactly 0 for a constant response.
#pragma once

#include "numeric/running_moments.hpp"

namespace sheetstat {

// forEach(visit) calls visit(y, w) for every case, w > 0; it is called twice and must
// deliver the same cases both times.
template <class ForEach>
double WeightedTotalSumOfSquares(ForEach&& forEach)
{
    MomentsAccumulator moments;
    forEach([&moments](double y, double w) { moments.Add(y, w); });
    moments.EndFirstPass();
    forEach([&moments](double y, double w) { moments.AddSecond(y, w); });
    return moments.Moments().sumSquares;
}

}  // namespace sheetstat
