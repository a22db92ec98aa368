#include "analyses/groups/homogeneous_subsets.hpp"

namespace sheetstat {

std::size_t FindHomogeneousSubsets(const IntMatrix& significant, OffsetVector<HomogeneousSubset>& subsets)
{
    const std::size_t k = significant.rows();
    const auto at = [](std::size_t i) { return static_cast<std::ptrdiff_t>(i); };
    // partnerEnd[c] = 1 + the largest r < c that differs significantly from c, 0 if none:
    // [i, c] holds no significant pair ending at c exactly when partnerEnd[c] ≤ i.
    OffsetVector<std::size_t> partnerEnd(0, k);
    for (std::size_t c = 0; c < k; ++c) {
        partnerEnd[at(c)] = 0;
        for (std::size_t r = c; r-- > 0;) {
            if (significant(at(r), at(c)) != 0) {
                partnerEnd[at(c)] = r + 1;
                break;
            }
        }
    }
    std::size_t count = 0, end = 0, previousEnd = 0;  // runs [i, end), ends exclusive
    for (std::size_t i = 0; i < k; ++i) {
        while (end < k && partnerEnd[at(end)] <= i) ++end;
        if (i == 0 || end > previousEnd) subsets[at(count++)] = {i, end - 1};
        previousEnd = end;
    }
    return count;
}

}  // namespace sheetstat
