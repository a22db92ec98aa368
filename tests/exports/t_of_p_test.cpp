// nkTofP: the exported two-tailed critical value of t (the t quantile itself is
// checked in numeric/distributions_test.cpp), its sentinels, the limits on the
// degrees of freedom, and that it raises no floating-point exception in the caller's
// environment (it runs without the call frame).
#include <cfenv>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "numeric/distributions.hpp"
#include "sheetstat/sheetstat.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// The normal 5 % two-tailed point, which the t quantile reaches as df grows.
constexpr double kNormal5 = 1.959963985;

TEST(TofP, IsTheTQuantile)
{
    for (const double df : {1.0, 2.5, 10.0, 1e6})
        for (const double p : {0.5, 0.05, 0.001})
            EXPECT_EQ(nkTofP(p, df), sheetstat::TQuantile(p, df)) << p << ", " << df;
}

TEST(TofP, SentinelsAndExtremeArgumentsRaiseNothing)
{
    const struct {
        double p, df, low, high;
    } cases[] = {
        {0.0, 5.0, -1, -1},  {-0.5, 5.0, -1, -1},   {-kInfinity, 5.0, -1, -1}, {kNaN, 5.0, -1, -1},
        {0.05, kNaN, -1, -1}, {0.05, 0.0, -1, -1},  {0.05, -3.0, -1, -1},
        // The bracket end: the true value lies far above 10.
        {1e-4, 1.0, 10, 10}, {0.05, 0.01, 10, 10}, {0.05, 1e-10, 10, 10}, {0.05, 1e-300, 10, 10},
        {0.05, 4.9e-324, 10, 10},
        // p ≥ 1: t = 0 to within the step.
        {1.0, 5.0, 0, 1e-4}, {2.0, 5.0, 0, 1e-4}, {kInfinity, 5.0, 0, 1e-4},
        {1e-300, 5.0, 10, 10}, {4.9e-324, 3.0, 10, 10},
        // Very large or infinite df: the normal quantile.
        {0.05, 1e9, kNormal5, kNormal5 + 1e-4}, {0.05, 1e15, kNormal5, kNormal5 + 1e-4},
        {0.05, 1e300, kNormal5, kNormal5 + 1e-4}, {0.05, kInfinity, kNormal5, kNormal5 + 1e-4},
    };
    for (const auto& c : cases) {
        std::feclearexcept(FE_ALL_EXCEPT);
        const double t = nkTofP(c.p, c.df);
        EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID), 0) << "p = " << c.p << ", df = " << c.df;
        EXPECT_GE(t, c.low) << "p = " << c.p << ", df = " << c.df;
        EXPECT_LE(t, c.high) << "p = " << c.p << ", df = " << c.df;
    }
}

}  // namespace
