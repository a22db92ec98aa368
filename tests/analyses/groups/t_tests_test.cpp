// nkTTestIndep and nkTTestDep: the worked example in every layout, the variance-ratio
// conventions, and results against long-double formulas with probabilities from
// numerical integration of the densities.
#include <algorithm>
#include <cmath>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// IncBeta stops its continued fraction at a relative change of 3e-7.
constexpr double kProbabilityTolerance = 2e-6;

double TwoTailedT(long double t, long double df)
{
    return static_cast<double>(ReferenceTTwoTailed(t, df));
}

void ExpectRelative(double actual, long double expected, double tolerance)
{
    EXPECT_NEAR(actual, static_cast<double>(expected), tolerance * std::fabs(static_cast<double>(expected)));
}

struct IndepCall {
    RealHostArray options, data, groupCodes, groupStats, results;

    int32_t Run() { return nkTTestIndep(options.ref(), data.ref(), groupCodes.ref(), groupStats.ref(), results.ref()); }
};

// One column per group (layout 1), the shorter column padded with MissingValue.
IndepCall ByColumns(std::vector<double> group1, std::vector<double> group2)
{
    const std::size_t rows = std::max(group1.size(), group2.size());
    group1.resize(rows, kMissing);
    group2.resize(rows, kMissing);
    return {RealHostArray::FromValues({1}), RealHostArray::FromColumns({group1, group2}), RealHostArray(0),
            RealHostArray(4, 3, 1), RealHostArray(8)};
}

// One data column with a group code per row (layout 0).
IndepCall ByCodes(const std::vector<double>& values, const std::vector<double>& codes)
{
    return {RealHostArray::FromValues({0}), RealHostArray::FromColumns({values}), RealHostArray::FromValues(codes),
            RealHostArray(4, 3, 1), RealHostArray(8)};
}

// ---- nkTTestIndep ----

TEST(TTestIndep, WorkedExampleInEveryLayout)
{
    std::vector<IndepCall> calls;
    calls.push_back(ByColumns({1, 2, 3}, {4, 5, 6}));
    calls.push_back(ByCodes({1, 4, 2, 5, 3, 6}, {0, 1, 0, 1, 0, 1}));
    // Row 3: missing code, skipped with its value; row 5: missing value. 1.9 counts as
    // group 2 and -0.5 as group 1.
    calls.push_back(ByCodes({1, 4, 99, 2, kMissing, 5, 3, 6}, {0, 1.9, kMissing, -0.5, 0, 1, 0, 1}));
    for (IndepCall& call : calls) {
        ASSERT_EQ(call.Run(), kOk);
        // Both standard deviations 1; together mean 3.5 and variance 3.5.
        const double se = 1 / std::sqrt(3.0);
        const double stats[3][4] = {{3, 2, 1, se}, {3, 5, 1, se}, {6, 3.5, std::sqrt(3.5), std::sqrt(3.5 / 6)}};
        for (std::size_t j = 1; j <= 3; ++j) {
            for (std::size_t i = 1; i <= 4; ++i) EXPECT_DOUBLE_EQ(call.groupStats(i, j), stats[j - 1][i - 1]);
        }
        auto& out = call.results;
        EXPECT_DOUBLE_EQ(out[1], 1);
        EXPECT_NEAR(out[2], 1.0, kProbabilityTolerance);
        EXPECT_LE(out[2], 1.0);
        EXPECT_DOUBLE_EQ(out[3], -3 / std::sqrt(2.0 / 3.0));
        EXPECT_DOUBLE_EQ(out[4], out[3]);
        EXPECT_EQ(out[5], 4);
        EXPECT_DOUBLE_EQ(out[6], 4);
        EXPECT_NEAR(out[7], TwoTailedT(out[3], 4), kProbabilityTolerance);
        EXPECT_NEAR(out[8], TwoTailedT(out[3], 4), kProbabilityTolerance);
    }
}

TEST(TTestIndep, RowsAndSlotsBeyondTheResultsUntouched)
{
    IndepCall call = ByColumns({10, 12, 15, 11, 9, 14}, {20, 18, kMissing, 25});
    call.results = RealHostArray::FromValues(std::vector<double>(9, 777));
    call.groupStats = RealHostArray::FromColumns(std::vector<std::vector<double>>(3, {0, 0, 0, 0, 777}));
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.groupStats(1, 3), 9);
    for (std::size_t j = 1; j <= 3; ++j) EXPECT_EQ(call.groupStats(5, j), 777);
    EXPECT_EQ(call.results[9], 777);
}

