// Chi-square goodness of fit and crosstabs: worked examples, probabilities against
// closed forms of the chi-square distribution, Fisher's exact test against direct
// hypergeometric summation in long double, margins and tabulation written into the
// caller's table, MissingValue results, status paths, host arrays from 0 and 1 and
// allocation failure.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "analyses/descriptive/chi_square.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

using testing::kBadArray;
using testing::kInsufficientData;
using testing::kMissing;
using testing::kOk;

constexpr int32_t kEmptyCell = SHEETSTAT_CHI_SQUARE_EMPTY_CELL;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
// The incomplete gamma function stops its iterations at a relative change of 3e-7.
constexpr double kProbTolerance = 1e-6;

// Upper tails of the chi-square distribution in closed form.
double ChiSquareTail1(double x) { return std::erfc(std::sqrt(x / 2)); }
double ChiSquareTail2(double x) { return std::exp(-x / 2); }
double ChiSquareTail3(double x) { return std::erfc(std::sqrt(x / 2)) + std::sqrt(2 * x / std::numbers::pi) * std::exp(-x / 2); }

// ---- LogFactorial and FisherExactP ----

long double LogChoose(long double n, long double k)
{
    return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1);
}

// Hypergeometric probability of the table (a, b; c, d) given its margins.
long double TableProbability(long a, long b, long c, long d)
{
    return std::exp(LogChoose(a + b, a) + LogChoose(c + d, c) - LogChoose(a + b + c + d, a + c));
}

// Sum over every table with the margins of (a, b; c, d) whose cell at the position of
// the smallest observed cell is no larger than that cell.
long double ReferenceFisher(long a, long b, long c, long d)
{
    const long r1 = a + b, r2 = c + d, c1 = a + c;
    const std::array<long, 4> observed = {a, b, c, d};
    const auto smallest = static_cast<std::size_t>(std::min_element(observed.begin(), observed.end()) - observed.begin());
    long double p = 0;
    for (long x = std::max(0L, c1 - r2); x <= std::min(r1, c1); ++x) {
        const std::array<long, 4> table = {x, r1 - x, c1 - x, r2 - c1 + x};
        if (table[smallest] <= observed[smallest]) p += TableProbability(table[0], table[1], table[2], table[3]);
    }
    return p;
}

TEST(LogFactorial, ExactProductsThenStirling)
{
    EXPECT_EQ(LogFactorial(0), 0.0);
    EXPECT_EQ(LogFactorial(1), 0.0);
    for (int n = 2; n <= 30; ++n) {
        EXPECT_NEAR(LogFactorial(n), static_cast<double>(std::lgamma(n + 1.0L)), 1e-13 * std::lgamma(n + 1.0)) << n;
    }
    for (int n : {31, 40, 100, 1000, 100000}) EXPECT_NEAR(LogFactorial(n), static_cast<double>(std::lgamma(n + 1.0L)), 1e-7) << n;
}

TEST(FisherExactP, ThreeOneOneThreeSumsTwoTables)
{
    EXPECT_NEAR(FisherExactP(3, 1, 1, 3), 17.0 / 70, 1e-14);
}

TEST(FisherExactP, AgreesWithHypergeometricSummationAndTransposition)
{
    // The smallest cell in each position; small tables use exact factorials only.
    const std::vector<std::array<int32_t, 4>> small = {
        {3, 1, 1, 3}, {2, 7, 8, 2}, {0, 5, 6, 3}, {1, 9, 11, 3}, {7, 2, 9, 4}, {5, 8, 1, 12}, {9, 6, 4, 2}, {1, 1, 3, 5}};
    for (const auto& t : small) {
        const double reference = static_cast<double>(ReferenceFisher(t[0], t[1], t[2], t[3]));
        EXPECT_NEAR(FisherExactP(t[0], t[1], t[2], t[3]), reference, 1e-12 * reference)
            << t[0] << " " << t[1] << " " << t[2] << " " << t[3];
        EXPECT_NEAR(FisherExactP(t[0], t[2], t[1], t[3]), reference, 1e-12 * reference) << "transposed";
    }
    // Larger margins run through Stirling's series.
    const std::vector<std::array<int32_t, 4>> large = {{12, 40, 35, 50}, {45, 20, 31, 60}, {70, 52, 18, 33}, {8, 30, 25, 41}};
    for (const auto& t : large) {
        const double reference = static_cast<double>(ReferenceFisher(t[0], t[1], t[2], t[3]));
        EXPECT_NEAR(FisherExactP(t[0], t[1], t[2], t[3]), reference, 1e-5 * reference);
        EXPECT_NEAR(FisherExactP(t[0], t[2], t[1], t[3]), reference, 1e-5 * reference) << "transposed";
    }
}

