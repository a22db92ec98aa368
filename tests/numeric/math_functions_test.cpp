// Guarded exponential, ln Γ, Stirling's correction, the deviance term, the incomplete
// gamma and beta functions and erfc: their boundary cases, accuracy against
// references computed independently (long double std::lgamma and std::erfc,
// quadrature of the gamma, beta, t and F densities) up to 2^21 degrees of freedom,
// the bound on their iterations, and their values under every rounding mode.
#include <cfenv>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "frame/status.hpp"
#include "numeric/distributions.hpp"
#include "numeric/math_functions.hpp"
#include "numeric/reference_integrals.hpp"

namespace sheetstat {
namespace {

using testing::ExpectRelativelyNear;
using testing::kGuardFloor;
using testing::kIterationTolerance;
using testing::Real;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(SafeExp, ClampsOutsideMinus200To200)
{
    const struct {
        double x, expected;
    } cases[] = {{-200.0, std::exp(-200.0)}, {-200.0001, 0.0}, {200.0, std::exp(200.0)}, {200.0001, 1e85},
                 {kNaN, 0.0},                {-kInf, 0.0},     {kInf, 1e85}};
    for (const auto& c : cases) EXPECT_EQ(SafeExp(c.x), c.expected) << "x = " << c.x;
    EXPECT_NEAR(SafePow(2.0, 10.0), 1024.0, 1e-10);
    EXPECT_EQ(SafePow(10.0, 300.0), 1e85);  // 300·ln 10 > 200
    EXPECT_EQ(SafePow(10.0, -300.0), 0.0);
}

// ln Γ to a few ulps of its magnitude (1e−14 absolute below 10), and Stirling's
// correction δ(x) = ln Γ(x) − (x − 1/2)·ln x + x − ln √(2π), both against long double
// std::lgamma; δ is checked to 1e−14 below 10 and to its last digits from 10 to
// 1000, where the long double reference still holds them.
TEST(LogGamma, AgreesWithTheLongDoubleLogGamma)
{
    for (double x = 1e-12; x < 1e13; x *= 1.37) {
        const Real reference = std::lgamma(static_cast<Real>(x));
        EXPECT_NEAR(LogGamma(x), static_cast<double>(reference), 1e-14 * std::fmax(1.0, std::fabs(static_cast<double>(reference))))
            << "x = " << x;
        if (x > 1000) continue;
        const Real leading = (x - 0.5L) * std::log(static_cast<Real>(x)) - x + std::log(2 * std::numbers::pi_v<Real>) / 2;
        const double tolerance = x < 10 ? 1e-14 : 2e-17 + 1e-18 * static_cast<double>(std::fabs(reference));
        EXPECT_NEAR(StirlingCorrection(x), static_cast<double>(reference - leading), tolerance) << "x = " << x;
    }
    for (const double x : {1.0, 2.0}) EXPECT_NEAR(LogGamma(x), 0.0, 4e-15);
    EXPECT_NEAR(LogGamma(0.5), std::log(std::sqrt(std::numbers::pi)), 4e-15);
    for (const double x : {0.0, -1.0, kNaN}) {
        EXPECT_TRUE(std::isnan(LogGamma(x))) << x;
        EXPECT_TRUE(std::isnan(StirlingCorrection(x))) << x;
    }
}

// x·ln(x/m) + m − x, near x = m against its Taylor series in e = x/m − 1,
// m·Σ_{k≥2} (−e)^k/(k(k − 1)), elsewhere against the direct form in long double.
TEST(DevianceTerm, KeepsItsDigitsWhereXAndMNearlyAgree)
{
    const auto reference = [](Real x, Real m) -> Real {
        const Real e = (x - m) / m;  // x − m is exact
        if (std::fabs(e) > 0.05L) return x * std::log(x / m) + m - x;
        Real sum = 0, power = -e;
        for (int k = 2; k < 40; ++k) sum += (power *= -e) / (k * (k - 1));
        return m * sum;
    };
    for (const double m : {1e-3, 0.5, 7.0, 1e6, 3e12})
        for (const double ratio : {1e-6, 0.3, 0.85, 0.95, 1 - 1e-5, 1 - 1e-12, 1 + 1e-9, 1.04, 1.2, 5.0, 1e8}) {
            const double x = m * ratio;
            ExpectRelativelyNear(DevianceTerm(x, m), reference(x, m), 1e-14);
        }
    EXPECT_EQ(DevianceTerm(5.0, 5.0), 0.0);
    EXPECT_EQ(DevianceTerm(0.0, 3.0), 3.0);
    EXPECT_EQ(DevianceTerm(2.0, 0.0), kInf);
    EXPECT_NEAR(DevianceTerm(1e300, 1e-300), 1e300 * (600 * std::numbers::ln10 - 1), 1e288);  // ratio beyond doubles
}

TEST(IncGammaQ, AgreesWithQuadratureOfTheGammaDensity)
{
    for (const double a : {0.5, 1.0, 3.0, 50.0}) EXPECT_EQ(IncGammaQ(a, 0.0), 1.0) << "a = " << a;
    EXPECT_EQ(IncGammaQ(2.0, kInf), 0.0);
    for (const double bad : {0.0, -1.0, kNaN, kInf}) EXPECT_TRUE(std::isnan(IncGammaQ(bad, 1.0))) << bad;
    EXPECT_TRUE(std::isnan(IncGammaQ(2.0, kNaN)));
    // Shape 1 is the exponential tail, on the series (x < 2) and the fraction (x ≥ 2),
    // down to e^−700; a tail e^−x carries the rounding of its exponent, x·1e−16.
    for (const double x : {0.1, 1.0, 1.999, 2.0, 3.0, 60.0, 300.0, 700.0})
        ExpectRelativelyNear(IncGammaQ(1.0, x), std::exp(static_cast<Real>(-x)), 2e-14 + x * 2e-16);
    for (const double a : {0.5, 1.5, 4.0, 12.5, 60.0})
        for (const double x : {0.02, 0.3, 1.0, 1.4, 2.5, 7.0, 15.0, 40.0, 90.0, 150.0, 600.0}) {
            const Real reference = testing::ReferenceGammaQ(a, x);
            if (reference < kGuardFloor) continue;
            SCOPED_TRACE(::testing::Message() << "a = " << a << ", x = " << x);
            ExpectRelativelyNear(IncGammaQ(a, x), reference, kIterationTolerance);
        }
}

TEST(IncBeta, AgreesWithQuadratureOfTheBetaDensityAndIsExactAtTheEnds)
{
    for (const double a : {0.5, 1.0, 2.5, 10.0, 40.0})
        for (const double b : {0.5, 1.0, 3.0, 15.0}) {
            SCOPED_TRACE(::testing::Message() << "a = " << a << ", b = " << b);
            EXPECT_EQ(IncBeta(a, b, 0.0), 0.0);
            EXPECT_EQ(IncBeta(a, b, 1.0), 1.0);
            for (const double x : {1e-9, 0.001, 0.05, 0.3, 0.5, 0.7, 0.95, 0.999}) {
                const Real reference = testing::ReferenceIncBeta(a, b, x);
                if (reference >= kGuardFloor) ExpectRelativelyNear(IncBeta(a, b, x), reference, kIterationTolerance);
            }
        }
    for (const double bad : {0.0, -1.0, kNaN, kInf}) {
        EXPECT_TRUE(std::isnan(IncBeta(bad, 2.0, 0.5))) << bad;
        EXPECT_TRUE(std::isnan(IncBeta(2.0, bad, 0.5))) << bad;
    }
    // A complement y given separately keeps its digits where 1 − x has none: for
    // x = 1 − 1e−18 (1 as a double), 1 − I_x(a, 1/2) = I_y(1/2, a) ≈ 2√y / B(1/2, a)
    // (relative error a·y), 1.13e−6 at a = 10^6.
    const Real a = 1e6, y = 1e-18;
    const Real logBeta = std::lgamma(0.5L) + std::lgamma(a) - std::lgamma(a + 0.5L);
    ExpectRelativelyNear(1.0 - IncBeta(1e6, 0.5, 1.0, 1e-18), 2 * std::sqrt(y) / std::exp(logBeta), 1e-9);
}

// Chi-square, t and F upper tails at large degrees of freedom, up to 2^21, against
// quadrature of their densities: from 8 standard deviations below the centre to
// tails near 1e−300. Plain continued fractions stopped at 100 steps were off by 2e−3
// to 2e−2 at such df.
TEST(Probabilities, HoldTheirDigitsUpTo2To21DegreesOfFreedom)
{
    const std::vector<double> dfs = {1482, 1999, 4999, 65537, 499999, 2097151, 2097152};
    const std::vector<double> deviations = {-8, -2, -0.3, 0, 0.01, 0.7, 3, 9, 20, 30};
    auto check = [](double computed, Real reference) {
        if (reference >= kGuardFloor) {
            ExpectRelativelyNear(computed, reference, testing::kLargeShapeTolerance);
        } else {
            EXPECT_LT(computed, 1e-290);
        }
    };
    for (const double df : dfs) {
        SCOPED_TRACE(::testing::Message() << "df = " << df);
        for (const double z : deviations) {
            const double chiSquare = df + z * std::sqrt(2 * df);
            check(ChiSquareProb(chiSquare, df), testing::ReferenceGammaQ(df / 2, chiSquare / 2));
        }
        for (const double t : {1e-9, 0.01, 0.7, 2.0, 5.0, 12.0, 37.0})
            check(TProb(t, df), testing::ReferenceTTwoTailed(t, df));
    }
    // F with either or both df large, among them the variance ratio of two groups of
    // 500,000; deviations in units of the standard deviation of ln F.
    const std::vector<std::pair<double, double>> fDfs = {
        {1, 2097152}, {2097152, 1}, {12, 2097151}, {2097151, 12}, {1999, 4999}, {499999, 499999}, {2097152, 2097152}};
    for (const auto& [df1, df2] : fDfs) {
        SCOPED_TRACE(::testing::Message() << "df = " << df1 << ", " << df2);
        const double spread = std::sqrt(2 / df1 + 2 / df2);
        for (const double z : {-6.0, -1.0, 0.0, 0.4, 2.0, 8.0, 25.0}) {
            const double f = std::exp(z * spread);
            check(FProb(f, df1, df2), testing::ReferenceFUpper(f, df1, df2));
        }
    }
}

// The iterations run until they converge; where even the bound (2^24 steps, reached
// only by shapes beyond about 2e12) does not suffice they report a numerical failure.
TEST(SpecialFunctions, ReportANumericalFailureWhereTheIterationBoundRunsOut)
{
    try {
        IncGammaQ(1e15, 1e15);
        ADD_FAILURE() << "no failure reported";
    } catch (const StatusError& e) {
        EXPECT_EQ(e.code(), Status::NumericalFailure);
    }
    // Far from the centre the same shapes converge at once.
    EXPECT_EQ(IncGammaQ(1e15, 1.0), 1.0);
    EXPECT_EQ(IncBeta(1e15, 1e15, 0.25), 0.0);
}

// Every function terminates and keeps its value when the caller rounds otherwise: the
// loops are bounded, and the results stay within rounding of those to nearest.
TEST(SpecialFunctions, TerminateAndKeepTheirValuesUnderEveryRoundingMode)
{
    const std::vector<std::function<double()>> calls = {
        [] { return NormalCdf(0.3); },           [] { return NormalCdf(-3.4); },
        [] { return NormalCdf(7.0); },           [] { return NormalQuantile(0.025); },
        [] { return LogGamma(0.3); },            [] { return LogGamma(4e5); },
        [] { return StirlingCorrection(3.5); }, [] { return DevianceTerm(1000.5, 1000.0); },
        [] { return IncGammaQ(3.0, 2.0); },      [] { return IncGammaQ(3.0, 9.0); },
        [] { return IncGammaQ(5e5, 5e5 + 700); }, [] { return IncBeta(2.5, 40.0, 0.05); },
        [] { return IncBeta(2.5, 40.0, 0.3); },  [] { return TProb(2.1, 1e6); },
        [] { return FProb(1.01, 4e5, 6e5); },    [] { return Erfc(0.7); },
    };
    std::vector<double> nearest;
    for (const auto& call : calls) nearest.push_back(call());
    for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        std::vector<double> values;
        for (const auto& call : calls) values.push_back(call());
        std::fesetround(FE_TONEAREST);
        for (std::size_t i = 0; i < calls.size(); ++i)
            EXPECT_NEAR(values[i], nearest[i], 1e-11 * std::fabs(nearest[i])) << "call " << i << ", mode " << mode;
    }
}

TEST(Erfc, FractionalErrorBelow1_2e_7AndSymmetry)
{
    EXPECT_NEAR(Erfc(0.0), 1.0, 1.2e-7);
    for (double x = -5.0; x <= 9.0; x += 0.01) {
        ExpectRelativelyNear(Erfc(x), std::erfc(static_cast<Real>(x)), 1.2e-7);
        if (x > 0) { EXPECT_DOUBLE_EQ(Erfc(-x), 2.0 - Erfc(x)) << x; }
    }
}

}  // namespace
}  // namespace sheetstat
