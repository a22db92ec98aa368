// Wilcoxon signed-rank test: worked examples, ties and zero differences, status paths,
// host-array forms, allocation failure, and rank sums checked against mid-ranks of
// |x − y| computed by brute force.
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct WilcoxonRun {
    int32_t status;
    std::vector<double> results;  // slots 1..8 at 0..7
};

WilcoxonRun RunWilcoxon(const std::vector<double>& x, const std::vector<double>& y, int lowerBound = 1)
{
    RealHostArray data = RealHostArray::FromColumns({x, y}, lowerBound);
    RealHostArray results(8, lowerBound);
    const int32_t status = nkWilcoxon(data.ref(), results.ref());
    return {status, results.Slots()};
}

// Φ(z) in long double, independent of the library's normal distribution.
double Phi(long double z)
{
    return static_cast<double>(0.5L * std::erfc(-z / std::sqrt(2.0L)));
}

// Normal approximation of the signed-rank statistic W for n ranked pairs.
double SignedRankZ(long double W, long double n)
{
    return static_cast<double>((W - n * (n + 1) / 4) / std::sqrt(n * (n + 1) * (2 * n + 1) / 24));
}

constexpr double kProbabilityTolerance = 1e-7;

void ExpectProbabilities(const WilcoxonRun& run, double z)
{
    const double lowerTail = z < 0 ? Phi(z) : 1 - Phi(z);
    EXPECT_NEAR(run.results[6], lowerTail, kProbabilityTolerance);
    EXPECT_DOUBLE_EQ(run.results[7], 2 * run.results[6]);
}

// ---- Worked examples and edge cases ----

TEST(Wilcoxon, FourPairsExample)
{
    const WilcoxonRun run = RunWilcoxon({1, 2, 3, 4}, {2, 4, 6, 3});
    ASSERT_EQ(run.status, kOk);
    // d = x − y = −1, −2, −3, 1: |d| ranks 1.5, 3, 4, 1.5.
    EXPECT_EQ(run.results[0], 3);
    EXPECT_EQ(run.results[1], 1);
    EXPECT_EQ(run.results[2], 0);
    EXPECT_EQ(run.results[3], 8.5);
    EXPECT_EQ(run.results[4], 1.5);
    EXPECT_NEAR(run.results[5], -1.2780, 5e-5);
    EXPECT_NEAR(run.results[5], SignedRankZ(1.5L, 4), 1e-12);
    ExpectProbabilities(run, run.results[5]);
}

TEST(Wilcoxon, SingleNonZeroPairGivesZMinusOne)
{
    for (const auto& pair : {std::vector<double>{5, 3}, std::vector<double>{3, 5}}) {
        const WilcoxonRun run = RunWilcoxon({pair[0]}, {pair[1]});
        ASSERT_EQ(run.status, kOk);
        const bool firstLarger = pair[0] > pair[1];
        EXPECT_EQ(run.results[0], firstLarger ? 0 : 1);
        EXPECT_EQ(run.results[1], firstLarger ? 1 : 0);
        EXPECT_EQ(run.results[3], firstLarger ? 0 : 1);
        EXPECT_EQ(run.results[4], firstLarger ? 1 : 0);
        EXPECT_DOUBLE_EQ(run.results[5], -1.0);
        ExpectProbabilities(run, -1.0);
    }
}

TEST(Wilcoxon, TiedAbsoluteDifferencesShareMidRanks)
{
    // d = 1, −2, 2, 3: ranks 1, 2.5, 2.5, 4.
    const WilcoxonRun run = RunWilcoxon({1, 0, 2, 3}, {0, 2, 0, 0});
    ASSERT_EQ(run.status, kOk);
    EXPECT_EQ(run.results[0], 1);
    EXPECT_EQ(run.results[1], 3);
    EXPECT_EQ(run.results[3], 2.5);
    EXPECT_EQ(run.results[4], 7.5);
    EXPECT_NEAR(run.results[5], SignedRankZ(2.5L, 4), 1e-12);
}

TEST(Wilcoxon, EqualRankSumsGiveZeroAndHalf)
{
    const WilcoxonRun run = RunWilcoxon({1, 3, 10, 20}, {2, 2, 14, 16});
    ASSERT_EQ(run.status, kOk);
    // d = −1, 1, −4, 4: ranks 1.5, 1.5, 3.5, 3.5; both sums 5 = n(n + 1)/4.
    EXPECT_EQ(run.results[3], 5);
    EXPECT_EQ(run.results[4], 5);
    EXPECT_EQ(run.results[5], 0.0);
    EXPECT_NEAR(run.results[6], 0.5, kProbabilityTolerance);
    EXPECT_NEAR(run.results[7], 1.0, 2 * kProbabilityTolerance);
}

TEST(Wilcoxon, ZeroDifferencesAreCountedButNotRanked)
{
    // The four-pair example with two equal pairs and two incomplete pairs added.
    const WilcoxonRun run =
        RunWilcoxon({7, 1, kMissing, 2, 3, 8, 4, 5}, {7, 2, 1, 4, 6, 8, 3, kMissing});
    ASSERT_EQ(run.status, kOk);
    EXPECT_EQ(run.results[0], 3);
    EXPECT_EQ(run.results[1], 1);
    EXPECT_EQ(run.results[2], 2);
    EXPECT_EQ(run.results[3], 8.5);
    EXPECT_EQ(run.results[4], 1.5);
    EXPECT_NEAR(run.results[5], SignedRankZ(1.5L, 4), 1e-12);
}

// ---- Status paths ----

