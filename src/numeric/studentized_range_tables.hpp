// Tables of the studentized range distribution for k = 3..20 means at
// q = 0, 0.25, ..., 6.50 (27 columns, row k starting at entry (k − 3)·27):
// the distribution function of the range of k standard normal variables (×10000)
// and the coefficients of 1/ν and 1/ν² in its expansion for ν degrees of freedom
// (×100 and ×10), rounded to integers.
#pragma once

#include <cstdint>

namespace sheetstat {

inline constexpr int kRangeTableFirstK = 3;
inline constexpr int kRangeTableLastK = 20;
inline constexpr int kRangeTableColumns = 27;
inline constexpr int kRangeTableEntries = (kRangeTableLastK - kRangeTableFirstK + 1) * kRangeTableColumns;

extern const int32_t kRangeLeading[kRangeTableEntries];
extern const int32_t kRangeFirstCorrection[kRangeTableEntries];
extern const int32_t kRangeSecondCorrection[kRangeTableEntries];

}  // namespace sheetstat
