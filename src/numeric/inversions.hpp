// Counting ordered pairs of a sequence in O(n log n): the inversions (pairs i < j
// with x_i > x_j) by merge sort, and the tied pairs of a sorted sequence. Together
// with the n(n − 1)/2 pairs in all they give the rising, falling and tied pairs that
// trend tests count, and the concordant, discordant and tied pairs of two variables
// that Kendall's tau counts (Knight 1966).
#pragma once

#include <cstddef>
#include <cstdint>

#include "numeric/merge_sort.hpp"

namespace sheetstat {

// Sorts the n values ascending (a stable merge sort) and returns the number of pairs
// i < j of the original order with x_i > x_j. Equal values are not inversions.
// `buffer` holds n elements of scratch.
uint64_t CountInversions(std::size_t n, double* values, double* buffer);

// Σ t(t − 1)/2 over the runs of t equal values of an ascending sequence: the number
// of pairs with equal values.
uint64_t CountTiedPairs(std::size_t n, const double* sorted);

// The n(n − 1)/2 pairs of n observations (x_k, y_k), by how the two variables order them.
struct PairConcordance {
    uint64_t pairs = 0;
    uint64_t tiedFirst = 0;   // x_i = x_j (whatever y)
    uint64_t tiedSecond = 0;  // y_i = y_j (whatever x)
    uint64_t tiedBoth = 0;    // x_i = x_j and y_i = y_j
    uint64_t discordant = 0;  // x and y ordered oppositely

    // x and y ordered alike: the pairs tied in neither variable that are not discordant.
    uint64_t Concordant() const noexcept { return pairs - tiedFirst - tiedSecond + tiedBoth - discordant; }
};

// Knight's algorithm: the pairs are sorted by first then second value, which counts
// the pairs tied in x and tied in both as runs; a stable merge sort by second value
// then removes exactly one inversion per discordant pair, and leaves the runs of pairs
// tied in y. Exact 64-bit counts, comparisons only (no differences or products of the
// values). Reorders pairs[0..n−1]; `buffer` holds n pairs of scratch.
PairConcordance CountConcordance(std::size_t n, ValuePair* pairs, ValuePair* buffer);

}  // namespace sheetstat
