// Shared helpers of the test suite: host arrays, markers, allocation-failure sweeps.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "frame/markers.hpp"
#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

namespace sheetstat::testing {

inline constexpr double kMissing = kMissingValue;

// Status codes as the exports return them.
inline constexpr int32_t kOk = SHEETSTAT_OK;
inline constexpr int32_t kNoMemory = SHEETSTAT_NO_MEMORY;
inline constexpr int32_t kInsufficientData = SHEETSTAT_INSUFFICIENT_DATA;
inline constexpr int32_t kNumericalFailure = SHEETSTAT_NUMERICAL_FAILURE;
inline constexpr int32_t kBadArray = SHEETSTAT_BAD_ARRAY;

// Count, mean and sample variance (divisor n − 1) of the values that are not
// MissingValue, by two passes about the mean in long double after subtracting
// `offset` exactly (the mean is then relative to the offset): an independent
// reference for the library's stable accumulations.
struct ReferenceMoments {
    long double count = 0, mean = 0, variance = 0;
    long double sd() const;
};
ReferenceMoments ReferenceMeanVariance(const std::vector<double>& values, long double offset = 0);

// Runs `call` once to learn how many work-storage allocations it makes (it must
// succeed and leave nothing behind), then runs it again with each allocation failing
// in turn: every such run must return status 2 and leave no work storage behind.
// `call` must build fresh host arrays each time if the export rewrites its inputs.
void ExpectEachAllocationFailureGivesNoMemory(const std::function<int32_t()>& call);

}  // namespace sheetstat::testing

// EXPECT that a value is (or is not) the empty-cell marker, by its bit pattern.
#define EXPECT_MISSING(x) EXPECT_TRUE(::sheetstat::IsMissing(x)) << #x " = " << (x)
#define EXPECT_NOT_MISSING(x) EXPECT_FALSE(::sheetstat::IsMissing(x)) << #x " is MissingValue"
