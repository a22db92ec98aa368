// nkPolyReg: the worked example and the scale of x, NIST Wampler1 and Wampler2,
// calendar years against orthogonal polynomials, weighted fits and the fit without a
// constant against Eigen, missing cells and prediction requests, collinear powers.
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "analyses/regression/regression_reference.hpp"
#include "data/wampler.hpp"
#include "numeric/reference_integrals.hpp"
#include "sheetstat/host_array.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

using testing::kMissing;
using testing::LogRelativeError;
using testing::MatrixXl;
using testing::VectorXl;
constexpr double kPredict = kPredictMarker;

struct PolyCall {
    RealHostArray data, weights, predictions, residuals, curve, results, coefficients;
    int32_t status = -1;

    double coefficient(std::size_t j) { return coefficients(1, j + 1); }
    double se(std::size_t j) { return coefficients(2, j + 1); }
    double t(std::size_t j) { return coefficients(3, j + 1); }
    double p(std::size_t j) { return coefficients(4, j + 1); }
};

PolyCall Fit(const std::vector<double>& x, const std::vector<double>& y, std::size_t degree,
             std::vector<double> w = {}, bool constant = true, bool predictions = true)
{
    if (w.empty()) w.assign(x.size(), 1);
    PolyCall c{RealHostArray::FromColumns({x, y}), RealHostArray::FromValues(w), RealHostArray(x.size() + 1, 2, 1),
               RealHostArray(x.size(), 1, 1), RealHostArray(5, 6, 1), RealHostArray(6), RealHostArray(4, degree + 1, 1)};
    RealHostArray options = RealHostArray::FromValues({1, predictions ? 1.0 : 0.0, constant ? 0.0 : 1.0});
    c.status = nkPolyReg(options.ref(), c.data.ref(), c.weights.ref(), c.predictions.ref(), c.residuals.ref(),
                         c.curve.ref(), c.results.ref(), c.coefficients.ref());
    return c;
}

// The design [1, x, ..., x^degree] (without the 1 when !constant) in long double.
MatrixXl Powers(const std::vector<double>& x, std::size_t degree, bool constant = true)
{
    const int first = constant ? 0 : 1;
    MatrixXl a(static_cast<Eigen::Index>(x.size()), static_cast<Eigen::Index>(degree) + 1 - first);
    for (std::size_t i = 0; i < x.size(); ++i) {
        for (Eigen::Index j = 0; j < a.cols(); ++j) {
            a(static_cast<Eigen::Index>(i), j) = std::pow(static_cast<long double>(x[i]), static_cast<int>(j) + first);
        }
    }
    return a;
}

VectorXl Long(const std::vector<double>& v)
{
    VectorXl l(static_cast<Eigen::Index>(v.size()));
    for (std::size_t i = 0; i < v.size(); ++i) l(static_cast<Eigen::Index>(i)) = v[i];
    return l;
}

TEST(PolyReg, ExactQuadraticAndTheScaleOfX)
{
    const std::vector<double> x = {1, 2, 3, 4, 5};
    std::vector<double> y, x10;
    for (double v : x) {
        y.push_back(1 + 2 * v + 3 * v * v);
        x10.push_back(10 * v);
    }
    PolyCall c = Fit(x, y, 2);
    ASSERT_EQ(c.status, 0);
    for (std::size_t j = 0; j <= 2; ++j) EXPECT_NEAR(c.coefficient(j), 1.0 + static_cast<double>(j), 1e-12);
    EXPECT_NEAR(c.results[3], 1, 1e-15);
    EXPECT_EQ(c.results[1], 5);
    // An exact fit: the standard errors vanish, p = 0.
    EXPECT_NEAR(c.se(2), 0, 1e-12);

    PolyCall scaled = Fit(x10, y, 2);
    ASSERT_EQ(scaled.status, 0);
    EXPECT_NEAR(scaled.coefficient(1), 0.2, 1e-13);
    EXPECT_NEAR(scaled.coefficient(2), 0.03, 1e-14);
    // The curve runs from min x to max x in equal steps.
    for (std::size_t i = 1; i <= 5; ++i) {
        EXPECT_DOUBLE_EQ(scaled.curve(i, 1), 10 + 10 * static_cast<double>(i - 1));
        const double xi = scaled.curve(i, 1) / 10;
        EXPECT_NEAR(scaled.curve(i, 2), 1 + 2 * xi + 3 * xi * xi, 1e-11);
    }
}

