// The exact test of a 2 × 2 table used by the crosstabs.
#pragma once

#include <cstdint>

namespace sheetstat {

// ln n!, n ≥ 0: the logarithm of the product 1·2·…·n for n ≤ 30, Stirling's series
// (n + 1/2)·ln n − n + ln √(2π) + 1/(12n) beyond. Negative n give 0.
double LogFactorial(int64_t n);

// Fisher's exact one-tailed probability of the 2 × 2 table with rows (a, b) and
// (c, d), counts ≥ 0: the hypergeometric probability of the table and of every table
// with the same margins whose smallest cell is smaller still. The transposed table
// gives the same probability.
double FisherExactP(int32_t a, int32_t b, int32_t c, int32_t d);

}  // namespace sheetstat