// Student's and Welch's t, the Welch-Satterthwaite degrees of freedom and both
// probabilities against long-double formulas and quadrature of the t density. Data
// sharing a large offset (1e9 plus deviations carrying about 1e-7 of rounding) keep
// their variances: Σx² − n·mean² would lose them (one unit in the last place of
// Σx² ≈ 5e18 is 1024).
TEST(TTestIndep, StudentAndWelchAgainstLongDoubleFormulasAndQuadrature)
{
    struct Case {
        std::vector<double> group1, group2;
        double offset, tolerance;
    };
    std::vector<Case> cases{{{12.1, 14.3, 11.8, 13.5, 12.9, 15.2, 13.0}, {16.4, 10.2, 19.8, 14.1}, 0, 1e-12},
                            {{3.2, 4.1, 2.9, 3.8, 3.5, 4.4, 3.1, 3.9, 3.3, 4.0, 3.6, 3.7}, {2.1, 5.9, 3.3}, 0, 1e-12},
                            {{}, {}, 1e9, 1e-5}};
    for (double d : {0.1, 0.25, 0.3, 0.45, 0.2}) cases[2].group1.push_back(1e9 + d);
    for (double d : {0.5, 0.55, 0.8, 0.65}) cases[2].group2.push_back(1e9 + d);
    // Means about 0.01 apart at 1e8, below the last place of either mean once rounded
    // (a running mean once gave t = −0.1139005971 for −0.1139024456).
    cases.push_back({{}, {}, 1e8, 1e-13});
    for (int i = 1; i <= 2000; ++i) {
        cases.back().group1.push_back(1e8 + 0.1 * ((37 * i) % 101));
        cases.back().group2.push_back(1e8 + 0.1 * ((53 * i) % 101) + 0.01);
    }
    for (const Case& c : cases) {
        IndepCall call = ByColumns(c.group1, c.group2);
        ASSERT_EQ(call.Run(), kOk);
        const ReferenceMoments m1 = ReferenceMeanVariance(c.group1, c.offset);
        const ReferenceMoments m2 = ReferenceMeanVariance(c.group2, c.offset);
        const long double pooled =
            ((m1.count - 1) * m1.variance + (m2.count - 1) * m2.variance) / (m1.count + m2.count - 2);
        const long double studentT = (m1.mean - m2.mean) / std::sqrt(pooled * (1 / m1.count + 1 / m2.count));
        const long double se1 = m1.variance / m1.count, se2 = m2.variance / m2.count;
        const long double welchT = (m1.mean - m2.mean) / std::sqrt(se1 + se2);
        const long double welchDf =
            (se1 + se2) * (se1 + se2) / (se1 * se1 / (m1.count - 1) + se2 * se2 / (m2.count - 1));
        const auto near = [&c](double actual, long double expected) { ExpectRelative(actual, expected, c.tolerance); };
        near(call.groupStats(2, 1), m1.mean + c.offset);
        near(call.groupStats(3, 1), std::sqrt(m1.variance));
        near(call.groupStats(3, 2), std::sqrt(m2.variance));
        near(call.results[1], std::max(m1.variance, m2.variance) / std::min(m1.variance, m2.variance));
        near(call.results[3], studentT);
        near(call.results[4], welchT);
        EXPECT_EQ(call.results[5], static_cast<double>(m1.count + m2.count - 2));
        near(call.results[6], welchDf);
        EXPECT_NEAR(call.results[7], TwoTailedT(studentT, m1.count + m2.count - 2), kProbabilityTolerance);
        EXPECT_NEAR(call.results[8], TwoTailedT(welchT, welchDf), kProbabilityTolerance);
    }
}

