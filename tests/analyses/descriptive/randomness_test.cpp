#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.25;

long double TwoTailedNormal(long double z)
{
    return std::erfc(std::fabs(z) / std::sqrt(2.0L));
}

RealHostArray Results(std::size_t cols, std::size_t rows = 10, int lowerBound = 1)
{
    RealHostArray a(rows, cols, lowerBound);
    for (std::size_t p = 0; p < a.storedCount(); ++p) a.stored(p) = kUntouched;
    return a;
}

// Brute-force scores of a series, straight from their definitions.
double BruteTurningPoints(const std::vector<double>& x)
{
    double T = 0;
    for (std::size_t i = 1; i + 1 < x.size(); ++i) {
        const double a = x[i - 1], b = x[i], c = x[i + 1];
        if ((b > a && b > c) || (b < a && b < c)) T += 1;
        else if ((a == b) + (b == c) == 1) T += 0.5;
        else if (a == b && b == c) T += 2.0 / 3;
    }
    return T;
}

double BruteRisingPairs(const std::vector<double>& x)
{
    double P = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        for (std::size_t j = i + 1; j < x.size(); ++j) P += x[j] > x[i] ? 1 : x[j] == x[i] ? 0.5 : 0;
    }
    return P;
}

// Rows 1 to 10 of one series, checked against the definitions and the null moments
// E[T] = 2(n − 2)/3, Var[T] = (16n − 29)/90, E[P] = n(n − 1)/4, Var[P] = n(n − 1)(2n + 5)/72.
void ExpectSeriesResults(RealHostArray& results, std::size_t c, const std::vector<double>& x)
{
    const long double n = static_cast<long double>(x.size());
    const long double T = BruteTurningPoints(x), P = BruteRisingPairs(x);
    const long double zT = (T - 2 * (n - 2) / 3) / std::sqrt((16 * n - 29) / 90);
    const long double zP = (P - n * (n - 1) / 4) / std::sqrt(n * (n - 1) * (2 * n + 5) / 72);
    EXPECT_EQ(results(1, c), static_cast<double>(n));
    EXPECT_NEAR(results(2, c), static_cast<double>(T), 1e-12);
    EXPECT_NEAR(results(3, c), static_cast<double>(2 * (n - 2) / 3), 1e-12);
    EXPECT_NEAR(results(4, c), static_cast<double>(zT), 1e-12);
    EXPECT_NEAR(results(5, c), static_cast<double>(TwoTailedNormal(zT)), 1e-9);
    EXPECT_EQ(results(6, c), static_cast<double>(n));
    EXPECT_EQ(results(7, c), static_cast<double>(P));
    EXPECT_NEAR(results(8, c), static_cast<double>(n * (n - 1) / 4), 1e-12);
    EXPECT_NEAR(results(9, c), static_cast<double>(zP), 1e-12);
    EXPECT_NEAR(results(10, c), static_cast<double>(TwoTailedNormal(zP)), 1e-9);
}

// ---- Worked examples ----

TEST(Randomness, StrictlyIncreasingSeries)
{
    RealHostArray data = RealHostArray::FromColumns({{1, 2, 3, 4, 5, 6}});
    RealHostArray results = Results(1);
    ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);
    EXPECT_EQ(results(2, 1), 0);
    EXPECT_EQ(results(7, 1), 15);
    // z_T = (0 − 8/3)/√(67/90), z_P = (15 − 7.5)/√(6·5·17/72).
    EXPECT_NEAR(results(4, 1), -3.0906696, 1e-7);
    EXPECT_NEAR(results(9, 1), 2.8180093, 1e-7);
    ExpectSeriesResults(results, 1, {1, 2, 3, 4, 5, 6});
}

TEST(Randomness, TiesScoreFractions)
{
    // 1, 2, 2, 3: each interior point is tied with one neighbour; one tied pair.
    RealHostArray data = RealHostArray::FromColumns({{1, 2, 2, 3}, {2, 2, 2, 1}});
    RealHostArray results = Results(2);
    ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);
    EXPECT_EQ(results(2, 1), 1);
    EXPECT_EQ(results(7, 1), 5.5);
    ExpectSeriesResults(results, 1, {1, 2, 2, 3});
    // 2, 2, 2, 1: the second point is tied both ways (2/3), the third once (1/2).
    EXPECT_NEAR(results(2, 2), 2.0 / 3 + 0.5, 1e-15);
    EXPECT_EQ(results(7, 2), 1.5);
}

