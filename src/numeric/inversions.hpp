// Counting ordered pairs of a sequence in O(n log n): the inversions (pairs i < j
// with x_i > x_j) by merge sort, and the tied pairs of a sorted sequence. Together
// with the n(n − 1)/2 pairs in all they give the rising, falling and tied pairs that
// trend tests and Kendall's tau count (Knight 1966).
#pragma once

#include <cstddef>
#include <cstdint>

namespace sheetstat {

// Sorts the n values ascending (a stable bottom-up merge sort) and returns the number
// of pairs i < j of the original order with x_i > x_j. Equal values are not
// inversions. `buffer` holds n elements of scratch.
uint64_t CountInversions(std::size_t n, double* values, double* buffer);

// Σ t(t − 1)/2 over the runs of t equal values of an ascending sequence: the number
// of pairs with equal values.
uint64_t CountTiedPairs(std::size_t n, const double* sorted);

}  // namespace sheetstat