// F is the larger variance over the smaller, the second group's on a tie; slot 2 is
// the doubled upper tail, folded to 2 − 2p when doubling passes 1.
TEST(TTestIndep, VarianceRatioAndItsFoldedTwoTailedProbability)
{
    // Ten values ±s and a 0: mean 0, variance s².
    const auto eleven = [](double s) {
        std::vector<double> values{0};
        for (int k = 0; k < 5; ++k) values.insert(values.end(), {-s, s});
        return values;
    };
    const std::vector<double> three{0, 1, 2};  // variance 1
    struct Case {
        std::vector<double> group1, group2;
        double F;
        bool folded;
    };
    const Case cases[] = {{three, eleven(1), 1, true},
                          {eleven(1.1), three, 1.21, true},
                          {three, eleven(1.1), 1.21, true},
                          {three, eleven(5), 25, false}};
    for (const Case& c : cases) {
        IndepCall call = ByColumns(c.group1, c.group2);
        ASSERT_EQ(call.Run(), kOk);
        // The eleven values always have the larger variance: F on 10 and 2 degrees of freedom.
        const double doubled = 2 * static_cast<double>(ReferenceFUpper(c.F, 10, 2));
        ASSERT_EQ(doubled > 1, c.folded);
        EXPECT_NEAR(call.results[1], c.F, 1e-12);
        EXPECT_NEAR(call.results[2], c.folded ? 2 - doubled : doubled, kProbabilityTolerance);
    }
}

// A constant group 2: group 1's column is written before the status.
TEST(TTestIndep, GroupWithoutSpreadStopsAfterTheColumnsBeforeIt)
{
    IndepCall flat2 = ByColumns({1, 2, 3}, {1e9, 1e9, 1e9, 1e9});
    EXPECT_EQ(flat2.Run(), kInsufficientData);
    EXPECT_EQ(flat2.groupStats(1, 1), 3);
    EXPECT_EQ(flat2.groupStats(1, 2), 0);
}

// ---- nkTTestDep ----

struct DepCall {
    RealHostArray data, results;

    int32_t Run() { return nkTTestDep(data.ref(), results.ref()); }
};

DepCall Pairs(const std::vector<double>& first, const std::vector<double>& second)
{
    return {RealHostArray::FromColumns({first, second}), RealHostArray(6)};
}

TEST(TTestDep, PairedDifferencesAgainstLongDoubleFormulaAndQuadrature)
{
    struct Case {
        std::vector<double> first, second;
        double offset, tolerance;
    };
    // The first case has an incomplete pair (row 3); the second has differences 1e9 plus
    // small deviations.
    std::vector<Case> cases{
        {{12.5, 14.0, kMissing, 11.2, 15.8, 13.1, 12.0}, {11.9, 13.1, 10.0, 11.5, 14.2, 12.0, 11.1}, 0, 1e-12},
        {{}, {}, 1e9, 5e-6}};
    for (double d : {0.3, 0.1, 0.45, 0.2, 0.35}) {
        cases[1].first.push_back(3e9 + d);
        cases[1].second.push_back(2e9);
    }
    for (const Case& c : cases) {
        DepCall call = Pairs(c.first, c.second);
        ASSERT_EQ(call.Run(), kOk);
        std::vector<double> differences;  // exact: no rounding in these subtractions
        for (std::size_t i = 0; i < c.first.size(); ++i) {
            if (!IsMissing(c.first[i])) differences.push_back(c.first[i] - c.second[i]);
        }
        const ReferenceMoments m = ReferenceMeanVariance(differences, c.offset);
        const long double t = (m.mean + c.offset) / std::sqrt(m.variance / m.count);
        const auto near = [&c](double actual, long double expected) { ExpectRelative(actual, expected, c.tolerance); };
        EXPECT_EQ(call.results[1], static_cast<double>(m.count));
        near(call.results[2], m.mean + c.offset);
        near(call.results[3], std::sqrt(m.variance));
        near(call.results[4], t);
        EXPECT_EQ(call.results[5], static_cast<double>(m.count - 1));
        EXPECT_NEAR(call.results[6], TwoTailedT(t, m.count - 1), kProbabilityTolerance);
    }
}

TEST(TTestDep, EqualNonZeroDifferencesGiveNoT)
{
    DepCall call = Pairs({2, 5, 7, 10}, {1, 4, 6, 9});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.results[1], 4);
    EXPECT_EQ(call.results[2], 1);
    EXPECT_EQ(call.results[3], 0);
    EXPECT_MISSING(call.results[4]);
    EXPECT_EQ(call.results[5], 3);
    EXPECT_MISSING(call.results[6]);
}

}  // namespace
}  // namespace sheetstat::testing
