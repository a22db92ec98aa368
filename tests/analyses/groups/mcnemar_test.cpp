// nkMcNemar: the table with its margins, both forms of the statistic around 30
// discordant pairs, no discordant pair, kappa against its textbook form, probabilities
// against the closed form of the chi-square tail on 1 degree of freedom, status paths,
// host-array forms and allocation failure.
#include <cmath>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// The incomplete gamma function stops at a relative change of 3e-7.
constexpr double kProbabilityTolerance = 2e-6;

// P(χ² ≥ x) on 1 degree of freedom is P(|Z| ≥ √x) = erfc(√(x/2)).
double ChiSquareTailOneDf(double x)
{
    return std::erfc(std::sqrt(x / 2));
}

// Cohen's kappa in its textbook form (p_o − p_e)/(1 − p_e), in long double.
double KappaByProportions(double a, double b, double c, double d)
{
    const long double N = static_cast<long double>(a) + b + c + d;
    const long double observed = (static_cast<long double>(a) + d) / N;
    const long double expected =
        ((static_cast<long double>(a) + b) * (a + c) + (static_cast<long double>(c) + d) * (b + d)) / (N * N);
    return static_cast<double>((observed - expected) / (1 - expected));
}

struct McNemarCall {
    RealHostArray data, table, results;

    int32_t Run() { return nkMcNemar(data.ref(), table.ref(), results.ref()); }
};

// Cases with a, b, c, d pairs (0,0), (0,1), (1,0), (1,1), interleaved so that the
// table is built from rows in no particular order.
McNemarCall FromCounts(int a, int b, int c, int d, int lowerBound = 1)
{
    std::vector<double> first, second;
    int left[4] = {a, b, c, d};
    const double codes[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    for (bool more = true; more;) {
        more = false;
        for (int cell = 0; cell < 4; ++cell) {
            if (left[cell] == 0) continue;
            --left[cell];
            first.push_back(codes[cell][0]);
            second.push_back(codes[cell][1]);
            more = true;
        }
    }
    return {RealHostArray::FromColumns({first, second}, lowerBound), RealHostArray(3, 3, lowerBound),
            RealHostArray(4, lowerBound)};
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
    McNemarCall call = FromCounts(5, 10, 3, 7);
    ASSERT_EQ(call.Run(), kOk);
    ExpectTable(call.table, 5, 10, 3, 7);
    // 13 discordant pairs: corrected, (|10 − 3| − 1)²/13.
    EXPECT_DOUBLE_EQ(call.results[1], 36.0 / 13.0);
    EXPECT_EQ(call.results[2], 1);
    EXPECT_NEAR(call.results[3], ChiSquareTailOneDf(36.0 / 13.0), kProbabilityTolerance);
    EXPECT_NEAR(call.results[4], KappaByProportions(5, 10, 3, 7), 1e-14);
}

TEST(McNemar, ContinuityCorrectionBelowThirtyDiscordantPairs)
{
    McNemarCall below = FromCounts(4, 20, 9, 6);
    ASSERT_EQ(below.Run(), kOk);
    EXPECT_DOUBLE_EQ(below.results[1], 100.0 / 29.0);
    EXPECT_NEAR(below.results[3], ChiSquareTailOneDf(100.0 / 29.0), kProbabilityTolerance);

    McNemarCall at = FromCounts(4, 20, 10, 6);
    ASSERT_EQ(at.Run(), kOk);
    EXPECT_DOUBLE_EQ(at.results[1], 100.0 / 30.0);
    EXPECT_NEAR(at.results[3], ChiSquareTailOneDf(100.0 / 30.0), kProbabilityTolerance);
    EXPECT_NEAR(at.results[4], KappaByProportions(4, 20, 10, 6), 1e-14);
}

TEST(McNemar, NoDiscordantPairIsNoEvidenceOfChange)
{
    McNemarCall call = FromCounts(3, 0, 0, 4);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.results[1], 0);
    EXPECT_EQ(call.results[2], 1);
    EXPECT_EQ(call.results[3], 1);
    EXPECT_DOUBLE_EQ(call.results[4], 1);

    // One discordant pair: the correction brings the statistic to 0 as well.
    McNemarCall one = FromCounts(3, 1, 0, 4);
    ASSERT_EQ(one.Run(), kOk);
    EXPECT_EQ(one.results[1], 0);
    EXPECT_NEAR(one.results[3], 1, kProbabilityTolerance);
}