TEST(Randomness, ConstantSeriesScoresExactlyItsExpectation)
{
    for (std::size_t n : {3u, 5u, 8u, 31u}) {
        RealHostArray data = RealHostArray::FromColumns({std::vector<double>(n, 4.5)});
        RealHostArray results = Results(1);
        ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);
        EXPECT_EQ(results(2, 1), results(3, 1)) << n;
        EXPECT_EQ(results(4, 1), 0) << n;
        EXPECT_EQ(results(5, 1), 1) << n;
        EXPECT_EQ(results(7, 1), static_cast<double>(n * (n - 1)) / 4) << n;
        EXPECT_EQ(results(9, 1), 0) << n;
        EXPECT_EQ(results(10, 1), 1) << n;
    }
}

// ---- Compaction of the caller's data ----

TEST(Randomness, ValidValuesAreCompactedToTheTopInOrder)
{
    RealHostArray data = RealHostArray::FromColumns({{3, kMissing, 1, kMissing, 2, 5}, {kMissing, 4, 4, 9, 1, 8}});
    RealHostArray results = Results(2);
    ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);
    // Rows below the valid values keep what they held.
    EXPECT_EQ(data.Column(1), (std::vector<double>{3, 1, 2, 5, 2, 5}));
    EXPECT_EQ(data.Column(2), (std::vector<double>{4, 4, 9, 1, 8, 8}));
    ExpectSeriesResults(results, 1, {3, 1, 2, 5});
    ExpectSeriesResults(results, 2, {4, 4, 9, 1, 8});
}

TEST(Randomness, OnlyTheColumnsOfResultsAreProcessed)
{
    RealHostArray data = RealHostArray::FromColumns({{1, kMissing, 3, 2}, {kMissing, 1, 2, 3}});
    RealHostArray results = Results(1);
    ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);
    EXPECT_EQ(data.Column(2)[0], kMissing);
    ExpectSeriesResults(results, 1, {1, 3, 2});
}

// ---- Independent checks of the null moments ----

// Over all 7! orderings of 7 distinct values every ordering is equally likely under
// randomness, so the z values the export reports must have mean 0 and variance 1
// exactly (up to rounding) if its expectations and standard deviations are the true
// null moments. The rising-pair scale √(n(n − 1)(2n + 5)/72) is checked this way.
TEST(Randomness, ZValuesAreStandardisedOverAllPermutations)
{
    std::vector<double> x{1.5, 2, 3.25, 4, 7, 8, 10};
    std::vector<std::vector<double>> permutations;
    do {
        permutations.push_back(x);
    } while (std::next_permutation(x.begin(), x.end()));
    ASSERT_EQ(permutations.size(), 5040u);

    RealHostArray data = RealHostArray::FromColumns(permutations);
    RealHostArray results = Results(permutations.size());
    ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);

    long double sumT = 0, sumT2 = 0, sumP = 0, sumP2 = 0, sumZT = 0, sumZT2 = 0, sumZP = 0, sumZP2 = 0;
    for (std::size_t c = 1; c <= permutations.size(); ++c) {
        const long double T = BruteTurningPoints(permutations[c - 1]);
        const long double P = BruteRisingPairs(permutations[c - 1]);
        ASSERT_EQ(results(2, c), static_cast<double>(T)) << c;
        ASSERT_EQ(results(7, c), static_cast<double>(P)) << c;
        sumT += T, sumT2 += T * T, sumP += P, sumP2 += P * P;
        sumZT += results(4, c), sumZT2 += static_cast<long double>(results(4, c)) * results(4, c);
        sumZP += results(9, c), sumZP2 += static_cast<long double>(results(9, c)) * results(9, c);
        ASSERT_NEAR(results(5, c), static_cast<double>(TwoTailedNormal(results(4, c))), 1e-9);
        ASSERT_NEAR(results(10, c), static_cast<double>(TwoTailedNormal(results(9, c))), 1e-9);
    }
    const long double N = 5040;
    // The exact null moments, from the enumeration.
    const long double meanT = sumT / N, varT = sumT2 / N - meanT * meanT;
    const long double meanP = sumP / N, varP = sumP2 / N - meanP * meanP;
    EXPECT_NEAR(static_cast<double>(meanT), 10.0 / 3, 1e-12);
    EXPECT_NEAR(static_cast<double>(varT), (16.0 * 7 - 29) / 90, 1e-12);
    EXPECT_NEAR(static_cast<double>(meanP), 10.5, 1e-12);
    EXPECT_NEAR(static_cast<double>(varP), 7.0 * 6 * 19 / 72, 1e-12);
    // The reported z values are standardised.
    EXPECT_NEAR(static_cast<double>(sumZT / N), 0, 1e-12);
    EXPECT_NEAR(static_cast<double>(sumZT2 / N), 1, 1e-12);
    EXPECT_NEAR(static_cast<double>(sumZP / N), 0, 1e-12);
    EXPECT_NEAR(static_cast<double>(sumZP2 / N), 1, 1e-12);
}

