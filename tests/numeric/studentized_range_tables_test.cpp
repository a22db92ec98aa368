// The studentized-range tables: the generator (tools/studentized_range) against the
// published rows and closed forms, the committed tables against a fresh run of the
// generator, and RangeProb, which interpolates the tables, against the studentized
// range distribution computed by direct numerical integration.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include <gtest/gtest.h>

#include "numeric/distributions.hpp"
#include "numeric/studentized_range_tables.hpp"
#include "range_expansion.hpp"

namespace sheetstat {
namespace {

using tools::RangeExpansionAt;
using tools::RangeExpansionTerms;

std::size_t Entry(int k, int column)
{
    return static_cast<std::size_t>((k - kRangeTableFirstK) * kRangeTableColumns + column);
}

double Q(int column)
{
    return 0.25 * column;
}

// ---- Independent reference: the studentized range distribution by direct integration.

const double kInvSqrt2 = 1.0 / std::sqrt(2.0);
const double kInvSqrt2Pi = 1.0 / std::sqrt(2.0 * 3.14159265358979323846);

// Φ(z + w) − Φ(z), from the smaller tails.
double NormalInterval(double z, double w)
{
    if (z >= 0.0) return 0.5 * (std::erfc(z * kInvSqrt2) - std::erfc((z + w) * kInvSqrt2));
    return 0.5 * (std::erfc(-(z + w) * kInvSqrt2) - std::erfc(-z * kInvSqrt2));
}

// P(W ≤ w) for the range W of k standard normal variables, k ∫ φ(z) (Φ(z+w) − Φ(z))^(k−1) dz,
// by the trapezoidal rule on [−9, 9] with step 0.1 (exponentially convergent for this
// smooth, Gaussian-decaying integrand: halving the step changes no result by 1e−13).
double RangeCdfByIntegration(double w, int k)
{
    if (w <= 0.0) return 0.0;
    double sum = 0.0;
    for (int i = -90; i <= 90; ++i) {
        const double z = 0.1 * i;
        sum += std::exp(-0.5 * z * z) * std::pow(NormalInterval(z, w), k - 1);
    }
    return k * 0.1 * kInvSqrt2Pi * sum;
}

// E[g(s)] for s = √(χ²_ν/ν), density 2 (ν/2)^(ν/2) / Γ(ν/2) · s^(ν−1) exp(−ν s²/2): s = e^t
// and the trapezoidal rule in t (step σ/4, σ = 1/√(2ν) the spread of ln s), over the t
// where the integrand exceeds e^−40 of its peak.
template <typename Integrand>
double ExpectationOverChiScale(int df, Integrand g)
{
    const double nu = df;
    const double sigma = 1.0 / std::sqrt(2.0 * nu);
    const double h = sigma / 4.0;
    const double lower = -std::max(45.0 / nu, 15.0 * sigma);
    const double upper = std::min(0.5 * std::log(4.0 + 100.0 / nu), 15.0 * sigma);
    const double logNorm = std::log(2.0) + 0.5 * nu * std::log(0.5 * nu) - std::lgamma(0.5 * nu);
    double sum = 0.0;
    const int steps = static_cast<int>((upper - lower) / h);
    for (int i = 0; i <= steps; ++i) {
        const double t = lower + h * i;
        const double s = std::exp(t);
        sum += std::exp(logNorm + nu * t - 0.5 * nu * s * s) * g(s);  // f(s)·ds/dt = f(s)·s
    }
    return h * sum;
}

// P(W/s ≤ q), the studentized range of k means with df degrees of freedom.
double StudentizedRangeCdfByIntegration(double q, int k, int df)
{
    return ExpectationOverChiScale(df, [&](double s) { return RangeCdfByIntegration(q * s, k); });
}

TEST(StudentizedRangeReference, ReproducesClosedForms)
{
    for (int df : {2, 5, 20, 120, 1000})
        EXPECT_NEAR(ExpectationOverChiScale(df, [](double) { return 1.0; }), 1.0, 1e-12) << df;
    // Two means: W = √2·|Z|, so P(W ≤ w) = erf(w/2); with ν = 2, W/s = √2·|T| and
    // P(|T| ≤ t) = t / √(2 + t²).
    for (double w : {0.1, 0.7, 1.9, 3.3, 5.2}) {
        EXPECT_NEAR(RangeCdfByIntegration(w, 2), std::erf(w / 2.0), 1e-14) << w;
        const double t = w / std::sqrt(2.0);
        EXPECT_NEAR(StudentizedRangeCdfByIntegration(w, 2, 2), t / std::sqrt(2.0 + t * t), 1e-12) << w;
    }
}

// ---- The generator.

// For two means the studentized range is √2·|T|, and the expansion must reproduce
// Fisher's series for Student's t (Fisher 1925, Metron 5): with x = q/√2,
//     P(|T| ≤ x) = erf(x/√2) − φ(x)(x³ + x)/(2ν) − φ(x)(3x⁷ − 7x⁵ − 5x³ − 3x)/(48ν²) + O(ν⁻³).
TEST(StudentizedRangeGenerator, TwoMeansGiveFishersSeriesForStudentsT)
{
    for (double q : {0.3, 1.0, 2.0, 3.1, 4.4, 6.0}) {
        const double x = q / std::sqrt(2.0);
        const double density = kInvSqrt2Pi * std::exp(-0.5 * x * x);
        const RangeExpansionTerms terms = RangeExpansionAt(2, q);
        EXPECT_NEAR(static_cast<double>(terms.leading), std::erf(q / 2.0), 1e-14) << q;
        EXPECT_NEAR(static_cast<double>(terms.firstCorrection), -density * (x * x * x + x) / 2.0, 1e-14) << q;
        const double x2 = x * x;
        EXPECT_NEAR(static_cast<double>(terms.secondCorrection),
                    -density * x * (((3.0 * x2 - 7.0) * x2 - 5.0) * x2 - 3.0) / 48.0, 1e-13)
            << q;
    }
}

// The published rows k = 3, 4 and 20 against the expansion computed to full precision:
// within one unit (leading rows capped at 9999 as published), 1.5 units for the second
// correction of k = 3 and 4, except the slip at k = 4, q = 3.50 (−69 where the
// coefficient is −62.4) and the k = 20 second-correction row, published as zeros
// although the coefficient there reaches about ±16. Largest disagreements found: leading
// 0.45, 0.51, 0.56; first correction 0.58, 0.61, 0.70; second correction 1.20, 1.42.
TEST(StudentizedRangeGenerator, AgreesWithPublishedRows)
{
    for (int k : tools::kPublishedRowKs) {
        double largestSecond = 0.0;
        for (int column = 0; column < kRangeTableColumns; ++column) {
            SCOPED_TRACE(::testing::Message() << "k = " << k << ", q = " << Q(column));
            const std::size_t e = Entry(k, column);
            const RangeExpansionTerms terms = RangeExpansionAt(k, Q(column));
            const double leading = static_cast<double>(terms.leading) * 10000.0;
            const double first = static_cast<double>(terms.firstCorrection) * 100.0;
            const double second = static_cast<double>(terms.secondCorrection) * 10.0;
            largestSecond = std::max(largestSecond, std::fabs(second));
            EXPECT_LE(std::fabs(std::min(leading, 9999.0) - kRangeLeading[e]), 1.0);
            if (k == 4 && column == 14) {
                EXPECT_EQ(kRangeFirstCorrection[e], -69);
                EXPECT_NEAR(first, -62.4, 0.05);
            } else {
                EXPECT_LE(std::fabs(first - kRangeFirstCorrection[e]), 1.0);
            }
            if (k == 20) {
                EXPECT_EQ(kRangeSecondCorrection[e], 0);
            } else {
                EXPECT_LE(std::fabs(second - kRangeSecondCorrection[e]), 1.5);
            }
        }
        if (k == 20) { EXPECT_NEAR(largestSecond / 10.0, 16.0, 0.5); }
    }
}

// The committed source file is the generator's output: rows 5..19 equal a fresh
// computation, rows 3, 4 and 20 the published rows as they stand, and no leading
// entry exceeds the published cap of 9999.
TEST(StudentizedRangeGenerator, CommittedTablesEqualFreshRun)
{
    const tools::RangeTables fresh = tools::GenerateRangeTables();
    for (std::size_t e = 0; e < static_cast<std::size_t>(kRangeTableEntries); ++e) {
        SCOPED_TRACE(::testing::Message() << "k = " << 3 + e / 27 << ", column " << e % 27);
        EXPECT_EQ(kRangeLeading[e], fresh.leading[e]);
        EXPECT_LE(kRangeLeading[e], 9999);
        EXPECT_EQ(kRangeFirstCorrection[e], fresh.firstCorrection[e]);
        EXPECT_EQ(kRangeSecondCorrection[e], fresh.secondCorrection[e]);
    }
}

// ---- RangeProb against the distribution itself.
//
// RangeProb = 1 − (L0 + L1/ν + L2/ν²), each term a cubic through four table columns.
// The bound found for its error is 3e−4 + S_k/ν + Z_k/ν² + 5k/ν³:
//   3e−4   table rounding (half a unit of each table), the published rows' one-unit
//          deviations and cubic interpolation on the 0.25 grid, magnified by the
//          interpolation weights (up to 1.6 near q = 0); 1.1e−4 to 2.6e−4 seen at ν = 1000;
//   S_4 = 0.07   the slip of the published first correction of k = 4 at q = 3.50;
//   Z_20 = 16.5  the published second correction of k = 20, zero where the true
//          coefficient reaches 15.95;
//   5k/ν³  the remainder of the expansion in 1/ν ((error − 3e−4)·ν³ up to 3 for k = 3,
//          31 for k = 10, 64 for k = 15 over ν = 5..30).
// The errors seen reach 0.4 to 0.9 of the bound. At ν = 5 the expansion itself is poor
// (errors up to 0.26 for k = 15 and 20); at large ν the bound is 3e−4 to 1.5e−3.
double RangeProbBound(int k, int df)
{
    const double nu = df;
    const double slip = k == 4 ? 0.07 : 0.0;
    const double missingSecond = k == 20 ? 16.5 : 0.0;
    return 3e-4 + slip / nu + missingSecond / (nu * nu) + 5.0 * k / (nu * nu * nu);
}

TEST(RangeProb, MatchesDirectIntegrationWithinTableAccuracy)
{
    for (int k : {3, 4, 5, 10, 15, 20})
        for (int df : {5, 10, 20, 60, 120, 1000})
            // Between the table columns, where interpolation is weakest, over the whole grid.
            for (int i = 0; i < 44; ++i) {
                const double q = 0.075 + 0.15 * i;
                const double exact = 1.0 - StudentizedRangeCdfByIntegration(q, k, df);
                EXPECT_NEAR(RangeProb(q, static_cast<uint32_t>(k), static_cast<uint32_t>(df)), exact,
                            RangeProbBound(k, df))
                    << "k = " << k << ", df = " << df << ", q = " << q;
            }
}

}  // namespace
}  // namespace sheetstat
