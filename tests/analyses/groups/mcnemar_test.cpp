// nkMcNemar: the table with its margins, both forms of the statistic around 30
// discordant pairs, no discordant pair, and kappa against its textbook form.
#include <cmath>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct McNemarCall {
    RealHostArray data, table, results;

    int32_t Run() { return nkMcNemar(data.ref(), table.ref(), results.ref()); }
};

// Cases with a, b, c, d pairs (0,0), (0,1), (1,0), (1,1), interleaved so that the
// table is built from rows in no particular order.
McNemarCall FromCounts(int a, int b, int c, int d)
{
    std::vector<double> first, second;
    int left[4] = {a, b, c, d};
    for (bool more = true; more;) {
        more = false;
        for (int cell = 0; cell < 4; ++cell) {
            if (left[cell] == 0) continue;
            --left[cell];
            first.push_back(cell / 2);
            second.push_back(cell % 2);
            more = true;
        }
    }
    return {RealHostArray::FromColumns({first, second}), RealHostArray(3, 3, 1), RealHostArray(4)};
}

void ExpectTable(RealHostArray& table, double a, double b, double c, double d)
{
    const double expected[3][3] = {{a, b, a + b}, {c, d, c + d}, {a + c, b + d, a + b + c + d}};
    for (std::size_t i = 1; i <= 3; ++i) {
        for (std::size_t j = 1; j <= 3; ++j) EXPECT_EQ(table(i, j), expected[i - 1][j - 1]) << i << "," << j;
    }
}

TEST(McNemar, TableStatisticProbabilityAndKappa)
{
    struct Case {
        const char* what;
        int a, b, c, d;
        double chiSquare;
    };
    const Case cases[] = {
        {"13 discordant: corrected", 5, 10, 3, 7, 36.0 / 13},
        {"29 discordant: corrected", 4, 20, 9, 6, 100.0 / 29},
        {"30 discordant: uncorrected", 4, 20, 10, 6, 100.0 / 30},
        {"no discordant pair: no evidence of change, kappa 1", 3, 0, 0, 4, 0},
        {"one discordant pair: the correction leaves 0", 3, 1, 0, 4, 0},
        {"complete disagreement one way: kappa 0", 0, 6, 0, 0, 25.0 / 6},
        {"one concordant cell: chance agreement 1, kappa undefined", 6, 0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        McNemarCall call = FromCounts(k.a, k.b, k.c, k.d);
        ASSERT_EQ(call.Run(), kOk);
        ExpectTable(call.table, k.a, k.b, k.c, k.d);
        EXPECT_DOUBLE_EQ(call.results[1], k.chiSquare);
        EXPECT_EQ(call.results[2], 1);
        // P(χ² ≥ x) on 1 degree of freedom is P(|Z| ≥ √x) = erfc(√(x/2)); the incomplete
        // gamma function stops at a relative change of 3e-7.
        EXPECT_NEAR(call.results[3], std::erfc(std::sqrt(k.chiSquare / 2)), 2e-6);
        // Kappa in its textbook form (p_o − p_e)/(1 − p_e).
        const long double N = k.a + k.b + k.c + k.d;
        const long double observed = (k.a + k.d) / N;
        const long double expected = ((k.a + k.b) * (k.a + k.c) + (k.c + k.d) * (k.b + k.d)) / (N * N);
        if (expected == 1) {
            EXPECT_MISSING(call.results[4]);
        } else {
            EXPECT_NEAR(call.results[4], static_cast<double>((observed - expected) / (1 - expected)), 1e-14);
        }
    }
}

TEST(McNemar, IncompletePairsSkippedCodesTruncatedTableCleared)
{
    // Only columns 1 and 2 are read; 1.9 is code 1 and -0.5 code 0.
    McNemarCall call{
        RealHostArray::FromColumns({{0, 1.9, kMissing, 1, -0.5, 0}, {1, 0, 1, kMissing, 0.99, 0}, {7, 7, 7, 7, 7, 7}}),
        RealHostArray::FromColumns(std::vector<std::vector<double>>(3, {9, 9, 9})), RealHostArray(4)};
    ASSERT_EQ(call.Run(), kOk);
    ExpectTable(call.table, 2, 1, 1, 0);
}

// No complete pair: the cleared table with N = 0 is written before the status.
TEST(McNemar, NoCompletePairWritesTheClearedTable)
{
    McNemarCall noPair{RealHostArray::FromColumns({{0, kMissing}, {kMissing, 1}}),
                       RealHostArray::FromColumns(std::vector<std::vector<double>>(3, {9, 9, 9})), RealHostArray(4)};
    EXPECT_EQ(noPair.Run(), kInsufficientData);
    ExpectTable(noPair.table, 0, 0, 0, 0);
}

// The continuity correction never exceeds the difference it corrects: balanced
// discordant pairs (b = c) give χ² = 0 and probability 1 (the table (0 1; 1 0) once
// gave χ² = 0.5 and p = 0.48).
TEST(McNemar, BalancedDiscordantPairsShowNoChange)
{
    for (int discordant : {1, 5, 14}) {
        McNemarCall call = FromCounts(0, discordant, discordant, 2);
        ASSERT_EQ(call.Run(), kOk);
        EXPECT_EQ(call.results[1], 0) << discordant;
        EXPECT_EQ(call.results[3], 1) << discordant;
    }
}

}  // namespace
}  // namespace sheetstat::testing
