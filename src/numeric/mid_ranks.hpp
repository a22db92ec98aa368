// Rank sums by class for the rank tests (Mann-Whitney U, Wilcoxon signed-rank).
//
// The pooled values are sorted ascending with their class numbers and replaced by
// twice their mid-ranks (RankWithTies): doubled ranks 2, 4, 6, ... by position, every
// run of equal values sharing the doubled mean of its positions, so that all sums stay
// whole numbers. Callers halve the sums when they report them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/work_storage.hpp"

namespace sheetstat {

// Sorts values[0..n−1] ascending carrying classOf[0..n−1], replaces every value by
// twice its mid-rank, and sets doubledRankSums[c], for every index c of the vector,
// to the sum of the doubled ranks of the values of class c. Every class number must
// be an index of doubledRankSums. Returns the tie sum Σ(t³ − t) over runs of t equal
// values (exact comparison).
double SumDoubledRanksByClass(std::size_t n, double* values, int32_t* classOf, RealVector& doubledRankSums);

}  // namespace sheetstat
