// Status codes as the exports return them, and the empty-cell marker, for test
// programs with or without a test framework.
#pragma once

#include <cstdint>

#include "frame/markers.hpp"
#include "sheetstat/sheetstat.h"

namespace sheetstat::testing {

inline constexpr double kMissing = kMissingValue;

inline constexpr int32_t kOk = SHEETSTAT_OK;
inline constexpr int32_t kNoMemory = SHEETSTAT_NO_MEMORY;
inline constexpr int32_t kInsufficientData = SHEETSTAT_INSUFFICIENT_DATA;
inline constexpr int32_t kNumericalFailure = SHEETSTAT_NUMERICAL_FAILURE;
inline constexpr int32_t kBadArray = SHEETSTAT_BAD_ARRAY;
inline constexpr int32_t kEmptyCell = SHEETSTAT_CHI_SQUARE_EMPTY_CELL;

}  // namespace sheetstat::testing
