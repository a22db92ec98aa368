// Homogeneous subsets of groups put in ascending order of their means: the
// inclusion-maximal runs of adjacent positions that contain no significantly different
// pair, in the order of their first position.
//
// A run [i, j] contains no significant pair exactly when, for every position c in it,
// the nearest position r < c that differs significantly from c lies before i. These
// nearest partners come from one pass over the pairs, O(k²). The longest homogeneous
// run from start i then ends at a position that never decreases with i, and that run
// is maximal exactly when it reaches further than the one from i − 1: one sweep, O(k).
// (Trying every run from the widest down and keeping those no kept run contains gives
// the same subsets in O(k⁴).)
#pragma once

#include <cstddef>

#include "frame/work_storage.hpp"

namespace sheetstat {

struct HomogeneousSubset {
    std::size_t first = 0;  // positions first..last, from 0
    std::size_t last = 0;
};

// significant(r, c) ≠ 0 marks the pair of positions r < c (0-based, k = significant's
// rows; only r < c is read). Writes the subsets into subsets[0..count − 1] (room for k
// of them) and returns count, 1 to k.
std::size_t FindHomogeneousSubsets(const IntMatrix& significant, OffsetVector<HomogeneousSubset>& subsets);

}  // namespace sheetstat
