// nkTTestIndep and nkTTestDep: worked examples, the variance-ratio conventions, both
// data layouts, status paths, host-array forms, allocation failure, and results
// cross-checked against long-double formulas and a numerical integration of the
// t density.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// ---- Independent references ----

// The probabilities come from continued fractions that stop at a relative change of
// 3e-7; the references below are exact to far better than that.
constexpr double kProbabilityTolerance = 2e-6;

// Two-tailed P(|T| ≥ |t|) for Student's t with df (possibly fractional) degrees of
// freedom: 1 − 2∫₀^|t| f(x) dx, by composite Simpson's rule over the t density.
double TwoTailedTByQuadrature(double t, double df)
{
    const long double nu = df;
    const long double scale = std::exp(std::lgamma((nu + 1) / 2) - std::lgamma(nu / 2)) /
                              std::sqrt(nu * std::numbers::pi_v<long double>);
    const auto density = [&](long double x) { return scale * std::pow(1 + x * x / nu, -(nu + 1) / 2); };
    const int intervals = 20000;
    const long double upper = std::fabs(static_cast<long double>(t));
    const long double h = upper / intervals;
    long double sum = density(0) + density(upper);
    for (int k = 1; k < intervals; ++k) sum += (k % 2 == 1 ? 4 : 2) * density(k * h);
    return static_cast<double>(1 - 2 * sum * h / 3);
}

// ---- Host arrays indexed from 0: the skipped first row and column ----

constexpr double kSkippedSentinel = 12345;

bool IsSkipped(RealHostArray& a, std::size_t p)
{
    if (a.descriptor().dimensions == 1) return p == 0;
    const std::size_t storedRows = a.rows() + 1;
    return p < storedRows || p % storedRows == 0;
}

void FillSkipped(RealHostArray& a)
{
    for (std::size_t p = 0; p < a.storedCount(); ++p) {
        if (IsSkipped(a, p)) a.stored(p) = kSkippedSentinel;
    }
}

void ExpectSkippedUntouched(RealHostArray& a)
{
    for (std::size_t p = 0; p < a.storedCount(); ++p) {
        if (IsSkipped(a, p)) {
            EXPECT_EQ(a.stored(p), kSkippedSentinel) << "stored element " << p;
        }
    }
}

// ---- Calls ----

struct IndepCall {
    RealHostArray options, data, groupCodes, groupStats, results;

    int32_t Run()
    {
        return nkTTestIndep(options.ref(), data.ref(), groupCodes.ref(), groupStats.ref(), results.ref());
    }
};

// One column per group (layout 1), the shorter column padded with MissingValue.
IndepCall ByColumns(std::vector<double> group1, std::vector<double> group2, int lowerBound = 1)
{
    const std::size_t rows = std::max(group1.size(), group2.size());
    group1.resize(rows, kMissing);
    group2.resize(rows, kMissing);
    return {RealHostArray::FromValues({1}, lowerBound), RealHostArray::FromColumns({group1, group2}, lowerBound),
            RealHostArray(0, lowerBound), RealHostArray(4, 3, lowerBound), RealHostArray(8, lowerBound)};
}

// One data column with a group code per row (layout 0).
IndepCall ByCodes(const std::vector<double>& values, const std::vector<double>& codes, double layout = 0,
                  int lowerBound = 1)
{
    return {RealHostArray::FromValues({layout}, lowerBound), RealHostArray::FromColumns({values}, lowerBound),
            RealHostArray::FromValues(codes, lowerBound), RealHostArray(4, 3, lowerBound),
            RealHostArray(8, lowerBound)};
}

struct DepCall {
    RealHostArray data, results;

    int32_t Run() { return nkTTestDep(data.ref(), results.ref()); }
};

DepCall Pairs(const std::vector<double>& first, const std::vector<double>& second, int lowerBound = 1)
{
    return {RealHostArray::FromColumns({first, second}, lowerBound), RealHostArray(6, lowerBound)};
}