TEST(Wilcoxon, NoNonZeroDifferenceIsInsufficientData)
{
    EXPECT_EQ(RunWilcoxon({1, 2, 3}, {1, 2, 3}).status, kInsufficientData);
    EXPECT_EQ(RunWilcoxon({1, kMissing}, {kMissing, 2}).status, kInsufficientData);
    EXPECT_EQ(RunWilcoxon({}, {}).status, kInsufficientData);
}

TEST(Wilcoxon, WrongShapesAreBadArraysAndWriteNothing)
{
    const std::vector<double> column{1, 2, 3, 4};
    for (const auto& columns : {std::vector<std::vector<double>>{column},
                                std::vector<std::vector<double>>{column, column, column}}) {
        RealHostArray data = RealHostArray::FromColumns(columns);
        RealHostArray results = RealHostArray::FromValues(std::vector<double>(8, -7.0));
        EXPECT_EQ(nkWilcoxon(data.ref(), results.ref()), kBadArray);
        EXPECT_EQ(results.Slots(), std::vector<double>(8, -7.0));
    }
    RealHostArray data = RealHostArray::FromColumns({{1, 2, 3, 4}, {2, 4, 6, 3}});
    RealHostArray results = RealHostArray::FromValues(std::vector<double>(7, -7.0));
    EXPECT_EQ(nkWilcoxon(data.ref(), results.ref()), kBadArray);
    EXPECT_EQ(results.Slots(), std::vector<double>(7, -7.0));
}

// ---- Host-array forms ----

TEST(Wilcoxon, LowerBoundZeroSkipsTheFirstRowColumnAndSlot)
{
    RealHostArray data = RealHostArray::FromColumns({{1, 2, 3, 4}, {2, 4, 6, 3}}, 0);
    RealHostArray results(8, 0);
    // Row 0 and column 0 would change every result if they were read.
    for (std::size_t p = 0; p < 5; ++p) data.stored(p) = 100.0 + static_cast<double>(p);
    data.stored(5) = 50;
    data.stored(10) = -50;
    results.stored(0) = -3;
    ASSERT_EQ(nkWilcoxon(data.ref(), results.ref()), kOk);
    EXPECT_EQ(results.stored(0), -3);
    EXPECT_EQ(results.Slots(), RunWilcoxon({1, 2, 3, 4}, {2, 4, 6, 3}, 1).results);
    EXPECT_EQ(results[4], 8.5);
}

// ---- Independent check ----

// Mid-ranks of |d| by brute force: #{|d_j| < |d_i|} plus the mean position within the
// run of equal values, summed by the sign of d.
TEST(Wilcoxon, RankSumsMatchBruteForceMidRanks)
{
    std::mt19937 generator(20240611);
    std::uniform_int_distribution<int> value(0, 6);
    std::bernoulli_distribution missing(0.1);
    for (int trial = 0; trial < 40; ++trial) {
        const std::size_t rows = 1 + static_cast<std::size_t>(trial) * 3;
        std::vector<double> x(rows), y(rows);
        for (std::size_t i = 0; i < rows; ++i) {
            x[i] = missing(generator) ? kMissing : value(generator) * 0.5;
            y[i] = missing(generator) ? kMissing : value(generator) * 0.5;
        }
        std::vector<double> d;
        long double equalCount = 0;
        for (std::size_t i = 0; i < rows; ++i) {
            if (IsMissing(x[i]) || IsMissing(y[i])) continue;
            if (x[i] == y[i]) {
                ++equalCount;
            } else {
                d.push_back(x[i] - y[i]);
            }
        }
        long double smallerSum = 0, largerSum = 0, firstSmaller = 0;
        for (const double di : d) {
            long double below = 0, equal = 0;
            for (const double dj : d) {
                if (std::fabs(dj) < std::fabs(di)) ++below;
                if (std::fabs(dj) == std::fabs(di)) ++equal;
            }
            const long double midRank = below + (equal + 1) / 2;
            if (di < 0) {
                smallerSum += midRank;
                ++firstSmaller;
            } else {
                largerSum += midRank;
            }
        }

        const WilcoxonRun run = RunWilcoxon(x, y);
        if (d.empty()) {
            EXPECT_EQ(run.status, kInsufficientData);
            continue;
        }
        ASSERT_EQ(run.status, kOk) << "trial " << trial;
        const auto n = static_cast<long double>(d.size());
        EXPECT_EQ(run.results[0], static_cast<double>(firstSmaller));
        EXPECT_EQ(run.results[1], static_cast<double>(n - firstSmaller));
        EXPECT_EQ(run.results[2], static_cast<double>(equalCount));
        EXPECT_EQ(run.results[3], static_cast<double>(smallerSum));
        EXPECT_EQ(run.results[4], static_cast<double>(largerSum));
        const long double W = smallerSum < largerSum ? smallerSum : largerSum;
        const double z = SignedRankZ(W, n);
        EXPECT_NEAR(run.results[5], z, 1e-12);
        EXPECT_LE(run.results[5], 0.0);
        ExpectProbabilities(run, z);
    }
}

// ---- Allocation failure ----

TEST(Wilcoxon, EachAllocationFailureGivesNoMemory)
{
    ExpectEachAllocationFailureGivesNoMemory([] {
        RealHostArray data = RealHostArray::FromColumns({{1, 2, 3, 4, 5}, {2, 4, 6, 3, 5}});
        RealHostArray results(8);
        return nkWilcoxon(data.ref(), results.ref());
    });
}

}  // namespace
}  // namespace sheetstat::testing
