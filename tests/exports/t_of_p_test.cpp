// nkTofP: the exported two-tailed critical value of t, its sentinels, the limits on
// the degrees of freedom, and that it raises no floating-point exception in the
// caller's environment (it runs without the call frame).
#include <cfenv>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "numeric/distributions.hpp"
#include "numeric/reference_integrals.hpp"
#include "sheetstat/sheetstat.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(TofP, IsTheTQuantile)
{
    // t(0.975; 10) = 2.228138852 (published tables), from above within the 1e−4 step.
    const double t = nkTofP(0.05, 10.0);
    EXPECT_EQ(t, sheetstat::TQuantile(0.05, 10.0));
    EXPECT_GE(t, 2.228138852);
    EXPECT_LT(t, 2.228138852 + 1e-4);
    EXPECT_EQ(nkTofP(0.0001, 1.0), 10.0);  // true value ≈ 6366: the bracket end
    EXPECT_LT(nkTofP(1.0, 5.0), 1e-4);    // p = 1: t = 0 to within the step
}

TEST(TofP, NoProbabilityOrNoDistributionGivesMinusOne)
{
    EXPECT_EQ(nkTofP(0.0, 5.0), -1.0);
    EXPECT_EQ(nkTofP(-0.5, 5.0), -1.0);
    EXPECT_EQ(nkTofP(-kInfinity, 5.0), -1.0);
    EXPECT_EQ(nkTofP(kNaN, 5.0), -1.0);
    EXPECT_EQ(nkTofP(0.05, kNaN), -1.0);
    EXPECT_EQ(nkTofP(0.05, 0.0), -1.0);
    EXPECT_EQ(nkTofP(0.05, -3.0), -1.0);
}

TEST(TofP, ExtremeDegreesOfFreedomAreHeldWithinTheUsableRange)
{
    // Very large (or infinite) df: the normal quantile 1.959964 (5 %, two-tailed).
    for (const double df : {1e9, 1e15, 1e300, kInfinity}) {
        const double t = nkTofP(0.05, df);
        EXPECT_GE(t, 1.959963985) << "df = " << df;
        EXPECT_LT(t, 1.959963985 + 1e-4) << "df = " << df;
    }
    // Very small df: the quantile lies far above 10.
    for (const double df : {1e-10, 1e-20, 1e-300, 4.9e-324}) EXPECT_EQ(nkTofP(0.05, df), 10.0) << "df = " << df;
}

TEST(TofP, BracketsTheTrueQuantileAtFractionalDegreesOfFreedom)
{
    for (const double df : {1.5, 2.7, 12.3}) {
        const double t = nkTofP(0.1, df);
        EXPECT_LE(static_cast<double>(sheetstat::testing::ReferenceTTwoTailed(t, df)), 0.1 * (1 + 1e-6)) << df;
        EXPECT_GE(static_cast<double>(sheetstat::testing::ReferenceTTwoTailed(t - 1e-4, df)), 0.1 * (1 - 1e-6)) << df;
    }
}

TEST(TofP, RaisesNoFloatingPointExceptionInTheCallersEnvironment)
{
    const double arguments[][2] = {{0.05, 10.0},   {1e-4, 1.0},      {0.5, 3.0},     {1.0, 5.0},   {2.0, 5.0},
                                   {1e-300, 5.0},  {4.9e-324, 3.0},  {kInfinity, 5}, {0.05, 1e-300}, {0.05, 0.01},
                                   {0.05, 1e300},  {0.05, kInfinity}, {kNaN, 3.0},   {0.05, kNaN}, {0.05, -2.0}};
    for (const auto& [p, df] : arguments) {
        std::feclearexcept(FE_ALL_EXCEPT);
        const double t = nkTofP(p, df);
        const int raised = std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
        EXPECT_EQ(raised, 0) << "p = " << p << ", df = " << df;
        EXPECT_FALSE(std::isnan(t)) << "p = " << p << ", df = " << df;
    }
}

}  // namespace