TEST(FisherExactP, ZeroCellGivesTheObservedTableAlone)
{
    EXPECT_NEAR(FisherExactP(0, 5, 6, 3), static_cast<double>(TableProbability(0, 5, 6, 3)), 1e-15);
}

// ---- nkChiSquare ----

int32_t RunChiSquare(const std::vector<double>& observed, const std::vector<double>& expected,
                     std::vector<double>* out = nullptr, int lowerBound = 1, std::size_t slots = 3)
{
    RealHostArray data = RealHostArray::FromColumns({observed, expected}, lowerBound);
    RealHostArray results(slots, lowerBound);
    const int32_t status = nkChiSquare(data.ref(), results.ref());
    if (out != nullptr) *out = results.Slots();
    return status;
}

TEST(ChiSquare, CountsAndProportionsGiveTheSameTest)
{
    const std::vector<double> observed = {18, 22, 20, 40};
    for (int lowerBound : {0, 1}) {
        for (const std::vector<double>& expected : {std::vector<double>{20, 20, 20, 40}, {0.2, 0.2, 0.2, 0.4}}) {
            std::vector<double> out;
            ASSERT_EQ(RunChiSquare(observed, expected, &out, lowerBound), kOk);
            EXPECT_NEAR(out[0], 0.4, 1e-13);  // (4 + 4 + 0 + 0)/20
            EXPECT_EQ(out[1], 3);
            EXPECT_NEAR(out[2], ChiSquareTail3(0.4), kProbTolerance);
        }
    }
    std::vector<double> out;
    ASSERT_EQ(RunChiSquare({30, 50, 20}, {1, 1, 1}, &out), kOk);
    EXPECT_NEAR(out[0], 14, 1e-12);  // Σ(O − 100/3)²/(100/3) = (4200/9)/(100/3)
    EXPECT_EQ(out[1], 2);
    EXPECT_NEAR(out[2], ChiSquareTail2(14), kProbTolerance);
}

TEST(ChiSquare, StatusPaths)
{
    std::vector<double> out;
    EXPECT_EQ(RunChiSquare({5, 6}, {5, 6}, &out, 1, 2), kBadArray);
    {
        RealHostArray results(3);
        RealHostArray three = RealHostArray::FromColumns({{5, 6}, {5, 6}, {1, 1}});
        RealHostArray one = RealHostArray::FromColumns({{5, 6}});
        EXPECT_EQ(nkChiSquare(three.ref(), results.ref()), kBadArray);
        EXPECT_EQ(nkChiSquare(one.ref(), results.ref()), kBadArray);
    }
    EXPECT_EQ(RunChiSquare({5}, {5}), kInsufficientData);
    EXPECT_EQ(RunChiSquare({}, {}), kInsufficientData);
    EXPECT_EQ(RunChiSquare({5, kMissing}, {5, 6}), kEmptyCell);
    EXPECT_EQ(RunChiSquare({5, 6}, {kMissing, 6}), kEmptyCell);
    EXPECT_EQ(RunChiSquare({5, 6}, {5, 0}), kEmptyCell);
    // Expected frequencies that cancel out cannot be rescaled to the observed total,
    // and without observations there is nothing to test.
    EXPECT_EQ(RunChiSquare({5, 6}, {1, -1}), kEmptyCell);
    EXPECT_EQ(RunChiSquare({0, 0, 0}, {1, 2, 3}), kInsufficientData);
}

TEST(ChiSquare, EachAllocationFailureGivesNoMemory)
{
    testing::ExpectEachAllocationFailureGivesNoMemory([] { return RunChiSquare({18, 22, 20}, {1, 1, 1}); });
}

