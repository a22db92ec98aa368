// nkSimpleReg: the worked example, NIST Norris, each model on data of its own form,
// the bands against the exact t quantiles of 1 and 2 degrees of freedom, missing
// cells and prediction requests, and the cases where a model has no value.
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "analyses/regression/regression_reference.hpp"
#include "data/norris.hpp"
#include "sheetstat/host_array.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

using testing::kMissing;
using testing::LogRelativeError;
constexpr double kPredict = kPredictMarker;

struct SimpleCall {
    RealHostArray data, predictions, residuals, curve, models;
    int32_t status = -1;

    double n(std::size_t k) { return models(1, k); }
    double a(std::size_t k) { return models(2, k); }
    double b(std::size_t k) { return models(3, k); }
    double rSquared(std::size_t k) { return models(5, k); }
    bool best(std::size_t k) { return models(7, k) == 1; }
};

SimpleCall Fit(const std::vector<double>& x, const std::vector<double>& y, std::vector<double> requests = {},
               bool predictions = true, std::size_t curveRows = 5)
{
    if (requests.empty()) requests.assign(7, 1);
    SimpleCall c{RealHostArray::FromColumns({x, y}), RealHostArray(x.size() + 1, 2, 1), RealHostArray(x.size(), 1, 1),
                 RealHostArray(curveRows, 4, 1), RealHostArray(7, 7, 1)};
    for (std::size_t k = 1; k <= 7; ++k) c.models(6, k) = requests[k - 1];
    RealHostArray options = RealHostArray::FromValues({1, predictions ? 1.0 : 0.0});
    c.status = nkSimpleReg(options.ref(), c.data.ref(), c.predictions.ref(), c.residuals.ref(), c.curve.ref(),
                           c.models.ref());
    return c;
}

