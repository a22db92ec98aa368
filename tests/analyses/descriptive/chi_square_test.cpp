// nkChiSquare and nkCrosstabs: worked tables (counts, proportions, cases with codes),
// empty rows, fractional counts, and Fisher's probability against hypergeometric sums.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "numeric/reference_hypergeometric.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// The incomplete gamma function stops its iterations at a relative change of 3e-7.
constexpr double kProbTolerance = 1e-6;

// Upper tails of the chi-square distribution in closed form.
double ChiSquareTail1(double x) { return std::erfc(std::sqrt(x / 2)); }
double ChiSquareTail2(double x) { return std::exp(-x / 2); }
double ChiSquareTail3(double x) { return std::erfc(std::sqrt(x / 2)) + std::sqrt(2 * x / std::numbers::pi) * std::exp(-x / 2); }

int32_t RunChiSquare(const std::vector<double>& observed, const std::vector<double>& expected, std::vector<double>& out)
{
    RealHostArray data = RealHostArray::FromColumns({observed, expected}), results(3);
    const int32_t status = nkChiSquare(data.ref(), results.ref());
    out = results.Slots();
    return status;
}

TEST(ChiSquare, CountsAndProportionsGiveTheSameTest)
{
    const std::vector<double> observed = {18, 22, 20, 40};
    for (const std::vector<double>& expected : {std::vector<double>{20, 20, 20, 40}, {0.2, 0.2, 0.2, 0.4}}) {
        std::vector<double> out;
        ASSERT_EQ(RunChiSquare(observed, expected, out), kOk);
        EXPECT_NEAR(out[0], 0.4, 1e-13);  // (4 + 4 + 0 + 0)/20
        EXPECT_EQ(out[1], 3);
        EXPECT_NEAR(out[2], ChiSquareTail3(0.4), kProbTolerance);
    }
    std::vector<double> out;
    ASSERT_EQ(RunChiSquare({30, 50, 20}, {1, 1, 1}, out), kOk);
    EXPECT_NEAR(out[0], 14, 1e-12);  // Σ(O − 100/3)²/(100/3) = (4200/9)/(100/3)
    EXPECT_EQ(out[1], 2);
    EXPECT_NEAR(out[2], ChiSquareTail2(14), kProbTolerance);
}

// The six arguments for an r × c table; observed gets its margins row and column.
struct CrosstabsCall {
    RealHostArray options, data, observed, expected, contributions, results;

    CrosstabsCall(double source, const std::vector<std::vector<double>>& cases, std::size_t r, std::size_t c)
        : options(RealHostArray::FromValues({source})), data(RealHostArray::FromColumns(cases)), observed(r + 1, c + 1, 1),
          expected(r, c, 1), contributions(r, c, 1), results(7)
    {
    }

    // Source 0 with the counts given row by row.
    static CrosstabsCall Counts(const std::vector<std::vector<double>>& rows)
    {
        CrosstabsCall call(0, {{0}, {0}}, rows.size(), rows[0].size());
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
    const std::vector<std::vector<double>> columns = {{10, 15, 25}, {20, 25, 45}, {2, 8, 10}, {32, 48, 80}};
    for (std::size_t j = 1; j <= 4; ++j) EXPECT_EQ(call.observed.Column(j), columns[j - 1]);
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

// The worked table given as counts (stale margins replaced) and as cases: codes
// truncate toward zero (−0.7 → 0, 1.9 → 1, 2.5 → 2), a case with an empty cell is
// skipped, old cells are cleared.
TEST(Crosstabs, WorkedTwoByThreeFromCountsAndFromCases)
{
    {
        CrosstabsCall call = CrosstabsCall::Counts({{10, 20, 2}, {15, 25, 8}});
        call.observed(3, 1) = call.observed(1, 4) = call.observed(3, 4) = 99;
        ASSERT_EQ(call.Run(), kOk);
        ExpectWorkedTwoByThree(call);
    }
    const double rowCode[2] = {-0.7, 1.9}, columnCode[3] = {0.2, 1, 2.5};
    const int counts[2][3] = {{10, 20, 2}, {15, 25, 8}};
    std::vector<double> rowCodes = {kMissing, 1, kMissing}, columnCodes = {2, kMissing, kMissing};
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 3; ++j) {
            rowCodes.insert(rowCodes.end(), static_cast<std::size_t>(counts[i][j]), rowCode[i]);
            columnCodes.insert(columnCodes.end(), static_cast<std::size_t>(counts[i][j]), columnCode[j]);
        }
    }
    CrosstabsCall call(1, {rowCodes, columnCodes}, 2, 3);
    for (std::size_t p = 0; p < call.observed.storedCount(); ++p) call.observed.stored(p) = 99;
    ASSERT_EQ(call.Run(), kOk);
    ExpectWorkedTwoByThree(call);
}

