// In-place heapsort of a key array with companion arrays permuted alike, and
// tie-aware ranking. Arrays hold elements 1..n at positions 0..n−1. The sort is not
// stable; where equal keys end up is fixed by the sift order and callers rely on it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sheetstat {

void SortReals(std::size_t n, double* keys);
void SortRealsWithReals(std::size_t n, double* keys, double* companion);
void SortRealsWithInts(std::size_t n, double* keys, int32_t* companion);
void SortIntsWithReals(std::size_t n, int32_t* keys, double* companion);
void SortRealsWithTwoInts(std::size_t n, double* keys, int32_t* first, int32_t* second);
void SortRealsWithTwoReals(std::size_t n, double* keys, double* first, double* second);

// Replaces the n ascending values of w by twice their mid-ranks (whole numbers:
// 2, 4, 6, ..., a tie group sharing the mean of its positions) and returns the tie
// sum Σ(t³ − t) over tie groups of size t.
double RankWithTies(std::size_t n, double* w);

}  // namespace sheetstat
