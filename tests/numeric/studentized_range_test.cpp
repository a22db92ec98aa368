// The studentized range: the direct integration against an independent reference
// (reference_integrals.hpp), RangeProb for every number of means and degrees of
// freedom (expansion or integration), and the critical values that the post-hoc
// procedures take from RangeQuantile against quantiles found independently.
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

#include "numeric/distributions.hpp"
#include "numeric/reference_integrals.hpp"
#include "numeric/studentized_range_integral.hpp"

namespace sheetstat {
namespace {

using testing::Real;
using testing::ReferenceRangeUpper;

TEST(StudentizedRangeReference, ReproducesClosedForms)
{
    // Two means: W = √2·|Z|, so P(W ≤ w) = erf(w/2); W/s = √2·|T|, with
    // P(|T| > t) = 1 − t/√(2 + t²) on 2 degrees of freedom and 1 − (2/π)·atan t on 1.
    for (const Real w : {0.1L, 0.7L, 1.9L, 3.3L, 5.2L, 9.0L}) {
        EXPECT_NEAR(static_cast<double>(testing::RangeCdfOf(2)(w)), std::erf(static_cast<double>(w) / 2), 1e-14) << w;
        const Real t = w / std::numbers::sqrt2_v<Real>;
        EXPECT_NEAR(static_cast<double>(ReferenceRangeUpper(w, 2, 2)), static_cast<double>(1 - t / std::sqrt(2 + t * t)),
                    1e-12)
            << w;
        EXPECT_NEAR(static_cast<double>(ReferenceRangeUpper(w, 2, 1)),
                    static_cast<double>(1 - 2 * std::atan(t) / std::numbers::pi_v<Real>), 1e-11)
            << w;
    }
}

TEST(RangeUpperTailByIntegration, AgreesWithTheReferenceTo1e8)
{
    for (const int k : {2, 3, 6, 13, 20})
        for (const double df : {1.0, 2.0, 5.0, 30.0, 1000.0, 1e6})
            for (const double q : {0.3, 1.5, 3.0, 5.0, 9.0, 40.0})
                EXPECT_NEAR(RangeUpperTailByIntegration(q, k, df), static_cast<double>(ReferenceRangeUpper(q, k, df)), 1e-8)
                    << "k = " << k << ", df = " << df << ", q = " << q;
    EXPECT_EQ(RangeUpperTailByIntegration(0.0, 5, 3.0), 1.0);
    EXPECT_EQ(RangeUpperTailByIntegration(-1.0, 5, 3.0), 1.0);
    EXPECT_EQ(RangeUpperTailByIntegration(1e6, 5, 3.0), 0.0);
    EXPECT_TRUE(std::isnan(RangeUpperTailByIntegration(std::numeric_limits<double>::quiet_NaN(), 5, 3.0)));
}

// On and between the table columns (where interpolation is weakest) and beyond the
// last one (where it extrapolates), at degrees of freedom on both sides of every
// switch between the expansion and the integration.
TEST(RangeProb, WithinFiveTenThousandthsForEveryKAndDf)
{
    for (uint32_t k = 3; k <= 20; ++k)
        for (const uint32_t df : {1u, 3u, 10u, 50u, 150u, 400u, 700u, 1000000u})
            for (int i = 0; i <= 25; ++i) {
                const double q = 0.125 + 0.375 * i;
                EXPECT_NEAR(RangeProb(q, k, df), static_cast<double>(ReferenceRangeUpper(q, static_cast<int>(k), df)), 5e-4)
                    << "k = " << k << ", df = " << df << ", q = " << q;
            }
}

// The levels at which post-hoc procedures ask for range quantiles: α = 0.05, 0.01 and
// 0.001, and for α = 0.05 and 0.01 the extremes of Duncan's 1 − (1 − α)^(p−1) and of
// the Ryan-Einot-Gabriel-Welsch 1 − (1 − α)^(p/k) over up to 20 means. Many of these
// quantiles lie above 8 (q(0.01; 20, 2) ≈ 37.9), where the bracket has to grow.
TEST(RangeQuantile, PostHocCriticalValuesAreExactTo1e3)
{
    for (uint32_t k = 2; k <= 20; ++k)
        for (const uint32_t df : {2u, 4u, 10u, 40u, 200u, 1000u})
            for (const double p : {1 - std::pow(0.95, 19), 0.05, 0.01, 1 - std::pow(0.95, 3.0 / 20), 0.001,
                                   1 - std::pow(0.99, 3.0 / 20)}) {
                const Real exact = testing::ReferenceQuantile(
                    [k, df](Real q) { return ReferenceRangeUpper(q, static_cast<int>(k), df); }, p, 8);
                EXPECT_NEAR(RangeQuantile(p, k, df) / static_cast<double>(exact), 1.0, 1e-3)
                    << "k = " << k << ", df = " << df << ", p = " << p << ", exact " << static_cast<double>(exact);
            }
}

}  // namespace
}  // namespace sheetstat