// NIST certified values: coefficients and R² to 9 digits or more; the standard
// errors certified as 0 (exact data), within 1e-9 of it relative to the coefficient.
TEST(PolyReg, NistWampler1And2)
{
    namespace w = testing::wampler;
    const std::vector<double> x(w::kX.begin(), w::kX.end());
    for (int set = 1; set <= 2; ++set) {
        SCOPED_TRACE(set == 1 ? "Wampler1" : "Wampler2");
        const auto& yy = set == 1 ? w::kWampler1Y : w::kWampler2Y;
        const auto& certified = set == 1 ? w::kWampler1Coefficients : w::kWampler2Coefficients;
        PolyCall c = Fit(x, std::vector<double>(yy.begin(), yy.end()), w::kDegree);
        ASSERT_EQ(c.status, 0);
        for (std::size_t j = 0; j <= w::kDegree; ++j) {
            EXPECT_GE(LogRelativeError(c.coefficient(j), certified[j]), 9) << "b" << j << " = " << c.coefficient(j);
            EXPECT_GE(LogRelativeError(c.se(j) / certified[j], 0), 9) << "se" << j << " = " << c.se(j);
        }
        EXPECT_GE(LogRelativeError(c.results[3], 1), 9);
    }
}

// Degree 5 on the calendar years 1990..2020: the least-squares fit, against a fit in
// orthogonal polynomials (Forsythe's three-term recurrence) in long double; the
// coefficients of the powers of x against those of the normal equations in the
// shifted variable x − 2005, also in long double, expanded binomially.
TEST(PolyReg, CalendarYearsAgainstOrthogonalPolynomials)
{
    std::mt19937_64 random(1990);
    std::normal_distribution<double> noise(0, 4);
    std::vector<double> x, y;
    for (int year = 1990; year <= 2020; ++year) {
        const double t = (year - 2005) / 15.0;
        x.push_back(year);
        y.push_back(100 + 20 * t - 15 * t * t + 8 * t * t * t + 3 * t * t * t * t - 5 * std::pow(t, 5) + noise(random));
    }
    const std::size_t n = x.size(), degree = 5;

    // Orthogonal polynomials P_0..P_5 over the data: SSE = Σy² − Σ (y·P_j)²/(P_j·P_j).
    std::vector<long double> previous(n, 0), current(n, 1), fitted(n, 0);
    long double previousNorm = 1;
    for (std::size_t j = 0; j <= degree; ++j) {
        long double norm = 0, projection = 0, alpha = 0;
        for (std::size_t i = 0; i < n; ++i) {
            norm += current[i] * current[i];
            projection += y[i] * current[i];
            alpha += x[i] * current[i] * current[i];
        }
        for (std::size_t i = 0; i < n; ++i) fitted[i] += projection / norm * current[i];
        alpha /= norm;
        const long double beta = j == 0 ? 0 : norm / previousNorm;
        std::vector<long double> next(n);
        for (std::size_t i = 0; i < n; ++i) next[i] = (x[i] - alpha) * current[i] - beta * previous[i];
        previous = current;
        current = next;
        previousNorm = norm;
    }
    long double sse = 0;
    for (std::size_t i = 0; i < n; ++i) sse += (y[i] - fitted[i]) * (y[i] - fitted[i]);

    PolyCall c = Fit(x, y, degree);
    ASSERT_EQ(c.status, 0);
    const double s = c.results[4];
    EXPECT_NEAR(s * s * static_cast<double>(n - degree - 1), static_cast<double>(sse), 1e-10 * static_cast<double>(sse));
    for (std::size_t i = 1; i <= n; ++i) {
        EXPECT_NEAR(c.residuals(i, 1), static_cast<double>(y[i - 1] - fitted[i - 1]), 1e-9);
    }

    // Powers of (x − 2005) in long double, then (x − 2005)^k expanded.
    std::vector<double> shifted;
    for (double v : x) shifted.push_back(v - 2005);
    const MatrixXl a = Powers(shifted, degree);
    const VectorXl d = (a.transpose() * a).ldlt().solve(a.transpose() * Long(y));
    for (std::size_t j = 0; j <= degree; ++j) {
        long double expected = 0;
        for (std::size_t k = j; k <= degree; ++k) {
            long double binomial = 1;
            for (std::size_t i = 1; i <= j; ++i) binomial = binomial * static_cast<long double>(k - j + i) / i;
            expected += d(static_cast<Eigen::Index>(k)) * binomial * std::pow(-2005.0L, static_cast<int>(k - j));
        }
        EXPECT_GE(LogRelativeError(c.coefficient(j), static_cast<double>(expected)), 6) << "x^" << j;
    }
}