TEST(Crosstabs, EmptyRowHasZeroExpectedFrequenciesAndNoContribution)
{
    // Three rows, cases only in the first two: table (2 2; 1 3; 0 0).
    CrosstabsCall call(1, {{0, 0, 0, 1, 1, 1, 1, 0}, {0, 0, 1, 1, 1, 0, 1, 1}}, 3, 2);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.observed.Column(3), (std::vector<double>{4, 4, 0, 8}));
    for (std::size_t j = 1; j <= 2; ++j) {
        EXPECT_EQ(call.expected(3, j), 0);
        EXPECT_EQ(call.contributions(3, j), 0);
    }
    const double chiSquare = 0.5 * (1 / 1.5 + 1 / 2.5);  // E = (1.5 2.5; 1.5 2.5)
    EXPECT_NEAR(call.results[1], chiSquare, 1e-14);
    EXPECT_EQ(call.results[2], 2);
    EXPECT_EQ(call.results[4], 100);
    EXPECT_NEAR(call.results[6], std::sqrt(chiSquare / 8), 1e-14);
    EXPECT_EQ(call.results[7], 0);
}

// Given tables, χ² worked by hand: df, probability (MissingValue when χ² = 0 or df = 0),
// the sparse percentage rounded half up, the contingency coefficient √(χ²/(N + χ²)),
// Cramér's V √(χ²/N) for two rows (MissingValue when χ² = 0 or a single row), and
// Fisher's probability of the truncated 2 × 2 counts.
TEST(Crosstabs, GivenTables)
{
    struct Case {
        std::vector<std::vector<double>> counts;
        double N, chiSquare, df, sparse;
        std::array<long, 4> fisher;  // truncated counts row by row; −1: not 2 × 2
    };
    const std::vector<Case> cases = {
        {{{3, 1}, {1, 3}}, 8, 2, 1, 100, {3, 1, 1, 3}},  // E = 2 everywhere: four contributions of 1/2
        // Margins 9, 10 and 10, 9: |O − E| = 52/19 in every cell, Σ 1/E = 19·361/8100.
        {{{2, 7}, {8, 2}}, 19, 12844.0 / 2025, 1, 75, {2, 7, 8, 2}},
        {{{2, 4}, {4, 8}}, 18, 0, 1, 75, {2, 4, 4, 8}},  // independent: E = O
        {{{5, 5}, {5, 5}}, 20, 0, 1, 0, {5, 5, 5, 5}},   // every E exactly 5: none below
        // E = 9.6 (×3), 3.2 and 20.4 (×3), 6.8: 1/20 + 9/20 + 2/85 + 18/85 = 25/34; 1 cell of 8.
        {{{10, 10, 10, 2}, {20, 20, 20, 8}}, 100, 25.0 / 34, 3, 13, {-1, -1, -1, -1}},
        // One row of fractional counts: N = 6, row total 6.5, E = 1.625, 13/6, 3.25.
        {{{1.5, 2, 3}}, 6, 1.0 / 24, 0, 100, {-1, -1, -1, -1}},
        // Margins 5.5, 9.7 and 6.5, 8.7, N = 14: 14·(O − E) = −0.75, −5.85, −7.05, −4.59.
        {{{2.5, 3}, {4, 5.7}}, 14, (0.5625 / 35.75 + 34.2225 / 47.85 + 49.7025 / 63.05 + 21.0681 / 84.39) / 14, 1,
         75, {2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chiSquare);
        CrosstabsCall call = CrosstabsCall::Counts(c.counts);
        ASSERT_EQ(call.Run(), kOk);
        EXPECT_NEAR(call.results[1], c.chiSquare, 1e-13);
        EXPECT_EQ(call.results[2], c.df);
        if (c.chiSquare == 0 || c.df == 0) {
            EXPECT_MISSING(call.results[3]);
        } else {
            const double tail = c.df == 1 ? ChiSquareTail1(c.chiSquare) : ChiSquareTail3(c.chiSquare);
            EXPECT_NEAR(call.results[3], tail, kProbTolerance);
        }
        EXPECT_EQ(call.results[4], c.sparse);
        EXPECT_NEAR(call.results[5], std::sqrt(c.chiSquare / (c.N + c.chiSquare)), 1e-14);
        if (c.chiSquare == 0 || c.counts.size() == 1) {
            EXPECT_MISSING(call.results[6]);
        } else {
            EXPECT_NEAR(call.results[6], std::sqrt(c.chiSquare / c.N), 1e-14);
        }
        const auto& f = c.fisher;
        const double fisher = f[0] < 0 ? 0.0 : static_cast<double>(ReferenceFisher(f[0], f[1], f[2], f[3]));
        EXPECT_NEAR(call.results[7], fisher, 1e-14);
    }
}

// In given counts N sums the truncated counts, while the margins keep the fractions.
TEST(Crosstabs, FractionalCountsKeepTheirFractionsInTheMargins)
{
    CrosstabsCall call = CrosstabsCall::Counts({{2.5, 3}, {4, 5.7}});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.observed.Column(3), (std::vector<double>{5.5, 4 + 5.7, 14}));
    EXPECT_EQ(call.observed.Column(2), (std::vector<double>{3, 5.7, 3 + 5.7}));
    EXPECT_EQ(call.observed(3, 1), 6.5);
    EXPECT_EQ(call.expected(1, 1), 5.5 * 6.5 / 14);
}

// N, the sum of the truncated counts, is written before it is found to be 0.
TEST(Crosstabs, NoCountWritesNBeforeTheCheck)
{
    CrosstabsCall empty = CrosstabsCall::Counts({{0, 0.9}, {0, 0}});
    empty.observed(3, 3) = 99;
    EXPECT_EQ(empty.Run(), kInsufficientData);
    EXPECT_EQ(empty.observed(3, 3), 0);
}

}  // namespace
}  // namespace sheetstat::testing