// ---- nkTTestIndep: worked example and its host-array forms ----

void ExpectWorkedExample(IndepCall& call)
{
    ASSERT_EQ(call.Run(), kOk);
    auto& stats = call.groupStats;
    const double se = 1 / std::sqrt(3.0);
    EXPECT_EQ(stats(1, 1), 3);
    EXPECT_DOUBLE_EQ(stats(2, 1), 2);
    EXPECT_DOUBLE_EQ(stats(3, 1), 1);
    EXPECT_DOUBLE_EQ(stats(4, 1), se);
    EXPECT_EQ(stats(1, 2), 3);
    EXPECT_DOUBLE_EQ(stats(2, 2), 5);
    EXPECT_DOUBLE_EQ(stats(3, 2), 1);
    EXPECT_DOUBLE_EQ(stats(4, 2), se);
    EXPECT_EQ(stats(1, 3), 6);
    EXPECT_DOUBLE_EQ(stats(2, 3), 3.5);
    EXPECT_DOUBLE_EQ(stats(3, 3), std::sqrt(3.5));
    EXPECT_DOUBLE_EQ(stats(4, 3), std::sqrt(3.5 / 6));

    auto& out = call.results;
    EXPECT_DOUBLE_EQ(out[1], 1);
    EXPECT_NEAR(out[2], 1.0, kProbabilityTolerance);
    EXPECT_LE(out[2], 1.0);
    EXPECT_NEAR(out[3], -3.6742, 5e-5);
    EXPECT_DOUBLE_EQ(out[3], -3 / std::sqrt(2.0 / 3.0));
    EXPECT_DOUBLE_EQ(out[4], out[3]);
    EXPECT_EQ(out[5], 4);
    EXPECT_DOUBLE_EQ(out[6], 4);
    const double p = TwoTailedTByQuadrature(out[3], 4);
    EXPECT_NEAR(out[7], p, kProbabilityTolerance);
    EXPECT_NEAR(out[8], p, kProbabilityTolerance);
}

TEST(TTestIndep, WorkedExampleInColumns)
{
    IndepCall call = ByColumns({1, 2, 3}, {4, 5, 6});
    ExpectWorkedExample(call);
}

TEST(TTestIndep, WorkedExampleByCodesWithMissingAndTruncatedCodes)
{
    // Row 3: missing code, skipped with its value; row 5: missing value. 1.9 counts as
    // group 2 and -0.5 as group 1 (truncation toward zero).
    IndepCall call = ByCodes({1, 4, 99, 2, kMissing, 5, 3, 6}, {0, 1.9, kMissing, -0.5, 0, 1, 0, 1});
    ExpectWorkedExample(call);
}

TEST(TTestIndep, LayoutIsTruncatedSoPointSevenMeansCodes)
{
    IndepCall call = ByCodes({1, 4, 2, 5, 3, 6}, {0, 1, 0, 1, 0, 1}, 0.7);
    ExpectWorkedExample(call);
}

TEST(TTestIndep, LowerBoundZeroSkipsTheFirstElementOfEveryDimension)
{
    for (bool byCodes : {false, true}) {
        IndepCall call = byCodes ? ByCodes({1, 4, 2, 5, 3, 6}, {0, 1, 0, 1, 0, 1}, 0, 0)
                                 : ByColumns({1, 2, 3}, {4, 5, 6}, 0);
        for (RealHostArray* a : {&call.options, &call.data, &call.groupCodes, &call.groupStats, &call.results}) {
            FillSkipped(*a);
        }
        ExpectWorkedExample(call);
        for (RealHostArray* a : {&call.options, &call.data, &call.groupCodes, &call.groupStats, &call.results}) {
            ExpectSkippedUntouched(*a);
        }
    }
}