// Weights: coefficients, standard errors and R² (about the weighted mean) against a
// direct weighted solve; a weight ≤ 0 counts as 1; the weights come back compacted
// as the standard deviations used.
TEST(PolyReg, WeightedFitMatchesDirectSolve)
{
    std::mt19937_64 random(8);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> weight(0.2, 5);
    std::vector<double> x, y, w;
    for (int i = 0; i < 40; ++i) {
        x.push_back(3 + 0.25 * i);
        y.push_back(2 - x.back() + 0.3 * x.back() * x.back() + normal(random));
        w.push_back(i == 7 ? -1.0 : i == 9 ? 0.0 : weight(random));
    }
    for (bool constant : {true, false}) {
        SCOPED_TRACE(constant ? "constant" : "no constant");
        PolyCall c = Fit(x, y, 3, w, constant);
        ASSERT_EQ(c.status, 0);
        VectorXl fitted = Long(w);
        fitted(7) = fitted(9) = 1;
        const testing::WeightedFit ref = testing::ReferenceWeightedFit(Powers(x, 3, constant), Long(y), fitted);
        const std::size_t first = constant ? 0 : 1;
        for (std::size_t j = first; j <= 3; ++j) {
            const auto r = static_cast<Eigen::Index>(j - first);
            EXPECT_GE(LogRelativeError(c.coefficient(j), static_cast<double>(ref.coef(r))), 10) << j;
            EXPECT_GE(LogRelativeError(c.se(j), ref.se(r)), 9) << j;
        }
        if (constant) {
            EXPECT_GE(LogRelativeError(c.results[3], ref.rSquared()), 12);
        } else {
            EXPECT_EQ(c.coefficient(0), 0);
            EXPECT_MISSING(c.se(0));
        }
        EXPECT_DOUBLE_EQ(c.weights[2], 1 / std::sqrt(w[1]));
        EXPECT_EQ(c.weights[8], 1);

        // The bands at each curve point: var ŷ = vᵀ·cov·v, a new observation of weight 1
        // adds s²; t is the exact two-tailed 5 % point (the library's is within 1e-4).
        const long double df = 40 - (constant ? 4 : 3), s2 = ref.sse / df;
        const double t = static_cast<double>(testing::ReferenceQuantile(
            [df](testing::Real q) { return testing::ReferenceTTwoTailed(q, df); }, 0.05L, 4.0L));
        for (std::size_t i = 1; i <= 5; ++i) {
            const MatrixXl v = Powers({c.curve(i, 1)}, 3, constant);
            const long double q = (v * ref.cov * v.transpose())(0, 0);
            const double yHat = c.curve(i, 2);
            const double predictionHalf = c.curve(i, 3) - yHat, confidenceHalf = c.curve(i, 5) - yHat;
            EXPECT_NEAR(confidenceHalf, t * std::sqrt(static_cast<double>(q)), 2e-4 * confidenceHalf) << i;
            EXPECT_NEAR(predictionHalf / confidenceHalf, static_cast<double>(std::sqrt((s2 + q) / q)), 1e-9) << i;
            EXPECT_DOUBLE_EQ(yHat - c.curve(i, 4), predictionHalf);
            EXPECT_DOUBLE_EQ(yHat - c.curve(i, 6), confidenceHalf);
        }
    }
}

