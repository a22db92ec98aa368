// Normal, t, F, chi-square and studentized range probabilities and quantiles: the
// boundary cases and sentinels, the shared bisection, and accuracy against
// references computed independently (long double erfc for Φ, quadrature of the t, F
// and chi-square densities). RangeProb for k ≥ 3 against the studentized range itself
// is in studentized_range_tables_test.cpp.
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "numeric/distributions.hpp"
#include "numeric/quantile_bisection.hpp"
#include "numeric/reference_integrals.hpp"

namespace sheetstat {
namespace {

using testing::ExpectRelativelyNear;
using testing::Real;

// Probabilities promise what the incomplete beta and gamma functions promise
// (reference_integrals.hpp); the quantiles bisect to a step below 1e−4.
constexpr double kTolerance = testing::kIterationTolerance;
constexpr double kQuantileStep = 1e-4;

TEST(BisectQuantile, GrowsTheBracketThenHalves)
{
    // Without doublings S itself is never tested: t (S = 10) needs 17 halvings, the
    // studentized range (S = 8) 17, F (S = 100) 20, and a quantile above S is S.
    for (const auto& [start, expected] : {std::pair{10.0, 17}, std::pair{8.0, 17}, std::pair{100.0, 20}}) {
        int evaluations = 0;
        const double x = BisectQuantile(0.3, start, [&](double v) { return ++evaluations, std::exp(-v); }, 0);
        EXPECT_EQ(evaluations, expected) << "S = " << start;
        EXPECT_LE(std::exp(-x), 0.3);
        EXPECT_GT(std::exp(-(x - kQuantileStep)), 0.3);
    }
    EXPECT_EQ(BisectQuantile(0.5, 10.0, [](double) { return 1.0; }, 0), 10.0);
    // With them, S is tested first and doubled while G(S) > p: e^−x = 1e−6 at 13.8,
    // so S = 10 doubles once and 18 halvings follow.
    int evaluations = 0;
    const double x = BisectQuantile(1e-6, 10.0, [&](double v) { return ++evaluations, std::exp(-v); });
    EXPECT_EQ(evaluations, 2 + 18);
    EXPECT_LE(std::exp(-x), 1e-6);
    EXPECT_GT(std::exp(-(x - kQuantileStep)), 1e-6);
    // The doublings are bounded: a G that never falls to p ends at S·2^64.
    EXPECT_EQ(BisectQuantile(0.5, 10.0, [](double) { return 1.0; }), std::ldexp(10.0, kMaxBracketDoublings));
    evaluations = 0;  // an exact hit at the first midpoint stops the search
    EXPECT_EQ(BisectQuantile(0.5, 10.0, [&](double v) { return ++evaluations, v <= 5.0 ? 0.5 : 0.4; }), 5.0);
    EXPECT_EQ(evaluations, 2);
    for (const double p : {0.0, -0.2}) EXPECT_EQ(BisectQuantile(p, 10.0, [](double) { return 0.0; }), -1.0);
}

TEST(NormalCdf, AgreesWithTheLongDoubleErrorFunction)
{
    EXPECT_EQ(NormalCdf(0.0), 0.5);
    const double at3_5 = static_cast<double>(testing::ReferenceNormalCdf(3.5L));  // 0.99976737…
    EXPECT_NEAR(NormalCdf(3.5), at3_5, 1e-15);        // series
    EXPECT_NEAR(NormalCdf(3.5000001), at3_5, 1e-10);  // continued fraction
    EXPECT_EQ(NormalCdf(19.0), 1.0);
    EXPECT_EQ(NormalCdf(-19.0), 0.0);
    // The series is summed to the last bit. Hill's fraction for the tail is good to
    // about ten digits (4e−11 relative seen), checked on the lower tail, which is
    // returned without cancellation.
    for (double x = -3.5; x <= 3.5; x += 0.01)
        EXPECT_NEAR(NormalCdf(x), static_cast<double>(testing::ReferenceNormalCdf(x)), 1e-15) << x;
    for (double z = 3.51; z < 18.4; z += 0.07) {
        ExpectRelativelyNear(NormalCdf(-z), testing::ReferenceNormalCdf(-z), 1e-9);
        EXPECT_NEAR(NormalCdf(-z), 1.0 - NormalCdf(z), 2e-16) << z;
    }
}

TEST(NormalTailProb, IsTheSmallerTailForEitherSign)
{
    EXPECT_EQ(NormalTailProb(0.0), 0.5);
    for (const double z : {0.3, 1.959964, 3.2, 5.0, 12.0}) {
        const long double tail = testing::ReferenceNormalCdf(-z);
        ExpectRelativelyNear(NormalTailProb(z), tail, 1e-9);
        ExpectRelativelyNear(NormalTailProb(-z), tail, 1e-9);
    }
}

TEST(NormalQuantile, SentinelsBracketEndsAndBracket)
{
    EXPECT_EQ(NormalQuantile(0.5), 0.0);  // the first midpoint hits Φ = p exactly
    EXPECT_EQ(NormalQuantile(0.0), -1.0);
    EXPECT_EQ(NormalQuantile(-0.3), -1.0);
    EXPECT_EQ(NormalQuantile(1e-30), -10.0);  // Φ(−10) ≈ 7.6e−24
    EXPECT_EQ(NormalQuantile(1.0), 10.0);
    // The lower end lo of the last bracket: Φ(lo) ≤ p < Φ(lo + 1e−4).
    for (const double p : {1e-12, 1e-5, 0.001, 0.025, 0.2, 0.5001, 0.8, 0.975, 0.999}) {
        const double lo = NormalQuantile(p);
        EXPECT_LE(static_cast<double>(testing::ReferenceNormalCdf(lo)), p * (1 + 1e-9)) << "p = " << p;
        EXPECT_GT(static_cast<double>(testing::ReferenceNormalCdf(lo + kQuantileStep)), p) << "p = " << p;
    }
}

// t, F and chi-square upper tails, and the studentized range of two means (√2·|T|),
// against quadrature of their densities.
TEST(Probabilities, AgreeWithQuadratureOfTheDensities)
{
    auto check = [](double computed, Real reference) {
        if (reference >= testing::kGuardFloor) ExpectRelativelyNear(computed, reference, kTolerance);
    };
    for (const double df : {1.0, 2.0, 5.0, 10.0, 30.0, 120.0, 1000.0})
        for (const double t : {0.05, 0.7, 1.0, 2.0, 4.0, 10.0, 30.0}) {
            SCOPED_TRACE(::testing::Message() << "t = " << t << ", df = " << df);
            check(TProb(t, df), testing::ReferenceTTwoTailed(t, df));
            check(TProb(-t, df), testing::ReferenceTTwoTailed(t, df));
            if (df <= 200 && t <= 10) {
                const double q = t * std::numbers::sqrt2;
                EXPECT_NEAR(RangeProb(q, 2, static_cast<uint32_t>(df)), TProb(t, df), 1e-12 * TProb(t, df));
            }
        }
    for (const double df1 : {1.0, 3.0, 10.0, 40.0})
        for (const double df2 : {1.0, 4.0, 20.0, 100.0})
            for (const double f : {0.02, 0.5, 1.0, 2.5, 8.0, 40.0, 300.0}) {
                SCOPED_TRACE(::testing::Message() << "F = " << f << ", df1 = " << df1 << ", df2 = " << df2);
                check(FProb(f, df1, df2), testing::ReferenceFUpper(f, df1, df2));
            }
    for (const double df : {1.0, 2.0, 5.0, 20.0, 100.0})
        for (const double chiSquare : {0.01, 0.5, 1.0, 3.0, 10.0, 40.0, 150.0, 300.0}) {
            SCOPED_TRACE(::testing::Message() << "chi-square = " << chiSquare << ", df = " << df);
            check(ChiSquareProb(chiSquare, df), testing::ReferenceGammaQ(df / 2, chiSquare / 2));
        }
    EXPECT_EQ(TProb(0.0, 7.0), 1.0);
    EXPECT_EQ(TProb(0.0, 0.0), 0.0);  // t² + ν = 0
    EXPECT_EQ(FProb(0.0, 3.0, 12.0), 1.0);
    EXPECT_EQ(FProb(0.0, 3.0, 0.0), 0.0);  // ν1·F + ν2 = 0
    EXPECT_EQ(ChiSquareProb(0.0, 4.0), 1.0);
    EXPECT_EQ(ChiSquareProb(1000.0, 10.0), 0.0);  // e^−500 is clamped, not an underflow
}

TEST(RangeProb, SentinelsAndEnds)
{
    // No distribution outside 2..20 means or without degrees of freedom.
    for (const uint32_t k : {0u, 1u, 21u, 100u}) EXPECT_EQ(RangeProb(3.0, k, 10), -1.0) << "k = " << k;
    for (const uint32_t k : {2u, 3u, 20u}) EXPECT_EQ(RangeProb(3.0, k, 0), -1.0) << "k = " << k;
    for (uint32_t k = 3; k <= 20; ++k)
        for (const uint32_t df : {1u, 10u, 1000u}) EXPECT_EQ(RangeProb(0.0, k, df), 1.0) << k << ", " << df;
    // In the expansion (5 means, 1000 degrees of freedom) a distribution function at
    // or above 1 is taken as 1.
    EXPECT_EQ(RangeProb(20.0, 5, 1000), 0.0);
    // A NaN q gives NaN, integrated or expanded (there it selects the first columns,
    // clamped before it becomes an integer).
    for (const uint32_t df : {10u, 1000u})
        EXPECT_TRUE(std::isnan(RangeProb(std::numeric_limits<double>::quiet_NaN(), 5, df))) << df;
}

TEST(Quantiles, SentinelsAndClosedForms)
{
    // t(0.975; 10) = 2.228138852 (published tables): at or above it, by less than the step.
    const double t = TQuantile(0.05, 10.0);
    EXPECT_GE(t, 2.228138852);
    EXPECT_LT(t, 2.228138852 + kQuantileStep);
    // On one degree of freedom t = cot(πp/2) and F(1, 1) = t², far above the start
    // values 10 and 100; F(2, 2) has upper tail 1/(1 + f). Large quantiles hold the
    // relative accuracy of the probabilities (their logarithmic slope is at most 2
    // here). TQuantileCapped keeps 10.
    auto tolerance = [](double quantile) { return kQuantileStep + 2 * kTolerance * quantile; };
    for (const double p : {0.05, 0.01, 0.0001}) {
        const double cotangent = 1.0 / std::tan(std::numbers::pi * p / 2);
        EXPECT_NEAR(TQuantile(p, 1.0), cotangent, tolerance(cotangent)) << p;
        EXPECT_NEAR(FQuantile(p, 1.0, 1.0), cotangent * cotangent, tolerance(cotangent * cotangent)) << p;
        EXPECT_NEAR(FQuantile(p, 2.0, 2.0), 1 / p - 1, tolerance(1 / p)) << p;
        EXPECT_EQ(TQuantileCapped(p, 1.0), 10.0) << p;
    }
    EXPECT_NEAR(TQuantile(0.05, 1.0), 12.706204736, kQuantileStep);
    EXPECT_EQ(TQuantileCapped(0.05, 10.0), t);
    EXPECT_EQ(TQuantile(0.0, 5.0), -1.0);
    EXPECT_EQ(TQuantileCapped(0.0, 5.0), -1.0);
    EXPECT_EQ(FQuantile(0.0, 2.0, 10.0), -1.0);
    EXPECT_EQ(RangeQuantile(0.0, 4, 10), -1.0);
    for (const uint32_t k : {1u, 21u}) EXPECT_EQ(RangeQuantile(0.05, k, 10), -1.0) << "k = " << k;
    EXPECT_EQ(RangeQuantile(0.05, 4, 0), -1.0);
    // Published 5 % points of the range (Tukey's tables): q(3, 60) = 3.399,
    // q(10, 60) = 4.646, q(20, 1) = 59.56 (far above the start value 8).
    EXPECT_NEAR(RangeQuantile(0.05, 3, 60), 3.399, 0.005);
    EXPECT_NEAR(RangeQuantile(0.05, 10, 60), 4.646, 0.005);
    EXPECT_NEAR(RangeQuantile(0.05, 20, 1), 59.56, 0.05);
}

// A quantile x of a decreasing upper-tail probability G, found by the downward
// bisection from S (grown as needed), brackets the true quantile:
// G(x) ≤ p < G(x − 1e−4), to the accuracy of the probabilities.
TEST(Quantiles, BracketTheTrueQuantile)
{
    struct Case {
        const char* name;
        std::function<double(double)> quantile;  // of p
        std::function<Real(double)> G;           // the reference upper tail
    };
    std::vector<Case> cases;
    for (const double df : {1.0, 1.5, 2.0, 5.0, 12.3, 30.0, 200.0})
        cases.push_back({"t", [df](double p) { return TQuantile(p, df); },
                         [df](double x) { return testing::ReferenceTTwoTailed(x, df); }});
    for (const auto& [df1, df2] : {std::pair{1.0, 10.0}, std::pair{3.0, 20.0}, std::pair{4.0, 4.0},
                                   std::pair{10.0, 100.0}, std::pair{1.0, 2.0}})
        cases.push_back({"F", [df1, df2](double p) { return FQuantile(p, df1, df2); },
                         [df1, df2](double x) { return testing::ReferenceFUpper(x, df1, df2); }});
    for (const uint32_t df : {1u, 3u, 10u, 60u})
        cases.push_back({"range of 2", [df](double p) { return RangeQuantile(p, 2, df); },
                         [df](double q) { return testing::ReferenceTTwoTailed(q / std::numbers::sqrt2_v<Real>, df); }});
    for (std::size_t c = 0; c < cases.size(); ++c)
        for (const double p : {0.5, 0.1, 0.05, 0.01, 0.001}) {
            const Case& tested = cases[c];
            SCOPED_TRACE(::testing::Message() << tested.name << " case " << c << ", p = " << p);
            const double x = tested.quantile(p);
            EXPECT_LE(static_cast<double>(tested.G(x)), p * (1 + kTolerance)) << "x = " << x;
            EXPECT_GE(static_cast<double>(tested.G(x - kQuantileStep)), p * (1 - kTolerance)) << "x = " << x;
        }
    // k ≥ 3: the quantile of RangeProb itself (integrated at 5 degrees of freedom,
    // expanded at 1000).
    for (const uint32_t k : {3u, 5u, 10u})
        for (const uint32_t df : {5u, 1000u}) {
            const double q = RangeQuantile(0.05, k, df);
            EXPECT_LE(RangeProb(q, k, df), 0.05) << "k = " << k << ", df = " << df;
            EXPECT_GT(RangeProb(q - kQuantileStep, k, df), 0.05) << "k = " << k << ", df = " << df;
        }
}

}  // namespace
}  // namespace sheetstat