// (1, 5), (2, 8), (3, 11) with the straight line alone: A = 2, B = 3, R² = 1, and
// both bands on the line (s = 0).
TEST(SimpleReg, ExactLineWithCoincidentBands)
{
    SimpleCall c = Fit({1, 2, 3}, {5, 8, 11}, {1, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.n(1), 3);
    EXPECT_NEAR(c.a(1), 2, 1e-14);
    EXPECT_NEAR(c.b(1), 3, 1e-14);
    EXPECT_EQ(c.rSquared(1), 1);
    EXPECT_TRUE(c.best(1));
    for (std::size_t k = 2; k <= 7; ++k) {
        EXPECT_MISSING(c.a(k));
        EXPECT_EQ(c.models(7, k), 0);
    }
    for (std::size_t i = 1; i <= 2; ++i) {
        const double line = 2 + 3 * c.curve(i, 1);
        EXPECT_NEAR(c.curve(i, 2), line, 1e-13);
        for (std::size_t col = 3; col <= 4; ++col) {
            EXPECT_NEAR(c.curve(i, col), line, 1e-13);
            EXPECT_NEAR(c.curve(i + 3, col), line, 1e-13);
        }
    }
    EXPECT_EQ(c.curve(1, 1), 1);
    EXPECT_EQ(c.curve(2, 1), 3);
    EXPECT_EQ(c.curve(4, 1), 1);
}

// NIST Norris: the certified coefficients, R² and residual standard deviation (from
// the residuals written) to 9 digits or more. (The model table has no standard errors.)
TEST(SimpleReg, NistNorris)
{
    namespace nist = testing::norris;
    SimpleCall c = Fit(std::vector<double>(nist::kX.begin(), nist::kX.end()),
                       std::vector<double>(nist::kY.begin(), nist::kY.end()), {1, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(c.status, 0);
    EXPECT_GE(LogRelativeError(c.a(1), nist::kIntercept), 9);
    EXPECT_GE(LogRelativeError(c.b(1), nist::kSlope), 9);
    EXPECT_GE(LogRelativeError(c.rSquared(1), nist::kRSquared), 9);
    double sse = 0;
    for (std::size_t r = 1; r <= nist::kCases; ++r) sse += c.residuals(r, 1) * c.residuals(r, 1);
    EXPECT_GE(LogRelativeError(std::sqrt(sse / (nist::kCases - 2)), nist::kResidualStandardDeviation), 9);
}

// Data exactly of each model's form: that model recovers A and B with R² = 1.
TEST(SimpleReg, EachModelRecoversItsOwnForm)
{
    const double a = 1.5, b = 0.4;
    const std::vector<double> x = {0.5, 1, 2, 3, 5, 8};
    for (std::size_t k = 1; k <= 7; ++k) {
        SCOPED_TRACE(::testing::Message() << "model " << k);
        std::vector<double> y;
        for (double v : x) {
            const double forms[7] = {a + b * v,           a * std::pow(v, b), a * std::exp(b * v), a + b * std::log(v),
                                     a + b / v,           1 / (a + b * v),    v / (a + b * v)};
            y.push_back(forms[k - 1]);
        }
        std::vector<double> requests(7, 0);
        requests[k - 1] = 1;
        SimpleCall c = Fit(x, y, requests);
        ASSERT_EQ(c.status, 0);
        EXPECT_NEAR(c.a(k), a, 1e-12);
        EXPECT_NEAR(c.b(k), b, 1e-12);
        EXPECT_NEAR(c.rSquared(k), 1, 1e-14);
        EXPECT_NEAR(c.curve(1, 2), y[0], 1e-12 * std::fabs(y[0]));  // the curve starts at min x = 0.5
        EXPECT_NEAR(c.residuals(3, 1), 0, 1e-12);
    }
}

// Bands with n − 2 = 1 and 2 degrees of freedom against the exact two-tailed 5 %
// points: tan(0.475π) = 12.706 on 1 df, 0.95·sqrt(2/(1 − 0.95²)) = 4.303 on 2.
TEST(SimpleReg, BandsUseTheExactTQuantile)
{
    const std::vector<std::vector<double>> xs = {{1, 2, 4}, {1, 2, 4, 5}}, ys = {{1, 3, 4}, {1, 3, 4, 4.5}};
    const double exact[2] = {std::tan(0.475 * std::numbers::pi), 0.95 * std::sqrt(2 / (1 - 0.95 * 0.95))};
    for (std::size_t set = 0; set < 2; ++set) {
        SimpleCall c = Fit(xs[set], ys[set], {1, 0, 0, 0, 0, 0, 0});
        ASSERT_EQ(c.status, 0);
        const std::vector<double>& x = xs[set];
        const double n = static_cast<double>(x.size());
        double mean = 0, sxx = 0, sse = 0;
        for (double v : x) mean += v / n;
        for (double v : x) sxx += (v - mean) * (v - mean);
        for (std::size_t r = 1; r <= x.size(); ++r) sse += c.residuals(r, 1) * c.residuals(r, 1);
        const double s = std::sqrt(sse / (n - 2));
        for (std::size_t i = 1; i <= 2; ++i) {
            const double d = c.curve(i, 1) - mean;
            const double half = exact[set] * s * std::sqrt(1 / n + d * d / sxx);
            const double prediction = exact[set] * s * std::sqrt(1 + 1 / n + d * d / sxx);
            // The quantile is bisected to within 1e−4 from above.
            EXPECT_NEAR(c.curve(i, 4) - c.curve(i, 2), half, 1e-4 * half / exact[set] + 1e-12);
            EXPECT_NEAR(c.curve(i, 2) - c.curve(i + 3, 4), half, 1e-4 * half / exact[set] + 1e-12);
            EXPECT_NEAR(c.curve(i, 3) - c.curve(i, 2), prediction, 1e-4 * prediction / exact[set] + 1e-12);
        }
    }
    // Two points: a line, no bands.
    SimpleCall two = Fit({1, 3}, {2, 5}, {1, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(two.status, 0);
    EXPECT_NEAR(two.b(1), 1.5, 1e-15);
    EXPECT_MISSING(two.curve(1, 3));
    EXPECT_MISSING(two.curve(5, 4));
}

// Empty cells and prediction requests, with predictions on and off: the usable rows,
// the predictions list, the residuals and the compaction.
TEST(SimpleReg, MissingCellsAndPredictionRows)
{
    const std::vector<double> x = {1, kMissing, 2, 3, 7, kMissing, 4};
    const std::vector<double> y = {3, 4, kMissing, 7, kPredict, kPredict, 9};
    for (bool predictions : {true, false}) {
        SCOPED_TRACE(predictions ? "predictions on" : "predictions off");
        SimpleCall c = Fit(x, y, {1, 0, 0, 0, 0, 0, 0}, predictions);
        ASSERT_EQ(c.status, 0);
        EXPECT_EQ(c.n(1), 3);  // rows 1, 4, 7: y = 1 + 2x
        EXPECT_NEAR(c.b(1), 2, 1e-14);
        for (std::size_t r : {2u, 3u, 5u, 6u}) EXPECT_MISSING(c.residuals(r, 1));
        EXPECT_NEAR(c.residuals(4, 1), 0, 1e-14);
        const double compact[3][2] = {{1, 3}, {3, 7}, {4, 9}};
        for (std::size_t i = 1; i <= 3; ++i) {
            EXPECT_EQ(c.data(i, 1), compact[i - 1][0]);
            EXPECT_EQ(c.data(i, 2), compact[i - 1][1]);
        }
        if (predictions) {
            EXPECT_EQ(c.predictions(1, 1), 5);
            EXPECT_NEAR(c.predictions(1, 2), 15, 1e-13);
            EXPECT_EQ(c.predictions(2, 1), 6);
            EXPECT_MISSING(c.predictions(2, 2));
            EXPECT_EQ(c.predictions(3, 1), -1);
            EXPECT_MISSING(c.data(5, 2));
        } else {
            EXPECT_EQ(c.predictions(1, 1), 0);
            EXPECT_TRUE(IsPredictMarker(c.data(5, 2)));
        }
    }
}

// Where a model has no value: the power model at x ≤ 0 predicts nothing; an
// exponential model whose A = e^a overflows reports A as MissingValue yet predicts
// within range; a constant Y gives R² = 1 to every model fitted, the first best.
TEST(SimpleReg, ModelsWithoutAValue)
{
    SimpleCall power = Fit({1, 2, 4, 8, -1}, {3, 6, 12, 24, kPredict}, {0, 1, 0, 0, 0, 0, 0});
    ASSERT_EQ(power.status, 0);
    EXPECT_NEAR(power.a(2), 3, 1e-14);
    EXPECT_EQ(power.predictions(1, 1), 5);
    EXPECT_MISSING(power.predictions(1, 2));

    // ln y = 1000 + 0.5·x: A = e^1000 is beyond the doubles, the predictions are not.
    SimpleCall growth = Fit({-2000, -1998, -1996, -1997}, {1, std::exp(1.0), std::exp(2.0), kPredict},
                            {0, 0, 1, 0, 0, 0, 0});
    ASSERT_EQ(growth.status, 0);
    EXPECT_MISSING(growth.a(3));
    EXPECT_NEAR(growth.b(3), 0.5, 1e-12);
    EXPECT_NEAR(growth.predictions(1, 2), std::exp(1.5), 1e-9);

    SimpleCall flat = Fit({1, 2, 3}, {4, 4, 4});
    ASSERT_EQ(flat.status, 0);
    for (std::size_t k = 1; k <= 7; ++k) EXPECT_EQ(flat.rSquared(k), 1) << k;
    EXPECT_TRUE(flat.best(1));
    EXPECT_EQ(flat.models(7, 2), 0);
}

}  // namespace
}  // namespace sheetstat