TEST(TTestIndep, ColumnsOfDifferentLengthsAndSlotsBeyondEightUntouched)
{
    IndepCall call = ByColumns({10, 12, 15, 11, 9, 14}, {20, 18, kMissing, 25});
    call.results = RealHostArray::FromValues(std::vector<double>(9, 777));
    call.groupStats = RealHostArray::FromColumns({{0, 0, 0, 0, 777}, {0, 0, 0, 0, 777}, {0, 0, 0, 0, 777}}, 1);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.groupStats(1, 1), 6);
    EXPECT_EQ(call.groupStats(1, 2), 3);
    EXPECT_EQ(call.groupStats(1, 3), 9);
    for (std::size_t j = 1; j <= 3; ++j) EXPECT_EQ(call.groupStats(5, j), 777);
    EXPECT_EQ(call.results[9], 777);
}

// ---- nkTTestIndep: independent cross-checks ----

// Unequal variances and sizes: Student's and Welch's t, Welch-Satterthwaite degrees
// of freedom and both probabilities from long-double formulas and quadrature.
void ExpectAgainstReference(const std::vector<double>& group1, const std::vector<double>& group2, double offset,
                            double tolerance)
{
    IndepCall call = ByColumns(group1, group2);
    ASSERT_EQ(call.Run(), kOk);
    const testing::ReferenceMoments m1 = testing::ReferenceMeanVariance(group1, offset), m2 = testing::ReferenceMeanVariance(group2, offset);

    const long double pooled = ((m1.count - 1) * m1.variance + (m2.count - 1) * m2.variance) / (m1.count + m2.count - 2);
    const long double studentT = (m1.mean - m2.mean) / std::sqrt(pooled * (1 / m1.count + 1 / m2.count));
    const long double se1 = m1.variance / m1.count, se2 = m2.variance / m2.count;
    const long double welchT = (m1.mean - m2.mean) / std::sqrt(se1 + se2);
    const long double welchDf = (se1 + se2) * (se1 + se2) / (se1 * se1 / (m1.count - 1) + se2 * se2 / (m2.count - 1));

    auto& out = call.results;
    const auto near = [&](double actual, long double expected) {
        EXPECT_NEAR(actual, static_cast<double>(expected), tolerance * std::fabs(static_cast<double>(expected)));
    };
    near(call.groupStats(2, 1), m1.mean + offset);
    near(call.groupStats(3, 1), std::sqrt(m1.variance));
    near(call.groupStats(3, 2), std::sqrt(m2.variance));
    near(out[1], std::max(m1.variance, m2.variance) / std::min(m1.variance, m2.variance));
    near(out[3], studentT);
    near(out[4], welchT);
    EXPECT_EQ(out[5], static_cast<double>(m1.count + m2.count - 2));
    near(out[6], welchDf);
    EXPECT_NEAR(out[7], TwoTailedTByQuadrature(static_cast<double>(studentT), out[5]), kProbabilityTolerance);
    EXPECT_NEAR(out[8], TwoTailedTByQuadrature(static_cast<double>(welchT), static_cast<double>(welchDf)),
                kProbabilityTolerance);
}

TEST(TTestIndep, StudentAndWelchAgainstLongDoubleFormulasAndQuadrature)
{
    ExpectAgainstReference({12.1, 14.3, 11.8, 13.5, 12.9, 15.2, 13.0}, {16.4, 10.2, 19.8, 14.1}, 0, 1e-12);
    ExpectAgainstReference({3.2, 4.1, 2.9, 3.8, 3.5, 4.4, 3.1, 3.9, 3.3, 4.0, 3.6, 3.7}, {2.1, 5.9, 3.3}, 0, 1e-12);
}

TEST(TTestIndep, LargeCommonOffsetKeepsVariancesAndT)
{
    const double offset = 1e9;
    std::vector<double> group1, group2;
    for (double d : {0.1, 0.25, 0.3, 0.45, 0.2}) group1.push_back(offset + d);
    for (double d : {0.5, 0.55, 0.8, 0.65}) group2.push_back(offset + d);
    // The deviations carry about 1e-7 of rounding from the offset; the naive
    // Σx² − n·mean² would lose them entirely (Σx² ≈ 5e18, one unit in the last place 1024).
    ExpectAgainstReference(group1, group2, offset, 1e-5);

    IndepCall call = ByColumns({offset + 1, offset + 2, offset + 3}, {offset + 4, offset + 5, offset + 6});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_DOUBLE_EQ(call.groupStats(3, 1), 1);
    EXPECT_NEAR(call.results[3], -3.6742, 5e-5);
}

