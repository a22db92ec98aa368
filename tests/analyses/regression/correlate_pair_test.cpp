// Pearson's r of a pair of columns with pairwise deletion, and its t-test probability.
#include "analyses/regression/correlate_pair.hpp"

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "analyses/regression/correlation_matrix_call.hpp"
#include "frame/export_frame.hpp"
#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

using testing::kMissing;

PairCorrelation Correlate(const std::vector<double>& x, const std::vector<double>& y)
{
    return CorrelatePair(x.size(), x.data(), y.data());
}

// Correlated data on a large common offset, with empty cells in either column.
TEST(CorrelatePair, MatchesLongDoubleReferenceWithPairwiseDeletion)
{
    std::mt19937_64 random(17);
    std::normal_distribution<double> normal;
    for (std::size_t n : {3u, 10u, 1000u}) {
        for (double offset : {0.0, 1e9}) {
            std::vector<double> x(n), y(n);
            std::size_t complete = 0;
            for (std::size_t k = 0; k < n; ++k) {
                x[k] = offset + normal(random);
                y[k] = 0.6 * (x[k] - offset) + normal(random) - offset / 3;
                if (n > 3 && k % 7 == 3) x[k] = kMissing;
                if (n > 3 && k % 11 == 5) y[k] = kMissing;
                complete += !IsMissing(x[k]) && !IsMissing(y[k]);
            }
            const PairCorrelation pair = Correlate(x, y);
            EXPECT_EQ(pair.count, complete);
            long double count = 0;
            const long double r = testing::ReferenceCorrelation(x, y, {&x, &y}, count);
            EXPECT_NEAR(pair.r, static_cast<double>(r), 1e-14) << n << " " << offset;
        }
    }
}

// Zero spread is exactly zero: a constant column gives r = 0 and probability 1
// (one-tailed 0.5); no shared row gives count 0 and r = 0; one row r = 0.
TEST(CorrelatePair, ConstantColumnsAndTooFewRows)
{
    PairCorrelation pair = Correlate({0.1, 0.1, 0.1}, {1, 2, 4});
    EXPECT_EQ(pair.r, 0);
    EXPECT_EQ(pair.count, 3u);
    EXPECT_EQ(CorrelationProbability(pair.r, 1), 1);

    pair = Correlate({1, kMissing, 3}, {kMissing, 2, kMissing});
    EXPECT_EQ(pair.count, 0u);
    EXPECT_EQ(pair.r, 0);
    pair = Correlate({5}, {7});
    EXPECT_EQ(pair.count, 1u);
    EXPECT_EQ(pair.r, 0);

    // Two points always lie on a line: no probability can be claimed from them.
    pair = Correlate({1, 2, kMissing}, {4, 3, 9});
    EXPECT_EQ(pair.count, 2u);
    EXPECT_NEAR(pair.r, -1, 1e-15);
    EXPECT_MISSING(CorrelationProbability(pair.r, 0));
    EXPECT_MISSING(CorrelationProbability(0.3, 0.5));
}

// Exactly linear and anti-linear data: |r| never exceeds 1 by rounding, and the
// probability of a perfect correlation from 3 or more rows is 0, never NaN.
TEST(CorrelatePair, PerfectCorrelationStaysWithinOne)
{
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> uniform(-3, 3);
    for (int trial = 0; trial < 2000; ++trial) {
        const std::size_t n = 3 + static_cast<std::size_t>(trial % 17);
        const double slope = uniform(random), intercept = uniform(random);
        std::vector<double> x(n), y(n);
        for (std::size_t k = 0; k < n; ++k) {
            x[k] = 0.1 * uniform(random);
            y[k] = intercept + slope * x[k];
        }
        const PairCorrelation pair = Correlate(x, y);
        ASSERT_LE(std::fabs(pair.r), 1.0);
        ASSERT_GE(std::fabs(pair.r), 1 - 1e-14);
        // A column with itself and with its negative: exactly ±1.
        ASSERT_EQ(Correlate(x, x).r, 1);
        for (std::size_t k = 0; k < n; ++k) y[k] = -x[k];
        ASSERT_EQ(Correlate(x, y).r, -1);
        const double p = CorrelationProbability(pair.r, static_cast<double>(n - 2));
        ASSERT_TRUE(p >= 0 && p <= 1e-6) << p;
    }
    EXPECT_EQ(CorrelationProbability(-1, 5), 0);
    EXPECT_EQ(CorrelationProbability(1, 1), 0);
}

// Scaling either column by a power of two changes no bit of r, down to subnormal
// and up to near-overflow magnitudes, where the squares of the deviations would not
// be representable; nor does the call raise a floating-point fault.
TEST(CorrelatePair, ExtremeMagnitudesGiveTheSameR)
{
    const std::vector<double> x = {1.5, -2.25, 3, 0.5, 7, -1};
    const std::vector<double> y = {0.3, 0.1, 0.9, -0.4, 1.7, 0.2};
    const double r = Correlate(x, y).r;
    for (int exponent : {-1070, -700, 700, 1020}) {
        std::vector<double> xs = x, ys = y;
        for (double& v : xs) v = std::ldexp(v, exponent);
        for (double& v : ys) v = std::ldexp(v, -exponent / 2);
        double scaled = 0;
        EXPECT_EQ(RunExport([&] { scaled = Correlate(xs, ys).r; }), testing::kOk) << exponent;
        if (exponent > -1070) {
            EXPECT_EQ(scaled, r) << exponent;
        } else {
            EXPECT_NEAR(scaled, r, 1e-15) << "subnormal values are rounded to fewer bits";
        }
    }
}

// The probability is the two-tailed Student t probability of t = r·sqrt(df/(1 − r²)),
// against quadrature of the t density.
TEST(CorrelationProbability, MatchesTheStudentTail)
{
    for (double r : {-0.9, -0.3, 0.05, 0.5, 0.99}) {
        for (double df : {1.0, 4.0, 27.0}) {
            const double t = r * std::sqrt(df / (1 - r * r));
            testing::ExpectRelativelyNear(CorrelationProbability(r, df), testing::ReferenceTTwoTailed(t, df),
                                          testing::kIterationTolerance);
        }
    }
}

}  // namespace
}  // namespace sheetstat
