// The loadings table of a factor analysis: factors in descending order of variance,
// variables grouped under the factor they load on most.
#pragma once

#include <cstdint>

#include "frame/host_arrays.hpp"
#include "frame/work_storage.hpp"

namespace sheetstat {

// From the p × m loadings l and the communalities h[1..p]: s[1..m] (out) the
// variances Σ_i l[i][k]² of the factors in descending order and order[1..m] (out) the
// factor in each place. Each variable goes under the first factor (in that order) on
// which its absolute loading is largest; under a factor, variables follow by
// descending absolute loading, equal ones by variable number. Writes `table`, which
// has at least p + 2 rows and m + 2 columns: row q (q = 1..p) holds the number of the
// variable in place q, its loadings on the factors in order and its communality;
// rows p + 1 and p + 2 (from column 2) the variances and their total, then the same
// as percentages of p. Column 1 of rows p + 1 and p + 2 is not written.
void OrderLoadings(const RealMatrix& l, int32_t p, int32_t m, const RealVector& h, RealVector& s, IntVector& order,
                   const RealMatrixView& table);

}  // namespace sheetstat
