// Normality tests: worked examples against references computed here (normal
// probabilities from erfc in long double, the Kolmogorov distribution from its theta
// series), rewriting of the caller's data, MissingValue results, status paths, host
// arrays from 0 and 1, a large common offset and allocation failure.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "analyses/descriptive/normality_tests.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

using testing::kBadArray;
using testing::kInsufficientData;
using testing::kMissing;
using testing::kOk;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
// The incomplete gamma function stops its iterations at a relative change of 3e-7.
constexpr double kProbTolerance = 1e-6;

long double Phi(long double z)
{
    return 0.5L * std::erfc(-z / std::numbers::sqrt2_v<long double>);
}

// Q(λ) from the theta-function form of the Kolmogorov distribution,
// 1 − Q(λ) = (√(2π)/λ)·Σ_{k ≥ 1} e^(−(2k − 1)²π²/(8λ²)), which converges fast where
// the alternating series is slow.
long double KolmogorovTheta(long double lambda)
{
    const long double pi = std::numbers::pi_v<long double>;
    long double sum = 0;
    for (int k = 1; k <= 60; ++k) {
        const long double odd = 2.0L * k - 1;
        sum += std::exp(-odd * odd * pi * pi / (8 * lambda * lambda));
    }
    return 1 - std::sqrt(2 * pi) / lambda * sum;
}

struct Fit {
    long double n, mean, sd;
};
Fit FitNormal(const std::vector<double>& x)
{
    const testing::ReferenceMoments m = testing::ReferenceMeanVariance(x);
    return {m.count, m.mean, m.sd()};
}

// D of the sample against its fitted normal, straight from the definition.
double ReferenceD(std::vector<double> x)
{
    std::sort(x.begin(), x.end());
    const Fit fit = FitNormal(x);
    long double D = 0;
    for (std::size_t i = 1; i <= x.size(); ++i) {
        const long double F = Phi((x[i - 1] - fit.mean) / fit.sd);
        const auto rank = static_cast<long double>(i);
        D = std::max({D, std::fabs(rank / fit.n - F), std::fabs((rank - 1) / fit.n - F)});
    }
    return static_cast<double>(D);
}

// ---- KolmogorovProb ----

TEST(KolmogorovProb, ZeroNeverSettlesAndGivesOne)
{
    EXPECT_EQ(KolmogorovProb(0), 1.0);
}

TEST(KolmogorovProb, LargeLambdaStopsAfterTwoTermsThenVanishes)
{
    // At λ = 3 the second term is below 0.001 of the first.
    EXPECT_DOUBLE_EQ(KolmogorovProb(3), 2 * std::exp(-18.0) - 2 * std::exp(-72.0));
    // e^(−2·10.5²) lies below the guarded exponential's range: the first term is 0.
    EXPECT_EQ(KolmogorovProb(10.5), 0.0);
}

TEST(KolmogorovProb, AgreesWithTheThetaSeries)
{
    for (double lambda : {0.2, 0.35, 0.5, 0.7, 0.9, 1.0, 1.2, 1.358, 1.63, 2.0, 2.5}) {
        EXPECT_NEAR(KolmogorovProb(lambda), static_cast<double>(KolmogorovTheta(lambda)), 1e-7) << lambda;
    }
}

// ---- nkKSNormalTest ----

TEST(KSNormalTest, WorkedExampleCompactsAndSortsTheData)
{
    const std::vector<double> input = {4.2, kMissing, 3.1, 5.6, kMissing, 2.8, 4.9, 3.7, 6.3, 4.4};
    const std::vector<double> valid = {4.2, 3.1, 5.6, 2.8, 4.9, 3.7, 6.3, 4.4};
    for (int lowerBound : {0, 1}) {
        RealHostArray data = RealHostArray::FromValues(input, lowerBound);
        RealHostArray results(3, lowerBound);
        if (lowerBound == 0) data.stored(0) = results.stored(0) = 77;
        ASSERT_EQ(nkKSNormalTest(data.ref(), results.ref()), kOk);

        std::vector<double> sorted = valid;
        std::sort(sorted.begin(), sorted.end());
        std::vector<double> expected = sorted;
        expected.push_back(input[8]);  // the slots behind the valid values keep what they held
        expected.push_back(input[9]);
        EXPECT_EQ(data.Slots(), expected);

        const double D = ReferenceD(valid);
        EXPECT_EQ(results[1], 8);
        EXPECT_NEAR(results[2], D, 1e-12);
        EXPECT_NEAR(results[3], static_cast<double>(KolmogorovTheta(std::sqrt(8.0) * D)), 1e-7);
        if (lowerBound == 0) {
            EXPECT_EQ(data.stored(0), 77);
            EXPECT_EQ(results.stored(0), 77);
        }
    }
}

