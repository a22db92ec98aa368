// Fisher's exact one-tailed probability by direct summation of the hypergeometric
// probabilities in long double (std::lgamma on long double), independent of the
// library: for the tests of FisherExactP and of the crosstabs that report it.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace sheetstat::testing {

inline long double LogChoose(long double n, long double k)
{
    return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1);
}

// Hypergeometric probability of the table (a, b; c, d) given its margins.
inline long double TableProbability(int64_t a, int64_t b, int64_t c, int64_t d)
{
    return std::exp(LogChoose(static_cast<long double>(a + b), static_cast<long double>(a)) +
                    LogChoose(static_cast<long double>(c + d), static_cast<long double>(c)) -
                    LogChoose(static_cast<long double>(a + b + c + d), static_cast<long double>(a + c)));
}

// Sum over every table with the margins of (a, b; c, d) whose cell at the position of
// the smallest observed cell is no larger than that cell.
inline long double ReferenceFisher(int64_t a, int64_t b, int64_t c, int64_t d)
{
    const int64_t r1 = a + b, r2 = c + d, c1 = a + c;
    const std::array<int64_t, 4> observed = {a, b, c, d};
    const auto smallest =
        static_cast<std::size_t>(std::min_element(observed.begin(), observed.end()) - observed.begin());
    long double p = 0;
    for (int64_t x = std::max<int64_t>(0, c1 - r2); x <= std::min(r1, c1); ++x) {
        const std::array<int64_t, 4> table = {x, r1 - x, c1 - x, r2 - c1 + x};
        if (table[smallest] <= observed[smallest]) p += TableProbability(table[0], table[1], table[2], table[3]);
    }
    return p;
}

}  // namespace sheetstat::testing