// ---- nkTTestIndep: the variance-ratio test ----

// With 2 denominator degrees of freedom the F upper tail has a closed form:
// P(F(ν1, 2) ≥ f) = I_x(1, ν1/2) with x = 2/(2 + ν1·f), that is 1 − (ν1·f/(2 + ν1·f))^(ν1/2).
double FUpperTailDenominator2(double f, double numeratorDf)
{
    const long double q = numeratorDf * static_cast<long double>(f) / (2 + numeratorDf * static_cast<long double>(f));
    return static_cast<double>(1 - std::pow(q, numeratorDf / 2));
}

const std::vector<double> kThreeWithVarianceOne{0, 1, 2};
std::vector<double> ElevenWithVariance(double spread)
{
    // Ten values ±spread and a 0: mean 0, variance 10·spread²/10 = spread².
    std::vector<double> values{0};
    for (int k = 0; k < 5; ++k) {
        values.push_back(-spread);
        values.push_back(spread);
    }
    return values;
}

TEST(TTestIndep, EqualVariancesGiveFOneAndTheDoubledTailFoldedBelowOne)
{
    // Second group the numerator on a tie: F(10, 2); P(F ≥ 1) = 1 − (10/12)^5 ≈ 0.598,
    // doubled 1.196, reported folded as 2 − 1.196.
    IndepCall call = ByColumns(kThreeWithVarianceOne, ElevenWithVariance(1));
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.results[1], 1);
    const double doubled = 2 * FUpperTailDenominator2(1, 10);
    ASSERT_GT(doubled, 1);
    EXPECT_NEAR(call.results[2], 2 - doubled, kProbabilityTolerance);
}

TEST(TTestIndep, LargerVarianceIsTheNumeratorWhicheverGroupHasIt)
{
    const double expectedF = 1.1 * 1.1;
    const double doubled = 2 * FUpperTailDenominator2(expectedF, 10);
    ASSERT_GT(doubled, 1);
    for (bool largerFirst : {true, false}) {
        IndepCall call = largerFirst ? ByColumns(ElevenWithVariance(1.1), kThreeWithVarianceOne)
                                     : ByColumns(kThreeWithVarianceOne, ElevenWithVariance(1.1));
        ASSERT_EQ(call.Run(), kOk);
        EXPECT_NEAR(call.results[1], expectedF, 1e-12);
        EXPECT_NEAR(call.results[2], 2 - doubled, kProbabilityTolerance);
    }
    // A ratio far in the tail is doubled without folding: F(10, 2) at 25.
    IndepCall call = ByColumns(kThreeWithVarianceOne, ElevenWithVariance(5));
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_NEAR(call.results[1], 25, 1e-12);
    EXPECT_NEAR(call.results[2], 2 * FUpperTailDenominator2(25, 10), kProbabilityTolerance);
}

// ---- nkTTestIndep: status paths ----