// ---- nkCrosstabs ----

// The six arguments for an r × c table; observed gets its margins row and column.
struct CrosstabsCall {
    RealHostArray options, data, observed, expected, contributions, results;

    CrosstabsCall(double source, const std::vector<std::vector<double>>& cases, std::size_t r, std::size_t c,
                  int lowerBound = 1)
        : options(RealHostArray::FromValues({source}, lowerBound)),
          data(RealHostArray::FromColumns(cases, lowerBound)),
          observed(r + 1, c + 1, lowerBound), expected(r, c, lowerBound), contributions(r, c, lowerBound),
          results(7, lowerBound)
    {
    }

    // Source 0 with the counts given row by row.
    static CrosstabsCall Counts(const std::vector<std::vector<double>>& rows, int lowerBound = 1)
    {
        CrosstabsCall call(0, {{0}, {0}}, rows.size(), rows[0].size(), lowerBound);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            for (std::size_t j = 0; j < rows[i].size(); ++j) call.observed(i + 1, j + 1) = rows[i][j];
        }
        return call;
    }

    int32_t Run()
    {
        return nkCrosstabs(options.ref(), data.ref(), observed.ref(), expected.ref(), contributions.ref(),
                           results.ref());
    }
};

// The 2 × 3 table (10 20 2; 15 25 8): margins 32, 48 and 25, 45, 10, N = 80. Expected
// frequencies (10 18 4; 15 27 6), one below 5; contributions (0, 2/9, 1; 0, 4/27, 2/3).
void ExpectWorkedTwoByThree(CrosstabsCall& call)
{
    const double chiSquare = 55.0 / 27;
    EXPECT_EQ(call.observed.Column(4), (std::vector<double>{32, 48, 80}));
    EXPECT_EQ(call.observed(3, 1), 25);
    EXPECT_EQ(call.observed(3, 2), 45);
    EXPECT_EQ(call.observed(3, 3), 10);
    const double E[2][3] = {{10, 18, 4}, {15, 27, 6}};
    const double chi[2][3] = {{0, 2.0 / 9, 1}, {0, 4.0 / 27, 2.0 / 3}};
    for (std::size_t i = 1; i <= 2; ++i) {
        for (std::size_t j = 1; j <= 3; ++j) {
            EXPECT_DOUBLE_EQ(call.expected(i, j), E[i - 1][j - 1]);
            EXPECT_NEAR(call.contributions(i, j), chi[i - 1][j - 1], 1e-15);
        }
    }
    EXPECT_NEAR(call.results[1], chiSquare, 1e-14);
    EXPECT_EQ(call.results[2], 2);
    EXPECT_NEAR(call.results[3], ChiSquareTail2(chiSquare), kProbTolerance);
    EXPECT_EQ(call.results[4], 17);  // 100/6 = 16.67
    EXPECT_NEAR(call.results[5], std::sqrt(chiSquare / (80 + chiSquare)), 1e-14);
    EXPECT_NEAR(call.results[6], std::sqrt(chiSquare / 80), 1e-14);
    EXPECT_EQ(call.results[7], 0);
}

TEST(Crosstabs, GivenCountsTwoByThree)
{
    for (int lowerBound : {0, 1}) {
        CrosstabsCall call = CrosstabsCall::Counts({{10, 20, 2}, {15, 25, 8}}, lowerBound);
        call.observed(3, 1) = call.observed(1, 4) = call.observed(3, 4) = 99;  // stale margins
        if (lowerBound == 0) call.results.stored(0) = call.observed.stored(0) = 77;
        ASSERT_EQ(call.Run(), kOk);
        ExpectWorkedTwoByThree(call);
        if (lowerBound == 0) {
            EXPECT_EQ(call.results.stored(0), 77);
            EXPECT_EQ(call.observed.stored(0), 77);
        }
    }
}

