// The 24 summary statistics of one sample (count, mean, spread, percentiles, shape),
// shared by descriptive statistics, control charts, capability, box-whisker series
// and the multivariate analyses.
#pragma once

#include <cstddef>

namespace sheetstat {

// Slots 1..24 of a sample summary, stored at positions 0..23.
inline constexpr std::size_t kSampleSummarySlots = 24;
struct SampleSummary {
    double slot[kSampleSummarySlots];
    // Slot k, k = 1..24.
    double& operator[](std::size_t k) { return slot[k - 1]; }
    double operator[](std::size_t k) const { return slot[k - 1]; }
};

// Summarises the `count` values at `values` (MissingValue cells skipped) into
// `summary` slots 1..24; the input is not modified. `summary` may point into a host
// result array.
void DescribeSample(const double* values, std::size_t count, double* summary);

}  // namespace sheetstat
