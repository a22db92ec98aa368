// Fisher's exact test of a 2 × 2 table, one-tailed.
#pragma once

#include <cstdint>

namespace sheetstat {

// Fisher's exact one-tailed probability of the 2 × 2 table with rows (a, b) and
// (c, d), counts ≥ 0: the hypergeometric probability of the table and of every table
// with the same margins whose smallest cell is smaller still. The transposed table
// gives the same probability. Relative accuracy about 1e−13 at any size; the work
// grows with the standard deviation of a cell, not with the counts. NaN for a
// negative count.
double FisherExactP(int32_t a, int32_t b, int32_t c, int32_t d);

}  // namespace sheetstat