TEST(KSNormalTest, TwoDistinctValues)
{
    RealHostArray data = RealHostArray::FromValues({1, kMissing, 0});
    RealHostArray results(3);
    ASSERT_EQ(nkKSNormalTest(data.ref(), results.ref()), kOk);
    // mean 1/2 and s = √(1/2) put both values at |z| = 1/√2; each step of the empirical
    // distribution misses the fitted one by 1/2 − Φ(−1/√2).
    const double D = static_cast<double>(0.5L - Phi(-1 / std::numbers::sqrt2_v<long double>));
    EXPECT_EQ(results[1], 2);
    EXPECT_NEAR(results[2], D, 1e-12);
    EXPECT_NEAR(results[3], static_cast<double>(KolmogorovTheta(std::sqrt(2.0) * D)), 1e-7);
    EXPECT_GT(results[3], 0.99);
}

TEST(KSNormalTest, LargeCommonOffsetKeepsTheSpread)
{
    const std::vector<double> deviations = {0.25, -1.5, 0.75, 2.0, -0.5, 1.25, -1.0, 0.0, 0.5};
    std::vector<double> shifted;
    for (double d : deviations) shifted.push_back(1e9 + d);
    RealHostArray data = RealHostArray::FromValues(shifted);
    RealHostArray results(3);
    ASSERT_EQ(nkKSNormalTest(data.ref(), results.ref()), kOk);
    EXPECT_NEAR(results[2], ReferenceD(deviations), 1e-6);
}

TEST(KSNormalTest, StatusPaths)
{
    {  // results one slot short: nothing is read or written
        RealHostArray data = RealHostArray::FromValues({3, kMissing, 1, 2});
        RealHostArray results = RealHostArray::FromValues({9, 9});
        EXPECT_EQ(nkKSNormalTest(data.ref(), results.ref()), kBadArray);
        EXPECT_EQ(data.Slots(), (std::vector<double>{3, kMissing, 1, 2}));
        EXPECT_EQ(results.Slots(), (std::vector<double>{9, 9}));
    }
    {  // one valid value: compacted to the front, then too few
        RealHostArray data = RealHostArray::FromValues({kMissing, 7, kMissing});
        RealHostArray results(3);
        EXPECT_EQ(nkKSNormalTest(data.ref(), results.ref()), kInsufficientData);
        EXPECT_EQ(data[1], 7);
        EXPECT_EQ(data[2], 7);
        EXPECT_MISSING(data[3]);
    }
    for (const std::vector<double>& values :
         {std::vector<double>{}, {kMissing, kMissing}, {0.1, 0.1, kMissing, 0.1, 0.1, 0.1, 0.1, 0.1}}) {
        RealHostArray data = RealHostArray::FromValues(values);
        RealHostArray results(3);
        EXPECT_EQ(nkKSNormalTest(data.ref(), results.ref()), kInsufficientData) << values.size() << " values";
    }
}

TEST(KSNormalTest, NeedsNoWorkStorage)
{
    RealHostArray data = RealHostArray::FromValues({2, 5, 1, 4});
    RealHostArray results(3);
    sheetstatFailAllocationAfter(0);
    EXPECT_EQ(nkKSNormalTest(data.ref(), results.ref()), kOk);
    EXPECT_EQ(sheetstatFailAllocationAfter(-1), 0);
}

// ---- nkChiSqNormalTest ----

// χ² of the class counts against the fitted normal with the half-unit correction,
// from the definition; class c is the integer part of each value.
double ReferenceChiSquare(const std::vector<double>& x, int m)
{
    const Fit fit = FitNormal(x);
    std::vector<long double> observed(static_cast<std::size_t>(m), 0);
    for (double v : x) observed[static_cast<std::size_t>(std::trunc(v))] += 1;
    long double chiSquare = 0;
    for (int c = 0; c < m; ++c) {
        const long double upper = c == m - 1 ? 1 : Phi((c + 0.5L - fit.mean) / fit.sd);
        const long double lower = c == 0 ? 0 : Phi((c - 0.5L - fit.mean) / fit.sd);
        const long double E = fit.n * (upper - lower);
        const long double O = observed[static_cast<std::size_t>(c)];
        chiSquare += (O - E) * (O - E) / E;
    }
    return static_cast<double>(chiSquare);
}

