// Normal, t, F, chi-square and studentized range probabilities and quantiles: the
// boundary cases and sentinels, the shared bisection, and accuracy against
// references computed independently (long double erfc for Φ, quadrature of the t, F
// and chi-square densities).
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

#include "numeric/distributions.hpp"
#include "numeric/quantile_bisection.hpp"
#include "numeric/reference_integrals.hpp"

namespace sheetstat {
namespace {

using testing::Real;

// t, F and chi-square probabilities come from the incomplete beta and gamma
// functions, whose iterations stop at a relative change below 3e−7: 1e−6 relative
// is what they promise (see special_functions_test.cpp). Below about e^−200 the
// guarded exponential returns 0, so references under 1e−80 are not compared.
constexpr double kProbabilityTolerance = 1e-6;
constexpr Real kGuardFloor = 1e-80L;
// The quantiles bisect down to a step below 1e−4.
constexpr double kQuantileStep = 1e-4;

void ExpectRelativelyNear(double computed, Real reference, double tolerance)
{
    EXPECT_NEAR(computed, static_cast<double>(reference), tolerance * static_cast<double>(std::fabs(reference)))
        << "reference " << static_cast<double>(reference);
}

// A quantile x of an upper-tail probability G (decreasing), found by the downward
// bisection, brackets the true quantile: G(x) ≤ p < G(x − 1e−4), up to the
// accuracy of the computed probabilities.
// A quantile above the bracket end S is answered with S.
template <class Reference>
void ExpectUpperTailBracket(double x, double p, Reference G, double start)
{
    if (static_cast<double>(G(start)) > p * (1 + kProbabilityTolerance)) {
        EXPECT_EQ(x, start);
        return;
    }
    EXPECT_LE(static_cast<double>(G(x)), p * (1 + kProbabilityTolerance)) << "x = " << x;
    EXPECT_GE(static_cast<double>(G(x - kQuantileStep)), p * (1 - kProbabilityTolerance)) << "x = " << x;
}

// ---- The shared bisection ----

TEST(BisectQuantile, HalvesFromTheStartValueUntilTheStepIsBelow1e_4)
{
    // t (S = 10) needs 17 halvings, the studentized range (S = 8) 17, F (S = 100) 20.
    for (const auto& [start, expected] : {std::pair{10.0, 17}, std::pair{8.0, 17}, std::pair{100.0, 20}}) {
        int evaluations = 0;
        const double x = BisectQuantile(0.3, start, [&](double v) {
            ++evaluations;
            return std::exp(-v);  // never exactly 0.3 at a midpoint
        });
        EXPECT_EQ(evaluations, expected) << "S = " << start;
        EXPECT_LE(std::exp(-x), 0.3);
        EXPECT_GT(std::exp(-(x - kQuantileStep)), 0.3);
    }
}

TEST(BisectQuantile, NeverTestsTheStartValueAndStopsOnAnExactHit)
{
    EXPECT_EQ(BisectQuantile(0.5, 10.0, [](double) { return 1.0; }), 10.0);  // quantile above S
    int evaluations = 0;
    EXPECT_EQ(BisectQuantile(0.5, 10.0, [&](double v) {
                  ++evaluations;
                  return v <= 5.0 ? 0.5 : 0.4;
              }),
              5.0);
    EXPECT_EQ(evaluations, 1);
    EXPECT_EQ(BisectQuantile(0.0, 10.0, [](double) { return 0.0; }), -1.0);
    EXPECT_EQ(BisectQuantile(-0.2, 10.0, [](double) { return 0.0; }), -1.0);
}

// ---- Normal ----

TEST(NormalCdf, CentreBranchPointAndFarTail)
{
    EXPECT_EQ(NormalCdf(0.0), 0.5);
    const double reference = static_cast<double>(testing::ReferenceNormalCdf(3.5L));  // 0.99976737…
    EXPECT_NEAR(NormalCdf(3.5), reference, 1e-15);        // series
    EXPECT_NEAR(NormalCdf(3.5000001), reference, 1e-10);  // continued fraction
    EXPECT_EQ(NormalCdf(19.0), 1.0);
    EXPECT_EQ(NormalCdf(-19.0), 0.0);
    for (const double x : {0.1, 1.0, 3.5, 3.6, 7.0}) EXPECT_NEAR(NormalCdf(-x), 1.0 - NormalCdf(x), 1e-16) << x;
}

TEST(NormalCdf, AgreesWithTheLongDoubleErrorFunction)
{
    // The series is summed to the last bit: 1e−15 absolute. Hill's continued fraction
    // for the tail is good to about ten digits (4e−11 relative seen): 1e−9 relative,
    // checked on the lower tail, which is returned without cancellation.
    for (double x = -3.5; x <= 3.5; x += 0.01)
        EXPECT_NEAR(NormalCdf(x), static_cast<double>(testing::ReferenceNormalCdf(x)), 1e-15) << x;
    for (double z = 3.51; z < 18.4; z += 0.07) {
        ExpectRelativelyNear(NormalCdf(-z), testing::ReferenceNormalCdf(-z), 1e-9);
        const double tail = static_cast<double>(testing::ReferenceNormalCdf(-z));
        EXPECT_NEAR(NormalCdf(z), static_cast<double>(testing::ReferenceNormalCdf(z)), 1e-9 * tail + 2e-16) << z;
    }
}

TEST(NormalQuantile, SentinelsAndBracketEnds)
{
    EXPECT_EQ(NormalQuantile(0.5), 0.0);  // the first midpoint hits Φ = p exactly
    EXPECT_EQ(NormalQuantile(0.0), -1.0);
    EXPECT_EQ(NormalQuantile(-0.3), -1.0);
    EXPECT_EQ(NormalQuantile(1e-30), -10.0);  // Φ(−10) ≈ 7.6e−24
    EXPECT_EQ(NormalQuantile(1.0), 10.0);
}

TEST(NormalQuantile, BracketsTheTrueQuantileFromBelow)
{
    // The lower end lo of the last bracket: Φ(lo) ≤ p < Φ(lo + 1e−4).
    for (const double p : {1e-12, 1e-5, 0.001, 0.025, 0.2, 0.5001, 0.8, 0.975, 0.999}) {
        const double lo = NormalQuantile(p);
        EXPECT_LE(static_cast<double>(testing::ReferenceNormalCdf(lo)), p * (1 + 1e-9)) << "p = " << p;
        EXPECT_GT(static_cast<double>(testing::ReferenceNormalCdf(lo + kQuantileStep)), p) << "p = " << p;
    }
    EXPECT_LE(NormalQuantile(0.025), -1.959963984540054);  // published z for 2.5 %
    EXPECT_GT(NormalQuantile(0.025), -1.959963984540054 - kQuantileStep);
}

// ---- t ----

TEST(TProb, AgreesWithQuadratureOfTheTDensity)
{
    for (const double df : {1.0, 2.0, 5.0, 10.0, 30.0, 120.0, 1000.0})
        for (const double t : {0.05, 0.7, 1.0, 2.0, 4.0, 10.0, 30.0}) {
            const Real reference = testing::ReferenceTTwoTailed(t, df);
            if (reference < kGuardFloor) continue;
            SCOPED_TRACE(::testing::Message() << "t = " << t << ", df = " << df);
            ExpectRelativelyNear(TProb(t, df), reference, kProbabilityTolerance);
            ExpectRelativelyNear(TProb(-t, df), reference, kProbabilityTolerance);
        }
}

TEST(TProb, DegenerateArguments)
{
    EXPECT_EQ(TProb(0.0, 7.0), 1.0);
    EXPECT_EQ(TProb(0.0, 0.0), 0.0);  // t² + ν = 0
}

TEST(TQuantile, EdgeCases)
{
    // t(0.975; 10) = 2.228138852 (published tables): the result lies at or above it,
    // by less than the bisection step.
    const double t = TQuantile(0.05, 10.0);
    EXPECT_GE(t, 2.228138852);
    EXPECT_LT(t, 2.228138852 + kQuantileStep);
    EXPECT_LE(TProb(t, 10.0), 0.05);
    EXPECT_EQ(TQuantile(0.0001, 1.0), 10.0);  // true value ≈ 6366
    EXPECT_EQ(TQuantile(0.0, 5.0), -1.0);
    EXPECT_EQ(TQuantile(-1.0, 5.0), -1.0);
}

TEST(TQuantile, BracketsTheTrueQuantile)
{
    for (const double df : {1.0, 2.0, 5.0, 30.0, 200.0})
        for (const double p : {0.5, 0.2, 0.05, 0.01, 0.001}) {
            SCOPED_TRACE(::testing::Message() << "p = " << p << ", df = " << df);
            const auto G = [df](double x) { return testing::ReferenceTTwoTailed(x, df); };
            ExpectUpperTailBracket(TQuantile(p, df), p, G, 10.0);
        }
}

// ---- F ----

TEST(FProb, AgreesWithQuadratureOfTheFDensity)
{
    for (const double df1 : {1.0, 3.0, 10.0, 40.0})
        for (const double df2 : {1.0, 4.0, 20.0, 100.0})
            for (const double f : {0.02, 0.5, 1.0, 2.5, 8.0, 40.0, 300.0}) {
                const Real reference = testing::ReferenceFUpper(f, df1, df2);
                if (reference < kGuardFloor) continue;
                SCOPED_TRACE(::testing::Message() << "F = " << f << ", df1 = " << df1 << ", df2 = " << df2);
                ExpectRelativelyNear(FProb(f, df1, df2), reference, kProbabilityTolerance);
            }
}

TEST(FProb, DegenerateArguments)
{
    EXPECT_EQ(FProb(0.0, 3.0, 12.0), 1.0);
    EXPECT_EQ(FProb(0.0, 3.0, 0.0), 0.0);  // ν1·F + ν2 = 0
}

TEST(FQuantile, EdgeCasesAndBracket)
{
    EXPECT_EQ(FQuantile(0.05, 1.0, 1.0), 100.0);  // true value ≈ 161.4
    EXPECT_EQ(FQuantile(0.0, 2.0, 10.0), -1.0);
    for (const auto& [df1, df2] : {std::pair{1.0, 10.0}, std::pair{3.0, 20.0}, std::pair{4.0, 4.0}, std::pair{10.0, 100.0}})
        for (const double p : {0.25, 0.05, 0.01}) {
            SCOPED_TRACE(::testing::Message() << "p = " << p << ", df1 = " << df1 << ", df2 = " << df2);
            ExpectUpperTailBracket(FQuantile(p, df1, df2), p,
                                   [df1, df2](double x) { return testing::ReferenceFUpper(x, df1, df2); }, 100.0);
        }
}

// ---- Chi-square ----

TEST(ChiSquareProb, AgreesWithQuadratureOfTheChiSquareDensity)
{
    for (const double df : {1.0, 2.0, 5.0, 20.0, 100.0})
        for (const double chiSquare : {0.01, 0.5, 1.0, 3.0, 10.0, 40.0, 150.0, 300.0}) {
            const Real reference = testing::ReferenceChiSquareUpper(chiSquare, df);
            if (reference < kGuardFloor) continue;
            SCOPED_TRACE(::testing::Message() << "chi-square = " << chiSquare << ", df = " << df);
            ExpectRelativelyNear(ChiSquareProb(chiSquare, df), reference, kProbabilityTolerance);
        }
    EXPECT_EQ(ChiSquareProb(0.0, 4.0), 1.0);
}

TEST(ChiSquareProb, TailsBeyondTheExponentialGuardAreZero)
{
    EXPECT_EQ(ChiSquareProb(1000.0, 10.0), 0.0);  // e^−500 is clamped, not an underflow
}

// ---- Studentized range ----

TEST(RangeProb, TwoMeansIsTheTwoTailedTOfQOverRoot2)
{
    for (const uint32_t df : {1u, 5u, 20u, 200u})
        for (const double q : {0.3, 1.5, 3.0, 6.0, 9.0}) {
            SCOPED_TRACE(::testing::Message() << "q = " << q << ", df = " << df);
            const double t = q / std::numbers::sqrt2;
            EXPECT_NEAR(RangeProb(q, 2, df), TProb(t, df), 1e-12 * TProb(t, df));
            ExpectRelativelyNear(RangeProb(q, 2, df), testing::ReferenceTTwoTailed(t, df), kProbabilityTolerance);
        }
}

TEST(RangeProb, OutsideTwoTo20MeansOrWithoutDegreesOfFreedomIsMinusOne)
{
    for (const uint32_t k : {0u, 1u, 21u, 100u}) EXPECT_EQ(RangeProb(3.0, k, 10), -1.0) << "k = " << k;
    for (const uint32_t k : {2u, 3u, 20u}) EXPECT_EQ(RangeProb(3.0, k, 0), -1.0) << "k = " << k;
}

TEST(RangeProb, IsOneAtZeroForThreeMeansOrMore)
{
    for (uint32_t k = 3; k <= 20; ++k)
        for (const uint32_t df : {1u, 10u, 1000u}) EXPECT_EQ(RangeProb(0.0, k, df), 1.0) << k << ", " << df;
}

TEST(RangeProb, ExtrapolatesBeyondTheTablesAndClampsAtOne)
{
    // Beyond q = 6.5 the last four columns are extrapolated; a distribution function
    // at or above 1 is taken as 1, so far out the upper tail is exactly 0.
    EXPECT_EQ(RangeProb(20.0, 5, 10), 0.0);
    EXPECT_GE(RangeProb(7.0, 5, 10), 0.0);
    // A NaN range selects the first columns (the index is clamped before it becomes
    // an integer) and gives NaN.
    EXPECT_TRUE(std::isnan(RangeProb(std::numeric_limits<double>::quiet_NaN(), 5, 10)));
}

TEST(RangeQuantile, SentinelsAndTwoMeans)
{
    EXPECT_EQ(RangeQuantile(0.0, 4, 10), -1.0);
    EXPECT_EQ(RangeQuantile(0.05, 21, 10), -1.0);
    EXPECT_EQ(RangeQuantile(0.05, 1, 10), -1.0);
    EXPECT_EQ(RangeQuantile(0.05, 4, 0), -1.0);
    for (const uint32_t df : {3u, 10u, 60u})
        for (const double p : {0.1, 0.05, 0.01}) {
            SCOPED_TRACE(::testing::Message() << "p = " << p << ", df = " << df);
            ExpectUpperTailBracket(RangeQuantile(p, 2, df), p, [df](double q) {
                return testing::ReferenceTTwoTailed(q / std::numbers::sqrt2_v<Real>, df);
            }, 8.0);
        }
}

TEST(RangeQuantile, BracketsTheQuantileOfTheInterpolatedDistribution)
{
    for (const uint32_t k : {3u, 5u, 10u})
        for (const uint32_t df : {20u, 60u}) {
            const double q = RangeQuantile(0.05, k, df);
            SCOPED_TRACE(::testing::Message() << "k = " << k << ", df = " << df << ", q = " << q);
            EXPECT_LE(RangeProb(q, k, df), 0.05);
            EXPECT_GT(RangeProb(q - kQuantileStep, k, df), 0.05);
        }
    // Published 5 % points (Tukey's tables): q(3, 60) = 3.399, q(10, 60) = 4.646.
    EXPECT_NEAR(RangeQuantile(0.05, 3, 60), 3.399, 0.005);
    EXPECT_NEAR(RangeQuantile(0.05, 10, 60), 4.646, 0.005);
}

}  // namespace
}  // namespace sheetstat