TEST(TTestIndep, ArraysTooSmallOrMisshapenGiveStatus8)
{
    const auto withChange = [](auto change) {
        IndepCall call = ByColumns({1, 2, 3}, {4, 5, 6});
        change(call);
        return call.Run();
    };
    EXPECT_EQ(withChange([](IndepCall& c) { c.options = RealHostArray(0, 1); }), kBadArray);
    EXPECT_EQ(withChange([](IndepCall& c) { c.groupStats = RealHostArray(3, 3, 1); }), kBadArray);
    EXPECT_EQ(withChange([](IndepCall& c) { c.groupStats = RealHostArray(4, 2, 1); }), kBadArray);
    EXPECT_EQ(withChange([](IndepCall& c) { c.groupStats = RealHostArray(4, 4, 1); }), kBadArray);
    EXPECT_EQ(withChange([](IndepCall& c) { c.results = RealHostArray(7, 1); }), kBadArray);
    EXPECT_EQ(withChange([](IndepCall& c) { c.data = RealHostArray::FromColumns({{1, 2, 3}}, 1); }), kBadArray);
    EXPECT_EQ(withChange([](IndepCall& c) {
                  c.data = RealHostArray::FromColumns({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, 1);
              }),
              kBadArray);
    EXPECT_EQ(withChange([](IndepCall& c) { c.options[1] = std::nan(""); }), kBadArray);
    // A 1-D array where a 2-D one is required.
    EXPECT_EQ(withChange([](IndepCall& c) { c.groupStats = RealHostArray(12, 1); }), kBadArray);

    const std::vector<double> values{1, 4, 2, 5, 3, 6};
    const std::vector<double> codes{0, 1, 0, 1, 0, 1};
    IndepCall twoColumns = ByCodes(values, codes);
    twoColumns.data = RealHostArray::FromColumns({values, values}, 1);
    EXPECT_EQ(twoColumns.Run(), kBadArray);
    IndepCall shortCodes = ByCodes(values, {0, 1, 0, 1, 0});
    EXPECT_EQ(shortCodes.Run(), kBadArray);
    IndepCall longCodes = ByCodes(values, {0, 1, 0, 1, 0, 1, 0});
    EXPECT_EQ(longCodes.Run(), kBadArray);
}

TEST(TTestIndep, GroupCodesAreNotReadInTheColumnLayout)
{
    IndepCall call = ByColumns({1, 2, 3}, {4, 5, 6});
    HostArray* none = nullptr;
    EXPECT_EQ(nkTTestIndep(call.options.ref(), call.data.ref(), &none, call.groupStats.ref(), call.results.ref()),
              kOk);
    IndepCall byCodes = ByCodes({1, 4, 2, 5, 3, 6}, {0, 1, 0, 1, 0, 1});
    EXPECT_EQ(nkTTestIndep(byCodes.options.ref(), byCodes.data.ref(), &none, byCodes.groupStats.ref(),
                           byCodes.results.ref()),
              kBadArray);
}

TEST(TTestIndep, GroupCodeOutsideZeroToOneGivesStatus8)
{
    for (double code : {2.0, -1.0, 1e300, std::nan("")}) {
        IndepCall call = ByCodes({1, 4, 2, 5, 3, 6}, {0, 1, 0, code, 0, 1});
        EXPECT_EQ(call.Run(), kBadArray) << code;
    }
}

TEST(TTestIndep, TooFewValuesOrNoSpreadGiveStatus3)
{
    IndepCall oneInGroup2 = ByColumns({1, 2, 3}, {4, kMissing, kMissing});
    EXPECT_EQ(oneInGroup2.Run(), kInsufficientData);
    IndepCall noneInGroup1 = ByCodes({1, 2, 3}, {1, 1, 1});
    EXPECT_EQ(noneInGroup1.Run(), kInsufficientData);
    IndepCall empty = ByColumns({}, {});
    EXPECT_EQ(empty.Run(), kInsufficientData);

    // Group 1 constant: nothing written. Group 2 constant: group 1's column written first.
    IndepCall flat1 = ByColumns({2, 2, 2}, {4, 5, 6});
    EXPECT_EQ(flat1.Run(), kInsufficientData);
    EXPECT_EQ(flat1.groupStats(1, 1), 0);
    IndepCall flat2 = ByColumns({1, 2, 3}, {1e9, 1e9, 1e9, 1e9});
    EXPECT_EQ(flat2.Run(), kInsufficientData);
    EXPECT_EQ(flat2.groupStats(1, 1), 3);
    EXPECT_EQ(flat2.groupStats(1, 2), 0);
}

TEST(TTestIndep, EachAllocationFailureGivesStatus2)
{
    ExpectEachAllocationFailureGivesNoMemory([] {
        IndepCall call = ByColumns({1, 2, 3}, {4, 5, 6});
        return call.Run();
    });
    ExpectEachAllocationFailureGivesNoMemory([] {
        IndepCall call = ByCodes({1, 4, 2, 5, 3, 6}, {0, 1, 0, 1, 0, 1});
        return call.Run();
    });
}

// ---- nkTTestDep ----

TEST(TTestDep, PairedDifferencesAgainstLongDoubleFormulaAndQuadrature)
{
    // Row 3 has a missing cell and is skipped.
    const std::vector<double> before{12.5, 14.0, kMissing, 11.2, 15.8, 13.1, 12.0};
    const std::vector<double> after{11.9, 13.1, 10.0, 11.5, 14.2, 12.0, 11.1};
    DepCall call = Pairs(before, after);
    ASSERT_EQ(call.Run(), kOk);
    std::vector<double> differences;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!IsMissing(before[i])) differences.push_back(before[i] - after[i]);
    }
    const testing::ReferenceMoments m = testing::ReferenceMeanVariance(differences);
    const long double t = m.mean / std::sqrt(m.variance / m.count);
    auto& out = call.results;
    EXPECT_EQ(out[1], 6);
    EXPECT_NEAR(out[2], static_cast<double>(m.mean), 1e-14);
    EXPECT_NEAR(out[3], static_cast<double>(std::sqrt(m.variance)), 1e-14);
    EXPECT_NEAR(out[4], static_cast<double>(t), 1e-12);
    EXPECT_EQ(out[5], 5);
    EXPECT_NEAR(out[6], TwoTailedTByQuadrature(out[4], 5), kProbabilityTolerance);
}