// Empty cells and prediction requests: the rows used, the predictions list, the
// residuals and the compaction, with predictions on and off.
TEST(PolyReg, MissingCellsAndPredictionRows)
{
    const std::vector<double> x = {1, 2, kMissing, 3, 4, 2.5, 5, kMissing};
    const std::vector<double> y = {3, 9, 5, 19, kPredict, kPredict, 51, kPredict};
    // y = 1 + 2x²  on the usable rows 1, 2, 4, 7
    for (bool predictions : {true, false}) {
        SCOPED_TRACE(predictions ? "predictions on" : "predictions off");
        PolyCall c = Fit(x, y, 2, {}, true, predictions);
        ASSERT_EQ(c.status, 0);
        EXPECT_EQ(c.results[1], 4);
        EXPECT_NEAR(c.coefficient(2), 2, 1e-12);
        for (std::size_t r : {3u, 5u, 6u, 8u}) EXPECT_MISSING(c.residuals(r, 1));
        EXPECT_NEAR(c.residuals(7, 1), 0, 1e-12);
        const std::vector<double> compactX = {1, 2, 3, 5}, compactY = {3, 9, 19, 51};
        for (std::size_t i = 1; i <= 4; ++i) {
            EXPECT_EQ(c.data(i, 1), compactX[i - 1]);
            EXPECT_EQ(c.data(i, 2), compactY[i - 1]);
        }
        if (predictions) {
            EXPECT_EQ(c.predictions(1, 1), 5);
            EXPECT_NEAR(c.predictions(1, 2), 33, 1e-11);
            EXPECT_EQ(c.predictions(2, 1), 6);
            EXPECT_NEAR(c.predictions(2, 2), 13.5, 1e-11);
            EXPECT_EQ(c.predictions(3, 1), 8);
            EXPECT_MISSING(c.predictions(3, 2));
            EXPECT_EQ(c.predictions(4, 1), -1);
            EXPECT_MISSING(c.data(5, 2));  // row 5's request replaced; rows below keep theirs
        } else {
            EXPECT_EQ(c.predictions(1, 1), 0);  // untouched
            EXPECT_TRUE(IsPredictMarker(c.data(5, 2)));
        }
    }
}

// Three distinct x for a cubic with a constant: one direction is cut; the
// coefficients that depend on it get neither t nor p, the fit is still the
// least-squares fit.
TEST(PolyReg, CollinearPowersHaveNoProbability)
{
    const std::vector<double> x = {1, 1, 2, 2, 3, 3, 3}, y = {2, 2.2, 5, 4.8, 10.1, 9.9, 10};
    PolyCall c = Fit(x, y, 3);
    ASSERT_EQ(c.status, 0);
    for (std::size_t j = 0; j <= 3; ++j) {
        EXPECT_NOT_MISSING(c.coefficient(j));
        EXPECT_MISSING(c.p(j)) << j;
    }
    // Nor have the bands: the variance of the fitted value depends on the cut direction.
    for (std::size_t column = 3; column <= 6; ++column) EXPECT_MISSING(c.curve(3, column));
    // The quadratic through the three group means fits as well as any cubic.
    PolyCall quadratic = Fit(x, y, 2);
    EXPECT_NEAR(c.results[3], quadratic.results[3], 1e-12);
    EXPECT_NOT_MISSING(quadratic.p(2));
}

}  // namespace
}  // namespace sheetstat
