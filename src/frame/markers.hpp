// The two reserved doubles of the host: an empty cell and a prediction request.
// Both are recognised by their full 64-bit pattern, never by a numeric comparison:
// a value one bit away is an ordinary number.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "frame/status.hpp"
#include "sheetstat/sheetstat.h"

namespace sheetstat {

inline constexpr double kMissingValue = std::bit_cast<double>(SHEETSTAT_MISSING_VALUE_BITS);
inline constexpr double kPredictMarker = std::bit_cast<double>(SHEETSTAT_PREDICT_MARKER_BITS);

inline bool IsMissing(double x) noexcept
{
    return std::bit_cast<uint64_t>(x) == SHEETSTAT_MISSING_VALUE_BITS;
}

inline bool IsPredictMarker(double x) noexcept
{
    return std::bit_cast<uint64_t>(x) == SHEETSTAT_PREDICT_MARKER_BITS;
}

// A data value must be a finite number: NaN and ±infinity, which no worksheet cell
// holds but a C host can pass, are a bad argument (status 8). Check each value in
// the pass that reads it.
inline void RequireFinite(double x)
{
    Require(std::isfinite(x));
}

}  // namespace sheetstat
