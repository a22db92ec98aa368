// Mann-Whitney U test: worked examples, ties, the choice of the group that gives z,
// both data layouts, status paths, host-array forms, allocation failure, and U checked
// against a brute-force count of pairs.
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct UTestRun {
    int32_t status;
    std::vector<double> stats[2];  // groupStats column g at [g − 1], rows 1..3 at 0..2
    std::vector<double> results;   // slots 1..3 at 0..2
};

constexpr double kUntouched = -7.0;

UTestRun RunUTest(double layout, RealHostArray data, RealHostArray codes, int lowerBound = 1)
{
    RealHostArray options = RealHostArray::FromValues({layout}, lowerBound);
    RealHostArray groupStats = RealHostArray::FromColumns({{kUntouched, kUntouched, kUntouched},
                                                           {kUntouched, kUntouched, kUntouched}},
                                                          lowerBound);
    RealHostArray results = RealHostArray::FromValues({kUntouched, kUntouched, kUntouched}, lowerBound);
    const int32_t status = nkUTest(options.ref(), data.ref(), codes.ref(), groupStats.ref(), results.ref());
    return {status, {groupStats.Column(1), groupStats.Column(2)}, results.Slots()};
}

// One column per group, the shorter padded with MissingValue.
UTestRun RunByColumns(std::vector<double> first, std::vector<double> second)
{
    while (first.size() < second.size()) first.push_back(kMissing);
    while (second.size() < first.size()) second.push_back(kMissing);
    return RunUTest(1, RealHostArray::FromColumns({first, second}), RealHostArray::FromValues({}));
}

// One data column with group codes.
UTestRun RunByCodes(const std::vector<double>& values, const std::vector<double>& codes)
{
    return RunUTest(0, RealHostArray::FromColumns({values}), RealHostArray::FromValues(codes));
}

double Phi(long double z)
{
    return static_cast<double>(0.5L * std::erfc(-z / std::sqrt(2.0L)));
}

// z of group g (U_g, n_g) against group h, with the tie sum T = Σ(t³ − t).
double UTestZ(long double U, long double n_g, long double n_h, long double T)
{
    const long double N = n_g + n_h;
    const long double variance = n_g * n_h / (N * (N - 1)) * ((N * N * N - N) - T) / 12;
    return static_cast<double>((U - n_g * n_h / 2) / std::sqrt(variance));
}

constexpr double kProbabilityTolerance = 1e-7;

void ExpectTest(const UTestRun& run, double z)
{
    EXPECT_NEAR(run.results[0], z, 1e-12 * (1 + std::fabs(z)));
    const double smallerTail = z < 0 ? Phi(z) : 1 - Phi(z);
    EXPECT_NEAR(run.results[1], smallerTail, kProbabilityTolerance);
    EXPECT_LE(run.results[1], 0.5);
    EXPECT_DOUBLE_EQ(run.results[2], 2 * run.results[1]);
}

void ExpectGroup(const UTestRun& run, int g, double n, double meanRank, double U)
{
    const std::vector<double>& column = run.stats[g - 1];
    EXPECT_EQ(column[0], n) << "group " << g;
    EXPECT_DOUBLE_EQ(column[1], meanRank) << "group " << g;
    EXPECT_EQ(column[2], U) << "group " << g;
}

// ---- Worked examples and edge cases ----

TEST(UTest, SeparatedGroupsExampleInBothLayouts)
{
    for (const UTestRun& run : {RunByColumns({1, 2, 3}, {4, 5, 6}),
                                RunByCodes({4, 1, 5, 2, 6, 3}, {1, 0, 1, 0, 1, 0})}) {
        ASSERT_EQ(run.status, kOk);
        ExpectGroup(run, 1, 3, 2, 0);
        ExpectGroup(run, 2, 3, 5, 9);
        EXPECT_NEAR(run.results[0], -1.9640, 5e-5);
        ExpectTest(run, UTestZ(0, 3, 3, 0));
    }
}

