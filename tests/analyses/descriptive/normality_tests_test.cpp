#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "analyses/descriptive/normality_tests.hpp"
#include "numeric/distributions.hpp"
#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// The incomplete gamma function stops its iterations at a relative change of 3e-7.
constexpr double kProbTolerance = 1e-6;

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

// D of the sample against its fitted normal, straight from the definition (the mean
// taken relative to `offset`).
double ReferenceD(std::vector<double> x, long double offset = 0)
{
    std::sort(x.begin(), x.end());
    const ReferenceMoments fit = ReferenceMeanVariance(x, offset);
    long double D = 0;
    for (std::size_t i = 1; i <= x.size(); ++i) {
        const long double F = ReferenceNormalCdf((x[i - 1] - offset - fit.mean) / fit.sd());
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
// and the probability is near 1. (Large offsets: ExactAtAnOffsetOf1e8.)
TEST(KSNormalTest, CompactsSortsAndMeasuresTheLargestDistance)
{
    const std::vector<std::vector<double>> inputs = {{4.2, kMissing, 3.1, 5.6, kMissing, 2.8, 4.9, 3.7, 6.3, 4.4},
                                                     {1, kMissing, 0}};
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
        EXPECT_NEAR(results[2], D, 1e-12);
        EXPECT_NEAR(results[3], static_cast<double>(KolmogorovTheta(std::sqrt(n) * D)), 1e-6);
    }
    EXPECT_DOUBLE_EQ(ReferenceD({1, 0}), static_cast<double>(0.5L - ReferenceNormalCdf(-1 / std::numbers::sqrt2_v<long double>)));
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

// The normal tails of the library are accurate to about 1e-10 relative far out.
constexpr double kTailTolerance = 1e-10;

// χ² of the class counts (class c the integer part of each value present) against the
// fitted normal with the half-unit correction, in long double, each class probability
// from the tail on its own side of the mean.
long double ReferenceChiSquare(const std::vector<double>& x, int m)
{
    const ReferenceMoments fit = ReferenceMeanVariance(x);
    const auto upperTail = [&fit](long double bound) {
        return 0.5L * std::erfc((bound - fit.mean) / fit.sd() / std::numbers::sqrt2_v<long double>);
    };
    long double chiSquare = 0;
    for (int c = 0; c < m; ++c) {
        const long double lower = c - 0.5L, upper = c + 0.5L;
        long double p;
        if (c == 0) {
            p = 1 - upperTail(upper);
        } else if (c == m - 1) {
            p = upperTail(lower);
        } else if (lower >= fit.mean) {
            p = upperTail(lower) - upperTail(upper);
        } else {
            p = (1 - upperTail(upper)) - (1 - upperTail(lower));
        }
        long double observed = 0;
        for (double v : x) observed += !IsMissing(v) && std::trunc(v) == c ? 1 : 0;
        const long double E = fit.count * p;
        chiSquare += (observed - E) * (observed - E) / E;
    }
    return chiSquare;
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
        const double chiSquare = c.tail == nullptr ? 0 : static_cast<double>(ReferenceChiSquare(c.input, m));
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

// x_i = 1e8 + 0.1·((37i) mod 101), i = 1..2000: D within rounding of the exact value
// (a running mean once put it 4e-6 off).
TEST(KSNormalTest, ExactAtAnOffsetOf1e8)
{
    std::vector<double> values;
    for (int i = 1; i <= 2000; ++i) values.push_back(1e8 + 0.1 * ((37 * i) % 101));
    RealHostArray data = RealHostArray::FromValues(values), results(3);
    ASSERT_EQ(nkKSNormalTest(data.ref(), results.ref()), kOk);
    EXPECT_NEAR(results[2], ReferenceD(values, 1e8), 1e-14);
}

// Classes far above the mean keep their small expected frequencies: for (0, 0, 1)
// with m = 9 the top class expects 3e-35 (once cancelled to 0, leaving χ² and p
// MissingValue); a 7 among 40 zeros and 40 ones with m = 8 once put χ² 7e-7 off. Runs
// of classes without values are taken together.
TEST(ChiSqNormalTest, SmallExpectedFrequenciesFromTheirOwnTail)
{
    std::vector<double> zerosOnesAndSeven(40, 0.0);
    zerosOnesAndSeven.insert(zerosOnesAndSeven.end(), 40, 1.0);
    zerosOnesAndSeven.push_back(7);
    const struct {
        double m;
        std::vector<double> values;
    } cases[] = {
        {9, {0, 0, 1}},
        {8, zerosOnesAndSeven},
        {15, {0, 0, 1, 1, 1, 2, 5, 9, 9, 12.5}},
    };
    for (const auto& c : cases) {
        RealHostArray options = RealHostArray::FromValues({c.m}), data = RealHostArray::FromValues(c.values);
        RealHostArray results(4);
        ASSERT_EQ(nkChiSqNormalTest(options.ref(), data.ref(), results.ref()), kOk);
        const auto chiSquare = static_cast<double>(ReferenceChiSquare(c.values, static_cast<int>(c.m)));
        EXPECT_NEAR(results[2], chiSquare, kTailTolerance * chiSquare) << c.m;
        EXPECT_NOT_MISSING(results[4]);
        EXPECT_GE(results[4], 0);
        EXPECT_LE(results[4], 1);
    }
}

// The class count is an option, not data: nothing is allocated by it, and the work
// grows with the values (m = 2^31 − 1 with five values puts no representable mass on
// the far classes, so χ² and p are MissingValue).
TEST(ChiSqNormalTest, HugeClassCountsCostNothing)
{
    const auto run = [](double m, const std::vector<double>& values, std::vector<double>* out = nullptr) {
        RealHostArray options = RealHostArray::FromValues({m}), data = RealHostArray::FromValues(values);
        RealHostArray results(4);
        const int32_t status = nkChiSqNormalTest(options.ref(), data.ref(), results.ref());
        if (out != nullptr) *out = results.Slots();
        return status;
    };
    for (const std::vector<double>& insufficient : {std::vector<double>{3}, {2, 2, 2}}) {
        sheetstatFailAllocationAfter(0);
        EXPECT_EQ(run(1e8, insufficient), kInsufficientData);
        EXPECT_EQ(sheetstatFailAllocationAfter(-1), 0) << "allocations";
    }
    std::vector<double> out;
    ASSERT_EQ(run(2147483647, {0, 1, 1, 2, 3}, &out), kOk);
    EXPECT_EQ(out[0], 2147483647);
    EXPECT_MISSING(out[1]);
    EXPECT_EQ(out[2], 2147483644);
    EXPECT_MISSING(out[3]);
}

// Near-normal samples (normal scores (i − 1/2)/n) have λ = √n·D small, where the
// alternating series can stop a hair above 1: the reported probability never does.
TEST(KSNormalTest, ProbabilityNeverExceedsOne)
{
    int above = 0;
    for (int n = 5; n <= 80; ++n) {
        std::vector<double> scores;
        for (int i = 1; i <= n; ++i) scores.push_back(NormalQuantile((i - 0.5) / n));
        RealHostArray data = RealHostArray::FromValues(scores), results(3);
        ASSERT_EQ(nkKSNormalTest(data.ref(), results.ref()), kOk);
        EXPECT_LE(results[3], 1.0) << n;
        above += KolmogorovProb(std::sqrt(static_cast<double>(n)) * results[2]) > 1;
    }
    EXPECT_GT(above, 0) << "no sample met the series above 1";
}

}  // namespace
}  // namespace sheetstat::testing
