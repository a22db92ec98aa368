// Integer codes read from the host's doubles (modes, options, group and class codes).
// Conversions truncate toward zero; a value that has no integer (NaN) or lies outside
// the 32-bit range is a bad argument (status 8), never undefined behaviour.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sheetstat {

int32_t TruncateCode(double x);

// The 0-based index of a class code that must lie in 0..classes−1 after truncation
// (so −0.5 is class 0 and 2.9 is class 2); status 8 otherwise.
std::size_t ClassIndex(double code, std::size_t classes);

}  // namespace sheetstat