TEST(Crosstabs, TabulatedCasesTruncateCodesAndSkipMissingOnes)
{
    // Codes with fractions truncate toward zero (−0.7 → 0, 1.9 → 1, 2.5 → 2).
    std::vector<double> rowCodes, columnCodes;
    const double rowCode[2] = {-0.7, 1.9};
    const double columnCode[3] = {0.2, 1, 2.5};
    const int counts[2][3] = {{10, 20, 2}, {15, 25, 8}};
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < counts[i][j]; ++k) {
                rowCodes.push_back(rowCode[i]);
                columnCodes.push_back(columnCode[j]);
            }
        }
    }
    rowCodes.insert(rowCodes.begin() + 5, {kMissing, 1, kMissing});
    columnCodes.insert(columnCodes.begin() + 5, {2, kMissing, kMissing});
    CrosstabsCall call(1, {rowCodes, columnCodes}, 2, 3);
    for (std::size_t i = 1; i <= 3; ++i) {
        for (std::size_t j = 1; j <= 4; ++j) call.observed(i, j) = 99;
    }
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.observed.Column(1), (std::vector<double>{10, 15, 25}));
    EXPECT_EQ(call.observed.Column(2), (std::vector<double>{20, 25, 45}));
    EXPECT_EQ(call.observed.Column(3), (std::vector<double>{2, 8, 10}));
    ExpectWorkedTwoByThree(call);
}

TEST(Crosstabs, EmptyRowHasZeroExpectedFrequenciesAndNoContribution)
{
    // Three rows, cases only in the first two.
    CrosstabsCall call(1, {{0, 0, 0, 1, 1, 1, 1, 0}, {0, 0, 1, 1, 1, 0, 1, 1}}, 3, 2);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.observed.Column(3), (std::vector<double>{4, 4, 0, 8}));
    EXPECT_EQ(call.expected(3, 1), 0);
    EXPECT_EQ(call.expected(3, 2), 0);
    EXPECT_EQ(call.contributions(3, 1), 0);
    EXPECT_EQ(call.contributions(3, 2), 0);
    // Table (2 2; 1 3): E = (1.5 2.5; 1.5 2.5), χ² = (1/1.5 + 1/2.5)·0.25·2.
    const double chiSquare = 0.5 * (1 / 1.5 + 1 / 2.5);
    EXPECT_NEAR(call.results[1], chiSquare, 1e-14);
    EXPECT_EQ(call.results[2], 2);
    EXPECT_EQ(call.results[4], 100);
    EXPECT_NEAR(call.results[6], std::sqrt(chiSquare / 8), 1e-14);
    EXPECT_EQ(call.results[7], 0);
}

TEST(Crosstabs, SparsePercentageRoundsHalfUp)
{
    // (10 10 10 2; 20 20 20 8): only E(1, 4) = 3.2 is below 5, 1 cell of 8 = 12.5%.
    CrosstabsCall call = CrosstabsCall::Counts({{10, 10, 10, 2}, {20, 20, 20, 8}});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.results[4], 13);
}

TEST(Crosstabs, TwoByTwoFisherProbability)
{
    CrosstabsCall call = CrosstabsCall::Counts({{3, 1}, {1, 3}});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_NEAR(call.results[1], 2, 1e-14);  // four contributions of 1/2
    EXPECT_EQ(call.results[2], 1);
    EXPECT_NEAR(call.results[3], ChiSquareTail1(2), kProbTolerance);
    EXPECT_EQ(call.results[4], 100);
    EXPECT_NEAR(call.results[7], 17.0 / 70, 1e-14);

    CrosstabsCall skewed = CrosstabsCall::Counts({{2, 7}, {8, 2}});
    ASSERT_EQ(skewed.Run(), kOk);
    EXPECT_NEAR(skewed.results[7], static_cast<double>(ReferenceFisher(2, 7, 8, 2)), 1e-14);
}

TEST(Crosstabs, IndependentTableGivesMissingProbabilityAndV)
{
    CrosstabsCall call = CrosstabsCall::Counts({{2, 4}, {4, 8}});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.results[1], 0);
    EXPECT_MISSING(call.results[3]);
    EXPECT_EQ(call.results[5], 0);
    EXPECT_MISSING(call.results[6]);
    EXPECT_NEAR(call.results[7], static_cast<double>(ReferenceFisher(2, 4, 4, 8)), 1e-14);
}