TEST(ChiSqNormalTest, FiveClassesWithFractionsAndMissingValues)
{
    // 2.7 counts in class 2 and 1.5 in class 1, but both enter mean and sd as they are.
    const std::vector<double> input = {0, 1, kMissing, 1, 2, 2, 2, 2.7, 3, 3, 4, 1.5};
    std::vector<double> valid;
    for (double v : input) {
        if (!IsMissing(v)) valid.push_back(v);
    }
    const double chiSquare = ReferenceChiSquare(valid, 5);
    for (int lowerBound : {0, 1}) {
        RealHostArray options = RealHostArray::FromValues({5.9}, lowerBound);  // truncated to 5
        RealHostArray data = RealHostArray::FromValues(input, lowerBound);
        RealHostArray results(4, lowerBound);
        ASSERT_EQ(nkChiSqNormalTest(options.ref(), data.ref(), results.ref()), kOk);
        EXPECT_EQ(results[1], 5);
        EXPECT_NEAR(results[2], chiSquare, 1e-9 * chiSquare);
        EXPECT_EQ(results[3], 2);
        EXPECT_NEAR(results[4], std::exp(-chiSquare / 2), kProbTolerance);  // df = 2: e^(−χ²/2)
        EXPECT_EQ(data.Slots(), RealHostArray::FromValues(input).Slots()) << "the data are not rewritten";
    }
}

TEST(ChiSqNormalTest, SevenClassesAgainstTheClosedFormForFourDegrees)
{
    // −0.5 truncates toward zero into class 0.
    const std::vector<double> x = {-0.5, 1, 2, 2, 3, 3, 3, 3.2, 4, 4, 4.9, 5, 5, 6, 6, 3, 2};
    RealHostArray options = RealHostArray::FromValues({7});
    RealHostArray data = RealHostArray::FromValues(x);
    RealHostArray results(4);
    ASSERT_EQ(nkChiSqNormalTest(options.ref(), data.ref(), results.ref()), kOk);
    const double chiSquare = ReferenceChiSquare(x, 7);
    EXPECT_NEAR(results[2], chiSquare, 1e-9 * chiSquare);
    EXPECT_EQ(results[3], 4);
    EXPECT_NEAR(results[4], std::exp(-chiSquare / 2) * (1 + chiSquare / 2), kProbTolerance);
}

TEST(ChiSqNormalTest, ClassWithoutExpectedFrequencyGivesMissingValues)
{
    // Thirty classes for values 0 and 1: the fitted normal puts no mass on the top classes.
    RealHostArray options = RealHostArray::FromValues({30});
    RealHostArray data = RealHostArray::FromValues({0, 1, 1, 0, 1, 0});
    RealHostArray results(4);
    ASSERT_EQ(nkChiSqNormalTest(options.ref(), data.ref(), results.ref()), kOk);
    EXPECT_EQ(results[1], 30);
    EXPECT_MISSING(results[2]);
    EXPECT_EQ(results[3], 27);
    EXPECT_MISSING(results[4]);
}

TEST(ChiSqNormalTest, StatusPaths)
{
    const std::vector<double> good = {0, 1, 2, 2, 3, 4};
    const auto run = [](const std::vector<double>& opts, const std::vector<double>& values, std::size_t slots = 4) {
        RealHostArray options = RealHostArray::FromValues(opts);
        RealHostArray data = RealHostArray::FromValues(values);
        RealHostArray results(slots);
        return nkChiSqNormalTest(options.ref(), data.ref(), results.ref());
    };
    EXPECT_EQ(run({5}, good), kOk);
    EXPECT_EQ(run({}, good), kBadArray);
    EXPECT_EQ(run({5}, good, 3), kBadArray);
    EXPECT_EQ(run({kNaN}, good), kBadArray);
    for (double outside : {5.0, -1.0, kNaN, 1e300}) {
        std::vector<double> values = good;
        values.push_back(outside);
        EXPECT_EQ(run({5}, values), kBadArray) << outside;
    }
    EXPECT_EQ(run({4.9}, good), kInsufficientData) << "fewer than 5 classes";
    EXPECT_EQ(run({5}, {3, kMissing}), kInsufficientData);
    // Equal values with a fraction: a sum of squares about the mean is exactly 0.
    EXPECT_EQ(run({5}, {2.3, 2.3, 2.3, 2.3, 2.3, 2.3, 2.3}), kInsufficientData);
}

TEST(ChiSqNormalTest, EachAllocationFailureGivesNoMemory)
{
    testing::ExpectEachAllocationFailureGivesNoMemory([] {
        RealHostArray options = RealHostArray::FromValues({6});
        RealHostArray data = RealHostArray::FromValues({0, 1, 2, 2, 3, 3, 4, 5});
        RealHostArray results(4);
        return nkChiSqNormalTest(options.ref(), data.ref(), results.ref());
    });
}

}  // namespace
}  // namespace sheetstat