TEST(Randomness, LongSeriesWithManyTiesMatchesBruteForce)
{
    // Lengths around powers of two exercise every shape of the merge passes.
    std::mt19937 generator(20240611);
    std::uniform_int_distribution<int> digit(0, 9);
    std::vector<std::vector<double>> columns;
    const std::vector<std::size_t> lengths{3, 4, 7, 8, 9, 16, 33, 255, 600};
    const std::size_t rows = 600;
    for (std::size_t n : lengths) {
        std::vector<double> column(rows, kMissing);
        for (std::size_t i = 0; i < n; ++i) column[i * rows / n] = digit(generator);
        columns.push_back(column);
    }
    RealHostArray data = RealHostArray::FromColumns(columns);
    RealHostArray results = Results(columns.size());
    ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);
    for (std::size_t c = 1; c <= columns.size(); ++c) {
        std::vector<double> valid;
        for (double v : columns[c - 1]) {
            if (!IsMissing(v)) valid.push_back(v);
        }
        ASSERT_EQ(valid.size(), lengths[c - 1]);
        ExpectSeriesResults(results, c, valid);
    }
}

// ---- Status paths ----

TEST(Randomness, ResultsTooSmallOrWiderThanData)
{
    RealHostArray data = RealHostArray::FromColumns({{1, 3, 2}});
    RealHostArray nineRows = Results(1, 9);
    EXPECT_EQ(nkRandomness(data.ref(), nineRows.ref()), kBadArray);
    RealHostArray twoSeries = Results(2);
    EXPECT_EQ(nkRandomness(data.ref(), twoSeries.ref()), kBadArray);
    for (std::size_t p = 0; p < twoSeries.storedCount(); ++p) EXPECT_EQ(twoSeries.stored(p), kUntouched);
    // No series asked for: nothing to do.
    RealHostArray none = Results(0);
    EXPECT_EQ(nkRandomness(data.ref(), none.ref()), kOk);
}

TEST(Randomness, FewerThanThreeValuesInAnySeries)
{
    for (const auto& short_ : std::vector<std::vector<double>>{{kMissing, 2, kMissing, 1}, {kMissing, 1, kMissing, kMissing},
                                                                std::vector<double>(4, kMissing)}) {
        // The first series is fine, but nothing is rewritten before every series is checked.
        RealHostArray data = RealHostArray::FromColumns({{kMissing, 1, 3, 2}, short_});
        RealHostArray results = Results(2);
        EXPECT_EQ(nkRandomness(data.ref(), results.ref()), kInsufficientData);
        EXPECT_EQ(data.Column(1), (std::vector<double>{kMissing, 1, 3, 2}));
        for (std::size_t p = 0; p < results.storedCount(); ++p) EXPECT_EQ(results.stored(p), kUntouched);
    }
}

// ---- Host-array forms ----

TEST(Randomness, ArraysIndexedFromZeroAndOneAgree)
{
    for (int lowerBound : {0, 1}) {
        RealHostArray data = RealHostArray::FromColumns({{5, kMissing, 1, 4, 4, 2}}, lowerBound);
        if (lowerBound == 0) {
            for (std::size_t p = 0; p <= 6; ++p) data.stored(p) = kMissing;  // column 0
            data.stored(7) = -99;  // row 0 of column 1: not part of the series
        }
        RealHostArray results = Results(1, 10, lowerBound);
        ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk) << lowerBound;
        ExpectSeriesResults(results, 1, {5, 1, 4, 4, 2});
        EXPECT_EQ(data.Column(1), (std::vector<double>{5, 1, 4, 4, 2, 2}));
        if (lowerBound == 0) {
            EXPECT_EQ(data.stored(7), -99);
            for (std::size_t p = 0; p <= 11; ++p) EXPECT_EQ(results.stored(p), kUntouched);
        }
    }
}

// ---- Work storage ----

TEST(Randomness, EachAllocationFailureGivesNoMemory)
{
    ExpectEachAllocationFailureGivesNoMemory([] {
        RealHostArray data = RealHostArray::FromColumns({{5, kMissing, 1, 4, 4, 2}, {1, 2, 3, 2, 1, 0}});
        RealHostArray results = Results(2);
        return nkRandomness(data.ref(), results.ref());
    });
}

}  // namespace
}  // namespace sheetstat::testing
