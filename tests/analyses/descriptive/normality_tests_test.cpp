#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "analyses/descriptive/normality_tests.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

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

// D of the sample against its fitted normal, straight from the definition.
double ReferenceD(std::vector<double> x)
{
    std::sort(x.begin(), x.end());
    const ReferenceMoments fit = ReferenceMeanVariance(x);
    long double D = 0;
    for (std::size_t i = 1; i <= x.size(); ++i) {
        const long double F = Phi((x[i - 1] - fit.mean) / fit.sd());
        const auto rank = static_cast<long double>(i);
        D = std::max({D, std::fabs(rank / fit.count - F), std::fabs((rank - 1) / fit.count - F)});
    }
    return static_cast<double>(D);
}

// Q(0): every term has magnitude 2, no stopping test is met, 1 after 100 terms. At
// λ = 3 the second term is below 0.001 of the first; at 10.5 the guarded exponential
// gives 0 for the first term. Elsewhere against the theta series.
TEST(KolmogorovProb, EdgesAndThetaSeries)
{
    EXPECT_EQ(KolmogorovProb(0), 1.0);
    EXPECT_DOUBLE_EQ(KolmogorovProb(3), 2 * std::exp(-18.0) - 2 * std::exp(-72.0));
    EXPECT_EQ(KolmogorovProb(10.5), 0.0);
    for (double lambda : {0.2, 0.35, 0.5, 0.7, 0.9, 1.0, 1.2, 1.358, 1.63, 2.0, 2.5}) {
        EXPECT_NEAR(KolmogorovProb(lambda), static_cast<double>(KolmogorovTheta(lambda)), 1e-7) << lambda;
    }
}

// The caller's data end with the valid values sorted at the front and the slots behind
// them as they were; D against the definition, its probability against the theta
// series. Two distinct values: mean 1/2, s = √(1/2), both steps miss Φ by 1/2 − Φ(−1/√2)
// and the probability is near 1. A large common offset keeps the spread.
TEST(KSNormalTest, CompactsSortsAndMeasuresTheLargestDistance)
{
    std::vector<double> shifted;
    for (double d : {0.25, -1.5, 0.75, 2.0, -0.5, 1.25, -1.0, 0.0, 0.5}) shifted.push_back(1e9 + d);
    const std::vector<std::vector<double>> inputs = {
        {4.2, kMissing, 3.1, 5.6, kMissing, 2.8, 4.9, 3.7, 6.3, 4.4}, {1, kMissing, 0}, shifted};
    for (const std::vector<double>& input : inputs) {
        std::vector<double> valid;
        for (double v : input) {
            if (!IsMissing(v)) valid.push_back(v);
        }
        std::vector<double> expectedData = valid;
        std::sort(expectedData.begin(), expectedData.end());
        expectedData.insert(expectedData.end(), input.begin() + static_cast<std::ptrdiff_t>(valid.size()), input.end());
        const double D = ReferenceD(valid);
        const double n = static_cast<double>(valid.size());
        RealHostArray data = RealHostArray::FromValues(input);
        RealHostArray results(3);
        ASSERT_EQ(nkKSNormalTest(data.ref(), results.ref()), kOk);
        EXPECT_EQ(data.Slots(), expectedData);
        EXPECT_EQ(results[1], n);
        EXPECT_NEAR(results[2], D, input == shifted ? 1e-6 : 1e-12);
        EXPECT_NEAR(results[3], static_cast<double>(KolmogorovTheta(std::sqrt(n) * D)), 1e-6);
    }
    EXPECT_DOUBLE_EQ(ReferenceD({1, 0}), static_cast<double>(0.5L - Phi(-1 / std::numbers::sqrt2_v<long double>)));
    EXPECT_GT(KolmogorovProb(std::sqrt(2.0) * ReferenceD({1, 0})), 0.99);
}

// Too few values: the valid values are compacted all the same.
TEST(KSNormalTest, CompactsEvenWhenTheDataAreInsufficient)
{
    RealHostArray data = RealHostArray::FromValues({kMissing, 7, kMissing});
    RealHostArray results(3);
    EXPECT_EQ(nkKSNormalTest(data.ref(), results.ref()), kInsufficientData);
    EXPECT_EQ(data.Slots(), (std::vector<double>{7, 7, kMissing}));
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
// from the definition; class c is the integer part of each value present.
double ReferenceChiSquare(const std::vector<double>& x, int m)
{
    const ReferenceMoments fit = ReferenceMeanVariance(x);
    std::vector<long double> observed(static_cast<std::size_t>(m), 0);
    for (double v : x) {
        if (!IsMissing(v)) observed[static_cast<std::size_t>(std::trunc(v))] += 1;
    }
    long double chiSquare = 0;
    for (int c = 0; c < m; ++c) {
        const long double upper = c == m - 1 ? 1 : Phi((c + 0.5L - fit.mean) / fit.sd());
        const long double lower = c == 0 ? 0 : Phi((c - 0.5L - fit.mean) / fit.sd());
        const long double E = fit.count * (upper - lower);
        const long double O = observed[static_cast<std::size_t>(c)];
        chiSquare += (O - E) * (O - E) / E;
    }
    return static_cast<double>(chiSquare);
}

// χ² against the definition; the probability against the closed forms of the upper
// chi-square tail for 2 and 4 degrees of freedom. Values with fractions count in the
// class of their integer part (2.7 in class 2, −0.5 in class 0) but enter the mean and
// sd as they are; m truncates (5.9 → 5).
TEST(ChiSqNormalTest, ClassCountsAgainstTheFittedNormal)
{
    struct Case {
        double m;
        std::vector<double> input;
        double (*tail)(double);
    };
    const std::vector<Case> cases = {
        {5.9, {0, 1, kMissing, 1, 2, 2, 2, 2.7, 3, 3, 4, 1.5}, [](double x) { return std::exp(-x / 2); }},
        {7, {-0.5, 1, 2, 2, 3, 3, 3, 3.2, 4, 4, 4.9, 5, 5, 6, 6, 3, 2},
         [](double x) { return std::exp(-x / 2) * (1 + x / 2); }},
        // Thirty classes for values 0 and 1: the fitted normal puts no mass on the top
        // classes, so χ² and its probability are MissingValue; m and df are written.
        {30, {0, 1, 1, 0, 1, 0}, nullptr},
    };
    for (const Case& c : cases) {
        const int m = static_cast<int>(c.m);
        const double chiSquare = c.tail == nullptr ? 0 : ReferenceChiSquare(c.input, m);
        RealHostArray options = RealHostArray::FromValues({c.m});
        RealHostArray data = RealHostArray::FromValues(c.input);
        RealHostArray results(4);
        ASSERT_EQ(nkChiSqNormalTest(options.ref(), data.ref(), results.ref()), kOk);
        EXPECT_EQ(results[1], m);
        EXPECT_EQ(results[3], m - 3);
        if (c.tail == nullptr) {
            EXPECT_MISSING(results[2]);
            EXPECT_MISSING(results[4]);
            continue;
        }
        EXPECT_NEAR(results[2], chiSquare, 1e-9 * chiSquare);
        EXPECT_NEAR(results[4], c.tail(chiSquare), kProbTolerance);
    }
}

}  // namespace
}  // namespace sheetstat::testing
