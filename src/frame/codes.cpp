#include "frame/codes.hpp"

#include "frame/status.hpp"

namespace sheetstat {

int32_t TruncateCode(double x)
{
    // The comparisons are false for NaN, which therefore fails too.
    Require(x > -2147483649.0 && x < 2147483648.0);
    return static_cast<int32_t>(x);
}

std::size_t ClassIndex(double code, std::size_t classes)
{
    // Truncation toward zero maps (−1, classes) onto 0..classes−1; with no classes
    // there is no index at all, not even for a code in (−1, 0).
    Require(classes > 0 && code > -1.0 && code < static_cast<double>(classes));
    return static_cast<std::size_t>(code);
}

}  // namespace sheetstat