TEST(UTest, TiedValuesGetMidRanksAndCorrectTheVariance)
{
    // Pooled 1, 2, 2, 3 rank 1, 2.5, 2.5, 4; one tie of two, T = 6.
    const UTestRun run = RunByColumns({1, 2}, {2, 3});
    ASSERT_EQ(run.status, kOk);
    ExpectGroup(run, 1, 2, 1.75, 0.5);
    ExpectGroup(run, 2, 2, 3.25, 3.5);
    ExpectTest(run, UTestZ(0.5L, 2, 2, 6));
}

TEST(UTest, EqualRankSumsGiveZeroAndHalf)
{
    const UTestRun run = RunByColumns({1, 4}, {2, 3});
    ASSERT_EQ(run.status, kOk);
    EXPECT_EQ(run.results[0], 0.0);
    EXPECT_NEAR(run.results[1], 0.5, kProbabilityTolerance);
    EXPECT_NEAR(run.results[2], 1.0, 2 * kProbabilityTolerance);
}

TEST(UTest, EqualRankSumsOfUnequalGroupsLeaveGroupTwosZ)
{
    // Ranks {1, 6, 7} and {2, 3, 4, 5}: both sums 14; group 2 gives z < 0, group 1 z > 0.
    const UTestRun run = RunByColumns({1, 6, 7}, {2, 3, 4, 5});
    ASSERT_EQ(run.status, kOk);
    ExpectGroup(run, 1, 3, 14.0 / 3, 8);
    ExpectGroup(run, 2, 4, 3.5, 4);
    ExpectTest(run, UTestZ(4, 4, 3, 0));
    EXPECT_LT(run.results[0], 0.0);
}

