// nkTofP: the exported two-tailed critical value of t, from above within 1e−4 for
// every p in (0, 1] and df > 0 (against quantiles computed here: quadrature of the t
// density, and Fisher's expansion about the normal quantile at huge df), its cap of 10,
// its sentinels, and that the caller's floating-point environment (flags, traps,
// rounding) comes back untouched, even from a signalling NaN.
#include <cfenv>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "numeric/distributions.hpp"
#include "numeric/reference_integrals.hpp"
#include "sheetstat/sheetstat.h"

namespace {

using sheetstat::testing::Real;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kStep = 1e-4;

// The two-tailed critical value of t: from the quadrature of the density up to 1e6
// degrees of freedom; above, t = z + (z³ + z)/(4ν) + (5z⁵ + 16z³ + 3z)/(96ν²) (Fisher
// 1925) about the normal quantile z, whose next term is below 1e−13 there for t ≤ 10.
Real ReferenceCriticalT(Real p, Real df)
{
    if (df <= 1e6L)
        return sheetstat::testing::ReferenceQuantile(
            [df](Real t) { return sheetstat::testing::ReferenceTTwoTailed(t, df); }, p, 10);
    const Real z = sheetstat::testing::ReferenceQuantile(
        [](Real x) { return std::erfc(x / std::numbers::sqrt2_v<Real>); }, p, 10);
    if (std::isinf(df)) return z;
    const Real z2 = z * z;
    return z + (z2 + 1) * z / (4 * df) + ((5 * z2 + 16) * z2 + 3) * z / (96 * df * df);
}

TEST(TofP, FromAboveWithin1e4ForEveryPAndDf)
{
    for (const double df : {0.5, 1.0, 3.0, 30.0, 1e4, 1e6, 1e7, 1e8, 1e9, 1e12, kInfinity})
        for (const double p : {1e-10, 0.001, 0.05, 0.5, 0.999, 0.9999, 1.0}) {
            const double exact = static_cast<double>(ReferenceCriticalT(p, df));
            const double t = nkTofP(p, df);
            if (exact >= 10) {
                EXPECT_EQ(t, 10.0) << "p = " << p << ", df = " << df;  // the documented cap
                continue;
            }
            EXPECT_GE(t, exact - 1e-12) << "p = " << p << ", df = " << df;
            EXPECT_LT(t, exact + kStep) << "p = " << p << ", df = " << df;
        }
    // The cap stays where the analyses' quantile goes beyond it.
    EXPECT_EQ(nkTofP(0.05, 1.0), 10.0);
    EXPECT_NEAR(sheetstat::TQuantile(0.05, 1.0), 12.7062, kStep);
    EXPECT_EQ(nkTofP(0.05, 10.0), sheetstat::TQuantile(0.05, 10.0));
}

// Every case under every rounding mode, with invalid, division by zero and overflow
// unmasked (a trap would end the test with SIGFPE) and the inexact flag raised
// beforehand: the flags, the traps and the mode must come back as they were.
TEST(TofP, SentinelsAndTheCallersEnvironment)
{
    const double signallingNaN = std::numeric_limits<double>::signaling_NaN();
    const struct {
        double p, df, low, high;
    } cases[] = {
        {0.0, 5.0, -1, -1},    {-0.5, 5.0, -1, -1},   {-kInfinity, 5.0, -1, -1},   {kNaN, 5.0, -1, -1},
        {0.05, kNaN, -1, -1},  {0.05, 0.0, -1, -1},   {0.05, -3.0, -1, -1},        {signallingNaN, 5.0, -1, -1},
        {0.05, signallingNaN, -1, -1},                {signallingNaN, signallingNaN, -1, -1},
        {0.05, 10.0, 2.228138852, 2.228138852 + kStep},
        // Far above 10: the cap; df below 1e−10 is taken as 1e−10.
        {1e-4, 1.0, 10, 10},   {0.05, 1e-300, 10, 10}, {0.05, 4.9e-324, 10, 10},  {4.9e-324, 3.0, 10, 10},
        // p ≥ 1: t = 0 to within the step.
        {1.0, 5.0, 0, kStep},  {2.0, 5.0, 0, kStep},   {kInfinity, 5.0, 0, kStep},
        {0.05, 1e300, 1.959963985, 1.959963985 + kStep},
    };
    const int modes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
    constexpr int kTraps = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
    for (const int mode : modes)
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << "p = " << c.p << ", df = " << c.df << ", rounding " << mode);
            std::feclearexcept(FE_ALL_EXCEPT);
            std::feraiseexcept(FE_INEXACT);
            std::fesetround(mode);
#if defined(__GLIBC__)
            feenableexcept(kTraps);
#endif
            const double t = nkTofP(c.p, c.df);
#if defined(__GLIBC__)
            const int traps = fedisableexcept(kTraps);
            EXPECT_EQ(traps, kTraps);
#endif
            const int flags = std::fetestexcept(FE_ALL_EXCEPT);
            const int rounding = std::fegetround();
            std::fesetround(FE_TONEAREST);
            EXPECT_EQ(flags, FE_INEXACT);
            EXPECT_EQ(rounding, mode);
            EXPECT_GE(t, c.low);
            EXPECT_LE(t, c.high);
        }
}

}  // namespace
