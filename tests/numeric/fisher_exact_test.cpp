// Fisher's exact one-tailed probability against direct hypergeometric summation in
// long double, from small tables to counts near 2^31.
#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "numeric/fisher_exact.hpp"
#include "numeric/reference_hypergeometric.hpp"

namespace sheetstat {
namespace {

using Table = std::array<int32_t, 4>;  // rows (a, b) and (c, d)

// The tolerance of the saddle-point terms and the long double references.
constexpr double kTolerance = 1e-12;

// The reference for tables too large to sum whole: the terms relative to the one at
// the mode, by the ratio of neighbours in long double, over the window of the
// support where they exceed 1e−700, and normalised by their sum, so that no ln Γ of
// a large count enters. The selection is that of ReferenceFisher.
long double WindowReference(const Table& t)
{
    const int64_t r1 = int64_t{t[0]} + t[1], r2 = int64_t{t[2]} + t[3], c1 = int64_t{t[0]} + t[2];
    const auto smallest = static_cast<std::size_t>(std::min_element(t.begin(), t.end()) - t.begin());
    const int64_t low = std::max<int64_t>(0, c1 - r2), high = std::min(r1, c1);
    const auto mode = static_cast<int64_t>(std::floor((r1 + 1.0L) * (c1 + 1.0L) / (r1 + r2 + 2.0L)));
    const auto selected = [&](int64_t x) {
        const std::array<int64_t, 4> table = {x, r1 - x, c1 - x, r2 - c1 + x};
        return table[smallest] <= t[smallest];
    };
    long double total = 0, part = 0;
    for (const int step : {+1, -1}) {
        long double term = 1;
        for (int64_t x = step > 0 ? mode : mode - 1; x >= low && x <= high && term > 1e-700L; x += step) {
            if (x != mode) {
                // P(x)/P(x − 1) = (r1 − x + 1)(c1 − x + 1)/(x (r2 − c1 + x)), and its inverse downwards.
                const int64_t up = step > 0 ? x : x + 1;
                const long double ratio = static_cast<long double>(r1 - up + 1) * static_cast<long double>(c1 - up + 1) /
                                          (static_cast<long double>(up) * static_cast<long double>(r2 - c1 + up));
                term = step > 0 ? term * ratio : term / ratio;
            }
            total += term;
            if (selected(x)) part += term;
        }
    }
    return part / total;
}

// (3, 1, 1, 3) sums the tables with smallest cell 1 and 0: 16/70 + 1/70; a zero cell
// gives the observed table alone; a margin of 0 leaves one table, probability 1.
// Otherwise against direct hypergeometric summation, with the smallest cell in each
// position and the transposed table, among them tables whose probability is near 1.
TEST(FisherExactP, AgreesWithHypergeometricSummation)
{
    EXPECT_NEAR(FisherExactP(3, 1, 1, 3), 17.0 / 70, 1e-15);
    EXPECT_NEAR(FisherExactP(0, 5, 6, 3), static_cast<double>(testing::TableProbability(0, 5, 6, 3)), 1e-16);
    EXPECT_EQ(FisherExactP(0, 5, 0, 7), 1.0);
    EXPECT_EQ(FisherExactP(0, 0, 0, 0), 1.0);
    const std::vector<Table> tables = {
        {3, 1, 1, 3},      {2, 7, 8, 2},        {0, 5, 6, 3},          {1, 9, 11, 3},        {7, 2, 9, 4},
        {5, 8, 1, 12},     {9, 6, 4, 2},        {1, 1, 3, 5},          {12, 40, 35, 50},     {45, 20, 31, 60},
        {70, 52, 18, 33},  {8, 30, 25, 41},     {10, 10, 10, 1000},    {300, 290, 305, 2500}, {1200, 900, 1100, 1000},
        {4000, 30, 25, 3800}, {20000, 19000, 21000, 20500}};
    for (const Table& t : tables) {
        SCOPED_TRACE(::testing::Message() << "table " << t[0] << " " << t[1] << " " << t[2] << " " << t[3]);
        const double reference = static_cast<double>(testing::ReferenceFisher(t[0], t[1], t[2], t[3]));
        const double p = FisherExactP(t[0], t[1], t[2], t[3]);
        EXPECT_NEAR(p, reference, kTolerance * reference);
        EXPECT_LE(p, 1.0);
        EXPECT_EQ(FisherExactP(t[0], t[2], t[1], t[3]), p) << "transposed";
    }
    EXPECT_TRUE(std::isnan(FisherExactP(-1, 5, 6, 3)));
}

// Counts near 2^31: the work follows the spread of the cell, not its size, and the
// probability keeps its digits. A cell 1.8e4 standard deviations below its
// expectation has a probability below Hoeffding's bound exp(−2t²/n) for a deficit t
// in n draws, which underflows: exactly 0.
TEST(FisherExactP, HugeCountsQuicklyAndExactly)
{
    // Smallest cells 1.6, 1.8, 9 and 35 standard deviations below their expectations,
    // and a small cell beside huge ones.
    const std::vector<Table> tables = {{1000000000, 1000050000, 1000050000, 1000000000},
                                       {2147483647, 2147400000, 2147400000, 2147483647},
                                       {1500000000, 1500400000, 1500300000, 1500000000},
                                       {1000000000, 1001100000, 1001100000, 1000000000},
                                       {12, 2000000000, 30, 2100000000}};
    for (const Table& t : tables) {
        SCOPED_TRACE(::testing::Message() << "table " << t[0] << " " << t[1] << " " << t[2] << " " << t[3]);
        const auto reference = static_cast<double>(WindowReference(t));
        ASSERT_GT(reference, 1e-300);
        EXPECT_NEAR(FisherExactP(t[0], t[1], t[2], t[3]), reference, 1e-11 * reference);
    }
    // ((2.1e9, 5e8), (5e8, 5e8)): the cell 5e8 of row 1 expects 7.2e8 in 2.6e9 draws.
    const double deficit = 2.6e9 * 1e9 / 3.6e9 - 5e8, draws = 2.6e9;
    ASSERT_EQ(std::exp(-2 * deficit * deficit / draws), 0.0);
    EXPECT_EQ(FisherExactP(2100000000, 500000000, 500000000, 500000000), 0.0);
}

TEST(FisherExactP, TerminatesAndKeepsItsValueUnderEveryRoundingMode)
{
    const std::vector<Table> tables = {{12, 40, 35, 50}, {1000000000, 1000050000, 1000050000, 1000000000}};
    for (const Table& t : tables) {
        const double nearest = FisherExactP(t[0], t[1], t[2], t[3]);
        for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
            ASSERT_EQ(std::fesetround(mode), 0);
            const double p = FisherExactP(t[0], t[1], t[2], t[3]);
            std::fesetround(FE_TONEAREST);
            EXPECT_NEAR(p, nearest, 1e-11 * nearest) << "mode " << mode;
        }
    }
}

}  // namespace
}  // namespace sheetstat