TEST(Crosstabs, FractionalCountsKeepTheirFractionsInTheMargins)
{
    CrosstabsCall call = CrosstabsCall::Counts({{2.5, 3}, {4, 5.7}});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.observed(1, 3), 5.5);
    EXPECT_DOUBLE_EQ(call.observed(2, 3), 9.7);
    EXPECT_EQ(call.observed(3, 1), 6.5);
    EXPECT_DOUBLE_EQ(call.observed(3, 2), 8.7);
    EXPECT_EQ(call.observed(3, 3), 14) << "N sums the truncated counts";
    EXPECT_DOUBLE_EQ(call.expected(1, 1), 5.5 * 6.5 / 14);
    EXPECT_NEAR(call.results[7], static_cast<double>(ReferenceFisher(2, 4, 3, 5)), 1e-14);
}

TEST(Crosstabs, SingleRowHasNoDegreesOfFreedom)
{
    // Fractional counts leave χ² above 0 even with one row; neither its probability nor
    // Cramér's V exists.
    CrosstabsCall call = CrosstabsCall::Counts({{1.5, 2, 3}});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_GT(call.results[1], 0);
    EXPECT_EQ(call.results[2], 0);
    EXPECT_MISSING(call.results[3]);
    EXPECT_MISSING(call.results[6]);
    EXPECT_EQ(call.results[7], 0);
}

TEST(Crosstabs, StatusPaths)
{
    const auto counts = [] { return CrosstabsCall::Counts({{3, 1}, {1, 3}}); };
    {
        CrosstabsCall call = counts();
        call.options = RealHostArray(0);
        EXPECT_EQ(call.Run(), kBadArray);
    }
    {
        CrosstabsCall call = counts();
        call.options[1] = kNaN;
        EXPECT_EQ(call.Run(), kBadArray);
    }
    {
        CrosstabsCall call = counts();
        call.results = RealHostArray(6);
        EXPECT_EQ(call.Run(), kBadArray);
    }
    for (std::size_t columns : {1u, 3u}) {  // data's shape is required even with given counts
        CrosstabsCall call = counts();
        call.data = RealHostArray(1, columns, 1);
        EXPECT_EQ(call.Run(), kBadArray) << columns << " data columns";
    }
    for (auto [rows, cols] : {std::pair{2u, 3u}, {3u, 2u}}) {
        CrosstabsCall call = counts();
        call.observed = RealHostArray(rows, cols, 1);
        EXPECT_EQ(call.Run(), kBadArray) << "observed " << rows << " x " << cols;
    }
    for (auto [rows, cols] : {std::pair{1u, 2u}, {2u, 1u}}) {
        CrosstabsCall call = counts();
        call.expected = RealHostArray(rows, cols, 1);
        EXPECT_EQ(call.Run(), kBadArray) << "expected " << rows << " x " << cols;
    }
    {
        CrosstabsCall call = counts();
        call.observed(2, 2) = kNaN;
        EXPECT_EQ(call.Run(), kBadArray);
    }
    for (auto [rowCode, columnCode] : {std::pair{2.0, 0.0}, {0.0, 2.0}, {-1.0, 0.0}, {0.0, kNaN}, {1e300, 0.0}}) {
        CrosstabsCall call(1, {{0, rowCode, 1}, {1, columnCode, 0}}, 2, 2);
        EXPECT_EQ(call.Run(), kBadArray) << rowCode << ", " << columnCode;
    }
    {
        CrosstabsCall call = CrosstabsCall::Counts({{0, 0.9}, {0, 0}});
        EXPECT_EQ(call.Run(), kInsufficientData);
        EXPECT_EQ(call.observed(3, 3), 0);
    }
    {
        CrosstabsCall call(1, {{kMissing, 1}, {0, kMissing}}, 2, 2);
        EXPECT_EQ(call.Run(), kInsufficientData);
    }
}

TEST(Crosstabs, EachAllocationFailureGivesNoMemory)
{
    testing::ExpectEachAllocationFailureGivesNoMemory([] {
        CrosstabsCall call(1, {{0, 1, 1, 0, 1}, {0, 1, 0, 0, 1}}, 2, 2);
        return call.Run();
    });
}

}  // namespace
}  // namespace sheetstat