TEST(UTest, SmallerRankSumCanGivePositiveZ)
{
    // Two values ranked last against ten smaller ones: rank sums 23 and 55.
    const UTestRun run = RunByColumns({11, 12}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    ASSERT_EQ(run.status, kOk);
    ExpectGroup(run, 1, 2, 11.5, 20);
    ExpectGroup(run, 2, 10, 5.5, 0);
    EXPECT_GT(run.results[0], 0.0);
    ExpectTest(run, UTestZ(20, 2, 10, 0));
}

TEST(UTest, LayoutZeroSkipsMissingAndTruncatesCodes)
{
    // Codes 1.9 → group 2 and −0.5 → group 1; rows with a missing value or code are skipped.
    const UTestRun run =
        RunByCodes({4, 1, 99, 5, 2, kMissing, 6, 3}, {1.9, -0.5, kMissing, 1, 0, 0, 1.2, 0.7});
    ASSERT_EQ(run.status, kOk);
    ExpectGroup(run, 1, 3, 2, 0);
    ExpectGroup(run, 2, 3, 5, 9);
    ExpectTest(run, UTestZ(0, 3, 3, 0));
}

TEST(UTest, AnyNonZeroLayoutIsOneColumnPerGroup)
{
    for (const double layout : {1.0, 2.0, -1.0}) {
        const UTestRun run = RunUTest(layout, RealHostArray::FromColumns({{1, 2, 3}, {4, 5, 6}}),
                                      RealHostArray::FromValues({}));
        ASSERT_EQ(run.status, kOk) << "layout " << layout;
        ExpectGroup(run, 2, 3, 5, 9);
    }
}

// ---- Status paths ----

TEST(UTest, InsufficientData)
{
    EXPECT_EQ(RunByColumns({1}, {}).status, kInsufficientData);
    EXPECT_EQ(RunByColumns({kMissing}, {kMissing}).status, kInsufficientData);
    EXPECT_EQ(RunByColumns({1, 2, 3}, {4}).status, kInsufficientData);
    EXPECT_EQ(RunByColumns({1}, {2, 3, 4}).status, kInsufficientData);
    EXPECT_EQ(RunByCodes({1, 2, 3}, {0, 0, 1}).status, kInsufficientData);
}

TEST(UTest, AllValuesTiedHaveNoSpread)
{
    const UTestRun run = RunByColumns({5, 5}, {5, 5, 5});
    EXPECT_EQ(run.status, kInsufficientData);
    EXPECT_EQ(run.results, std::vector<double>(3, kUntouched));
}

TEST(UTest, GroupCodesOutsideZeroToOneAreBadArrays)
{
    for (const double code : {2.0, -1.0, 1e300, std::nan("")}) {
        EXPECT_EQ(RunByCodes({1, 2, 3, 4, 5}, {0, 1, 0, 1, code}).status, kBadArray) << code;
    }
}

TEST(UTest, WrongShapesAreBadArraysAndWriteNothing)
{
    const std::vector<double> column{1, 2, 3, 4};
    auto run = [&](RealHostArray options, RealHostArray data, RealHostArray codes, RealHostArray groupStats,
                   RealHostArray results) {
        const int32_t status = nkUTest(options.ref(), data.ref(), codes.ref(), groupStats.ref(), results.ref());
        // A failed check writes nothing; a successful call writes rows 1-3 and slots 1-3 only.
        const std::size_t written = status == kOk ? 3 : 0;
        for (std::size_t j = 1; j <= groupStats.cols(); ++j) {
            for (std::size_t i = written + 1; i <= groupStats.rows(); ++i) EXPECT_EQ(groupStats(i, j), kUntouched);
        }
        for (std::size_t k = written + 1; k <= results.Slots().size(); ++k) EXPECT_EQ(results[k], kUntouched);
        return status;
    };
    auto stats = [](std::size_t rows, std::size_t cols) {
        return RealHostArray::FromColumns(std::vector<std::vector<double>>(cols, std::vector<double>(rows, kUntouched)));
    };
    auto slots = [](std::size_t n) { return RealHostArray::FromValues(std::vector<double>(n, kUntouched)); };
    const RealHostArray byColumns = RealHostArray::FromColumns({column, column});
    const RealHostArray oneColumn = RealHostArray::FromColumns({column});
    const RealHostArray codes = RealHostArray::FromValues({0, 1, 0, 1});
    const RealHostArray layout0 = RealHostArray::FromValues({0});
    const RealHostArray layout1 = RealHostArray::FromValues({1});

    EXPECT_EQ(run(slots(0), byColumns, codes, stats(3, 2), slots(3)), kBadArray);
    EXPECT_EQ(run(layout1, byColumns, codes, stats(2, 2), slots(3)), kBadArray);
    EXPECT_EQ(run(layout1, byColumns, codes, stats(3, 2), slots(2)), kBadArray);
    EXPECT_EQ(run(layout1, byColumns, codes, stats(3, 1), slots(3)), kBadArray);
    EXPECT_EQ(run(layout1, byColumns, codes, stats(3, 3), slots(3)), kBadArray);
    EXPECT_EQ(run(layout0, byColumns, codes, stats(3, 2), slots(3)), kBadArray);
    EXPECT_EQ(run(layout0, oneColumn, RealHostArray::FromValues({0, 1, 0}), stats(3, 2), slots(3)), kBadArray);
    EXPECT_EQ(run(layout1, oneColumn, codes, stats(3, 2), slots(3)), kBadArray);
    EXPECT_EQ(run(layout1, RealHostArray::FromColumns({column, column, column}), codes, stats(3, 2), slots(3)),
              kBadArray);
    EXPECT_EQ(run(RealHostArray::FromValues({std::nan("")}), byColumns, codes, stats(3, 2), slots(3)), kBadArray);
    // The shapes that pass: larger result arrays are fine.
    EXPECT_EQ(run(layout0, oneColumn, codes, stats(4, 2), slots(4)), kOk);
}

// ---- Host-array forms ----

TEST(UTest, LowerBoundZeroSkipsTheFirstElements)
{
    RealHostArray data = RealHostArray::FromColumns({{4, 1, 5, 2, 6, 3}}, 0);
    RealHostArray codes = RealHostArray::FromValues({1, 0, 1, 0, 1, 0}, 0);
    // Row 0 and slot 0 would add a seventh value (or a bad code) if they were read.
    data.stored(0) = 0.5;
    data.stored(7) = 0.5;
    codes.stored(0) = 1;
    const UTestRun run = RunUTest(0, data, codes, 0);
    ASSERT_EQ(run.status, kOk);
    ExpectGroup(run, 1, 3, 2, 0);
    ExpectGroup(run, 2, 3, 5, 9);
    ExpectTest(run, UTestZ(0, 3, 3, 0));

    const UTestRun byColumns = RunUTest(1, RealHostArray::FromColumns({{1, 2, 3}, {4, 5, 6}}, 0),
                                        RealHostArray::FromValues({}, 0), 0);
    ASSERT_EQ(byColumns.status, kOk);
    EXPECT_EQ(byColumns.results, run.results);
}

// ---- Independent check ----

// U_g counts the pairs (a from group g, b from the other) with a > b, plus half the
// tied pairs; the tie sum comes from counting equal values.
TEST(UTest, UMatchesBruteForcePairCount)
{
    std::mt19937 generator(7151);
    std::uniform_int_distribution<int> value(0, 9);
    std::uniform_int_distribution<int> size(2, 30);
    std::bernoulli_distribution missing(0.1);
    for (int trial = 0; trial < 40; ++trial) {
        std::vector<double> groups[2];
        for (auto& group : groups) {
            group.resize(static_cast<std::size_t>(size(generator)));
            for (double& x : group) x = missing(generator) ? kMissing : value(generator) * 0.25 - 1;
        }
        std::vector<double> present[2];
        std::map<double, long double> multiplicity;
        for (int g = 0; g < 2; ++g) {
            for (const double x : groups[g]) {
                if (IsMissing(x)) continue;
                present[g].push_back(x);
                multiplicity[x] += 1;
            }
        }
        long double T = 0;
        for (const auto& [x, t] : multiplicity) T += t * t * t - t;

        long double U[2] = {0, 0};
        for (int g = 0; g < 2; ++g) {
            for (const double a : present[g]) {
                for (const double b : present[1 - g]) U[g] += a > b ? 1.0L : a == b ? 0.5L : 0.0L;
            }
        }

        // Layout 0 with the codes interleaved, to exercise the code path on the same data.
        std::vector<double> values, codes;
        for (std::size_t i = 0; i < groups[0].size() || i < groups[1].size(); ++i) {
            for (int g = 0; g < 2; ++g) {
                if (i >= groups[g].size()) continue;
                values.push_back(groups[g][i]);
                codes.push_back(g);
            }
        }
        const long double n[2] = {static_cast<long double>(present[0].size()),
                                  static_cast<long double>(present[1].size())};
        const long double rankSum[2] = {U[0] + n[0] * (n[0] + 1) / 2, U[1] + n[1] * (n[1] + 1) / 2};
        for (const UTestRun& run : {RunByColumns(groups[0], groups[1]), RunByCodes(values, codes)}) {
            if (n[0] < 2 || n[1] < 2 || multiplicity.size() < 2) {
                EXPECT_EQ(run.status, kInsufficientData);
                continue;
            }
            ASSERT_EQ(run.status, kOk) << "trial " << trial;
            for (int g = 0; g < 2; ++g) {
                ExpectGroup(run, g + 1, static_cast<double>(n[g]), static_cast<double>(rankSum[g] / n[g]),
                            static_cast<double>(U[g]));
            }
            // Group 1 gives z only when its rank sum is strictly the smaller.
            const int g = rankSum[0] < rankSum[1] ? 0 : 1;
            ExpectTest(run, UTestZ(U[g], n[g], n[1 - g], T));
        }
    }
}

// ---- Allocation failure ----

TEST(UTest, EachAllocationFailureGivesNoMemory)
{
    ExpectEachAllocationFailureGivesNoMemory([] {
        return RunByColumns({1, 2, 2, 7}, {3, 4, 5}).status;
    });
    ExpectEachAllocationFailureGivesNoMemory([] {
        return RunByCodes({1, 2, 2, 7, 3, 4, 5}, {0, 0, 0, 0, 1, 1, 1}).status;
    });
}

}  // namespace
}  // namespace sheetstat::testing