TEST(McNemar, KappaOfConstantMeasurementsIsMissing)
{
    // Every case in one concordant cell: chance agreement is 1 and kappa undefined.
    McNemarCall call = FromCounts(6, 0, 0, 0);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_MISSING(call.results[4]);
    // Complete disagreement in one direction: kappa is defined (0 here).
    McNemarCall opposite = FromCounts(0, 6, 0, 0);
    ASSERT_EQ(opposite.Run(), kOk);
    EXPECT_DOUBLE_EQ(opposite.results[4], 0);
    EXPECT_DOUBLE_EQ(opposite.results[1], 25.0 / 6.0);
}

TEST(McNemar, IncompletePairsSkippedCodesTruncatedTableCleared)
{
    // Only columns 1 and 2 are read; 1.9 is code 1 and -0.5 code 0.
    McNemarCall call{RealHostArray::FromColumns({{0, 1.9, kMissing, 1, -0.5, 0},
                                                 {1, 0, 1, kMissing, 0.99, 0},
                                                 {7, 7, 7, 7, 7, 7}},
                                                1),
                     RealHostArray::FromColumns({{9, 9, 9}, {9, 9, 9}, {9, 9, 9}}, 1), RealHostArray(4, 1)};
    ASSERT_EQ(call.Run(), kOk);
    ExpectTable(call.table, 2, 1, 1, 0);
}

TEST(McNemar, LowerBoundZero)
{
    McNemarCall call = FromCounts(5, 10, 3, 7, 0);
    call.results.stored(0) = 555;
    call.table.stored(0) = 555;
    call.table.stored(4) = 555;  // row 0 of column 1
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.results.stored(0), 555);
    EXPECT_EQ(call.table.stored(0), 555);
    EXPECT_EQ(call.table.stored(4), 555);
    ExpectTable(call.table, 5, 10, 3, 7);
    EXPECT_DOUBLE_EQ(call.results[1], 36.0 / 13.0);
}

TEST(McNemar, StatusPaths)
{
    const auto withChange = [](auto change) {
        McNemarCall call = FromCounts(2, 3, 1, 2);
        change(call);
        return call.Run();
    };
    EXPECT_EQ(withChange([](McNemarCall& c) { c.table = RealHostArray(3, 2, 1); }), kBadArray);
    EXPECT_EQ(withChange([](McNemarCall& c) { c.table = RealHostArray(2, 3, 1); }), kBadArray);
    EXPECT_EQ(withChange([](McNemarCall& c) { c.table = RealHostArray(4, 3, 1); }), kBadArray);
    EXPECT_EQ(withChange([](McNemarCall& c) { c.results = RealHostArray(3, 1); }), kBadArray);
    EXPECT_EQ(withChange([](McNemarCall& c) { c.data = RealHostArray::FromColumns({{0, 1, 1}}, 1); }), kBadArray);
    for (double code : {2.0, -1.0, 1e300, std::nan("")}) {
        EXPECT_EQ(withChange([code](McNemarCall& c) { c.data(2, 2) = code; }), kBadArray) << code;
        EXPECT_EQ(withChange([code](McNemarCall& c) { c.data(3, 1) = code; }), kBadArray) << code;
    }

    McNemarCall noPair{RealHostArray::FromColumns({{0, kMissing}, {kMissing, 1}}, 1),
                       RealHostArray::FromColumns({{9, 9, 9}, {9, 9, 9}, {9, 9, 9}}, 1), RealHostArray(4, 1)};
    EXPECT_EQ(noPair.Run(), kInsufficientData);
    ExpectTable(noPair.table, 0, 0, 0, 0);
    McNemarCall empty = FromCounts(0, 0, 0, 0);
    EXPECT_EQ(empty.Run(), kInsufficientData);
}

TEST(McNemar, EachAllocationFailureGivesStatus2)
{
    ExpectEachAllocationFailureGivesNoMemory([] {
        McNemarCall call = FromCounts(5, 10, 3, 7);
        return call.Run();
    });
}

}  // namespace
}  // namespace sheetstat::testing
