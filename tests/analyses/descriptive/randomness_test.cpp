#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.25;
using Columns = std::vector<std::vector<double>>;

long double TwoTailedNormal(long double z)
{
    return std::erfc(std::fabs(z) / std::sqrt(2.0L));
}

RealHostArray Results(std::size_t cols)
{
    RealHostArray a(10, cols, 1);
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

// Rows 1 to 10 of one series against the definitions and the null moments
// E[T] = 2(n − 2)/3, Var[T] = (16n − 29)/90, E[P] = n(n − 1)/4, Var[P] = n(n − 1)(2n + 5)/72.
void ExpectSeriesResults(RealHostArray& results, std::size_t c, const std::vector<double>& x)
{
    const long double n = static_cast<long double>(x.size());
    const long double T = BruteTurningPoints(x), P = BruteRisingPairs(x);
    const long double zT = (T - 2 * (n - 2) / 3) / std::sqrt((16 * n - 29) / 90);
    const long double zP = (P - n * (n - 1) / 4) / std::sqrt(n * (n - 1) * (2 * n + 5) / 72);
    const long double expected[10] = {n, T, 2 * (n - 2) / 3, zT, TwoTailedNormal(zT),
                                      n, P, n * (n - 1) / 4, zP, TwoTailedNormal(zP)};
    for (std::size_t row = 1; row <= 10; ++row) {
        EXPECT_NEAR(results(row, c), static_cast<double>(expected[row - 1]), 1e-11) << "row " << row << ", series " << c;
    }
}

// Hand-counted scores: a rising series, ties scoring 1/2 and 2/3, and constant series
// that score exactly their expectations (both z exactly 0).
TEST(Randomness, WorkedScores)
{
    struct Case {
        std::vector<double> x;
        double T, P;
    };
    const std::vector<Case> cases = {
        {{1, 2, 3, 4, 5, 6}, 0, 15},
        {{1, 2, 2, 3}, 1, 5.5},
        {{2, 2, 2, 1}, 2.0 / 3 + 0.5, 1.5},
        {std::vector<double>(3, 4.5), 2.0 / 3, 1.5},
        {std::vector<double>(8, 4.5), 4, 14},
        {std::vector<double>(31, 4.5), 58.0 / 3, 232.5},
    };
    for (const Case& c : cases) {
        RealHostArray data = RealHostArray::FromColumns({c.x});
        RealHostArray results = Results(1);
        ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);
        EXPECT_NEAR(results(2, 1), c.T, 1e-14) << c.x.size();
        EXPECT_EQ(results(7, 1), c.P) << c.x.size();
        ExpectSeriesResults(results, 1, c.x);
        if (c.x.front() == c.x.back() && c.x.front() == 4.5) {
            EXPECT_EQ(results(2, 1), results(3, 1));
            EXPECT_EQ(results(4, 1), 0);
            EXPECT_EQ(results(9, 1), 0);
        }
    }
}

// Valid values move to the top of the caller's column in order, the rows below keep
// what they held; only the columns of results are processed.
TEST(Randomness, CompactsTheProcessedColumnsInPlace)
{
    RealHostArray data =
        RealHostArray::FromColumns({{3, kMissing, 1, kMissing, 2, 5}, {kMissing, 4, 4, 9, 1, 8}, {kMissing, 1, 2, 3, 4, 5}});
    RealHostArray results = Results(2);
    ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);
    EXPECT_EQ(data.Column(1), (std::vector<double>{3, 1, 2, 5, 2, 5}));
    EXPECT_EQ(data.Column(2), (std::vector<double>{4, 4, 9, 1, 8, 8}));
    EXPECT_EQ(data.Column(3)[0], kMissing);
    ExpectSeriesResults(results, 1, {3, 1, 2, 5});
    ExpectSeriesResults(results, 2, {4, 4, 9, 1, 8});
}

// Over all 7! equally likely orderings of 7 distinct values the reported z values must
// have mean 0 and variance 1 if the expectations and scales are the true null moments
// (the rising-pair scale √(n(n − 1)(2n + 5)/72) among them).
TEST(Randomness, ZValuesAreStandardisedOverAllPermutations)
{
    std::vector<double> x{1.5, 2, 3.25, 4, 7, 8, 10};
    Columns permutations;
    do {
        permutations.push_back(x);
    } while (std::next_permutation(x.begin(), x.end()));
    ASSERT_EQ(permutations.size(), 5040u);

    RealHostArray data = RealHostArray::FromColumns(permutations);
    RealHostArray results = Results(permutations.size());
    ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);
    long double sumZT = 0, sumZT2 = 0, sumZP = 0, sumZP2 = 0;
    for (std::size_t c = 1; c <= permutations.size(); ++c) {
        ASSERT_EQ(results(2, c), BruteTurningPoints(permutations[c - 1])) << c;
        ASSERT_EQ(results(7, c), BruteRisingPairs(permutations[c - 1])) << c;
        const long double zT = results(4, c), zP = results(9, c);
        sumZT += zT, sumZT2 += zT * zT, sumZP += zP, sumZP2 += zP * zP;
    }
    EXPECT_NEAR(static_cast<double>(sumZT / 5040), 0, 1e-12);
    EXPECT_NEAR(static_cast<double>(sumZT2 / 5040), 1, 1e-12);
    EXPECT_NEAR(static_cast<double>(sumZP / 5040), 0, 1e-12);
    EXPECT_NEAR(static_cast<double>(sumZP2 / 5040), 1, 1e-12);
}

// Long series with many ties, lengths around powers of two (every shape of the merge
// passes), spread over the rows between MissingValue cells.
TEST(Randomness, LongSeriesWithManyTiesMatchBruteForce)
{
    std::mt19937 generator(20240611);
    std::uniform_int_distribution<int> digit(0, 9);
    const std::vector<std::size_t> lengths{3, 4, 7, 8, 9, 16, 33, 255, 600};
    const std::size_t rows = 600;
    Columns columns, valid;
    for (std::size_t n : lengths) {
        columns.emplace_back(rows, kMissing);
        valid.emplace_back();
        for (std::size_t i = 0; i < n; ++i) valid.back().push_back(columns.back()[i * rows / n] = digit(generator));
    }
    RealHostArray data = RealHostArray::FromColumns(columns);
    RealHostArray results = Results(columns.size());
    ASSERT_EQ(nkRandomness(data.ref(), results.ref()), kOk);
    for (std::size_t c = 1; c <= columns.size(); ++c) ExpectSeriesResults(results, c, valid[c - 1]);
}

}  // namespace
}  // namespace sheetstat::testing
