// nkUTest (Mann-Whitney U): worked examples, mid-ranks, the group that gives z, both
// layouts, and U against a brute-force count of pairs.
#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.0;

struct UTestRun {
    int32_t status;
    std::vector<double> stats[2];  // groupStats column g at [g − 1], rows 1..3 at 0..2
    std::vector<double> results;   // slots 1..3 at 0..2
};

UTestRun RunUTest(double layout, RealHostArray data, RealHostArray codes)
{
    const std::vector<double> untouched(3, kUntouched);
    RealHostArray options = RealHostArray::FromValues({layout}), results = RealHostArray::FromValues(untouched);
    RealHostArray groupStats = RealHostArray::FromColumns({untouched, untouched});
    const int32_t status = nkUTest(options.ref(), data.ref(), codes.ref(), groupStats.ref(), results.ref());
    return {status, {groupStats.Column(1), groupStats.Column(2)}, results.Slots()};
}

// One column per group, the shorter padded with MissingValue.
UTestRun RunByColumns(std::vector<double> first, std::vector<double> second)
{
    first.resize(std::max(first.size(), second.size()), kMissing);
    second.resize(first.size(), kMissing);
    return RunUTest(1, RealHostArray::FromColumns({first, second}), RealHostArray::FromValues({}));
}

UTestRun RunByCodes(const std::vector<double>& values, const std::vector<double>& codes)
{
    return RunUTest(0, RealHostArray::FromColumns({values}), RealHostArray::FromValues(codes));
}

// z of group g (U_g, n_g) against group h, with the tie sum T = Σ(t³ − t).
double UTestZ(long double U, long double n_g, long double n_h, long double T)
{
    const long double N = n_g + n_h;
    const long double variance = n_g * n_h / (N * (N - 1)) * ((N * N * N - N) - T) / 12;
    return static_cast<double>((U - n_g * n_h / 2) / std::sqrt(variance));
}

void ExpectTest(const UTestRun& run, double z)
{
    EXPECT_NEAR(run.results[0], z, 1e-12 * (1 + std::fabs(z)));
    const double smallerTail = static_cast<double>(z < 0 ? ReferenceNormalCdf(z) : 1 - ReferenceNormalCdf(z));
    EXPECT_NEAR(run.results[1], smallerTail, 1e-7);
    EXPECT_LE(run.results[1], 0.5);
    EXPECT_DOUBLE_EQ(run.results[2], 2 * run.results[1]);
}

void ExpectGroup(const UTestRun& run, int g, double n, double meanRank, double U)
{
    EXPECT_EQ(run.stats[g - 1][0], n) << "group " << g;
    EXPECT_DOUBLE_EQ(run.stats[g - 1][1], meanRank) << "group " << g;
    EXPECT_EQ(run.stats[g - 1][2], U) << "group " << g;
}

// Groups {1, 2, 3} and {4, 5, 6}: rank sums 6 and 15, U = 0 and 9, mean ranks 2 and 5.
void ExpectSeparatedExample(const UTestRun& run)
{
    ASSERT_EQ(run.status, kOk);
    ExpectGroup(run, 1, 3, 2, 0);
    ExpectGroup(run, 2, 3, 5, 9);
    ExpectTest(run, UTestZ(0, 3, 3, 0));
}

TEST(UTest, MidRanksAndTheGroupWithTheSmallerRankSumGivesZ)
{
    struct Case {
        const char* what;
        std::vector<double> group1, group2;
        double meanRank[2], U[2], T;
        int zGroup;
    };
    const Case cases[] = {
        {"ties: 1, 2, 2, 3 rank 1, 2.5, 2.5, 4", {1, 2}, {2, 3}, {1.75, 3.25}, {0.5, 3.5}, 6, 1},
        {"equal rank sums: z = 0, slots 0.5 and 1", {1, 4}, {2, 3}, {2.5, 2.5}, {2, 2}, 0, 2},
        {"equal rank sums 14 of unequal groups: group 2's z < 0", {1, 6, 7}, {2, 3, 4, 5}, {14.0 / 3, 3.5}, {8, 4}, 0, 2},
        {"rank sums 23 and 55: the smaller gives z > 0", {11, 12}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {11.5, 5.5},
         {20, 0}, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const UTestRun run = RunByColumns(c.group1, c.group2);
        ASSERT_EQ(run.status, kOk);
        const double n[2] = {static_cast<double>(c.group1.size()), static_cast<double>(c.group2.size())};
        for (int g = 1; g <= 2; ++g) ExpectGroup(run, g, n[g - 1], c.meanRank[g - 1], c.U[g - 1]);
        const int g = c.zGroup - 1;
        ExpectTest(run, UTestZ(c.U[g], n[g], n[1 - g], c.T));
    }
}

TEST(UTest, Layouts)
{
    ExpectSeparatedExample(RunByColumns({1, 2, 3}, {4, 5, 6}));
    // Layout 0: codes 1.9 → group 2 and −0.5 → group 1; rows with a missing value or code skipped.
    ExpectSeparatedExample(RunByCodes({4, 1, 99, 5, 2, kMissing, 6, 3}, {1.9, -0.5, kMissing, 1, 0, 0, 1.2, 0.7}));
}

// All values equal: no spread to test against, and no z is written.
TEST(UTest, AllValuesEqualWriteNoZ)
{
    const UTestRun tied = RunByColumns({5, 5}, {5, 5, 5});
    EXPECT_EQ(tied.status, kInsufficientData);
    EXPECT_EQ(tied.results, std::vector<double>(3, kUntouched));
}

// U_g counts the pairs (a from group g, b from the other) with a > b, plus half the
// tied pairs; the tie sum comes from counting equal values.
TEST(UTest, UMatchesBruteForcePairCount)
{
    std::mt19937 generator(7151);
    std::uniform_int_distribution<int> value(0, 9);
    std::uniform_int_distribution<int> size(2, 30);
    std::bernoulli_distribution missing(0.1);
    for (int trial = 0; trial < 40; ++trial) {
        std::vector<double> groups[2], present[2];
        std::map<double, long double> multiplicity;
        for (int g = 0; g < 2; ++g) {
            groups[g].resize(static_cast<std::size_t>(size(generator)));
            for (double& x : groups[g]) {
                x = missing(generator) ? kMissing : value(generator) * 0.25 - 1;
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
        const long double n[2] = {static_cast<long double>(present[0].size()),
                                  static_cast<long double>(present[1].size())};
        const long double rankSum[2] = {U[0] + n[0] * (n[0] + 1) / 2, U[1] + n[1] * (n[1] + 1) / 2};
        const UTestRun run = RunByColumns(groups[0], groups[1]);
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

}  // namespace
}  // namespace sheetstat::testing