TEST(TTestDep, LowerBoundZeroAndALargeOffsetInTheDifferences)
{
    const std::vector<double> deviations{0.3, 0.1, 0.45, 0.2, 0.35};
    std::vector<double> first, second;
    for (double d : deviations) {
        first.push_back(3e9 + d);
        second.push_back(2e9);
    }
    DepCall call = Pairs(first, second, 0);
    call.data.stored(0) = 555;
    call.results.stored(0) = 555;
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.data.stored(0), 555);
    EXPECT_EQ(call.results.stored(0), 555);
    const testing::ReferenceMoments m = testing::ReferenceMeanVariance(first, 3e9);  // the differences are 1e9 + the deviations
    EXPECT_EQ(call.results[1], 5);
    EXPECT_NEAR(call.results[3], static_cast<double>(std::sqrt(m.variance)), 1e-6);
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

TEST(TTestDep, StatusPaths)
{
    DepCall zero = Pairs({1, 2, 3}, {1, 2, 3});
    EXPECT_EQ(zero.Run(), kInsufficientData);
    DepCall onePair = Pairs({1, 2, kMissing}, {0, kMissing, 3});
    EXPECT_EQ(onePair.Run(), kInsufficientData);
    DepCall empty = Pairs({}, {});
    EXPECT_EQ(empty.Run(), kInsufficientData);

    DepCall oneColumn{RealHostArray::FromColumns({{1, 2, 3}}, 1), RealHostArray(6, 1)};
    EXPECT_EQ(oneColumn.Run(), kBadArray);
    DepCall threeColumns{RealHostArray::FromColumns({{1, 2}, {3, 4}, {5, 6}}, 1), RealHostArray(6, 1)};
    EXPECT_EQ(threeColumns.Run(), kBadArray);
    DepCall shortResults = Pairs({1, 2, 3}, {0, 2, 5});
    shortResults.results = RealHostArray(5, 1);
    EXPECT_EQ(shortResults.Run(), kBadArray);
}

TEST(TTestDep, EachAllocationFailureGivesStatus2)
{
    ExpectEachAllocationFailureGivesNoMemory([] {
        DepCall call = Pairs({1, 2, 4}, {0, 2, 5});
        return call.Run();
    });
}

}  // namespace
}  // namespace sheetstat::testing
