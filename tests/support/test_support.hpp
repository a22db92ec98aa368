// Shared helpers of the test suite: host arrays, markers, allocation-failure sweeps.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "frame/markers.hpp"
#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"
#include "support/status_codes.hpp"

namespace sheetstat::testing {

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
// return `unfailedStatus` and leave nothing behind), then runs it again with each
// allocation failing in turn: every such run must return status 2 and leave no work
// storage behind. `call` must build fresh host arrays each time if the export
// rewrites its inputs.
void ExpectEachAllocationFailureGivesNoMemory(const std::function<int32_t()>& call, int32_t unfailedStatus = kOk);

}  // namespace sheetstat::testing

// EXPECT that a value is (or is not) the empty-cell marker, by its bit pattern.
#define EXPECT_MISSING(x) EXPECT_TRUE(::sheetstat::IsMissing(x)) << #x " = " << (x)
#define EXPECT_NOT_MISSING(x) EXPECT_FALSE(::sheetstat::IsMissing(x)) << #x " is MissingValue"
