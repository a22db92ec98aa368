// nkMultiReg: NIST Longley and its units, weighted fits and the fit through the
// origin against Eigen, the path of every selection method on data built so that
// the right path is known, collinear and zero columns, missing cells and prediction
// requests, a model without residual degrees of freedom.
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "analyses/regression/regression_reference.hpp"
#include "data/longley.hpp"
#include "sheetstat/host_array.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

using testing::kMissing;
using testing::LogRelativeError;
using testing::MatrixXl;
using testing::VectorXl;
constexpr double kPredict = kPredictMarker;
using Columns = std::vector<std::vector<double>>;

enum Method { kEnterAll = 3, kStepwise = 4, kForward = 5, kBackward = 6, kBestSubsets = 7 };

struct Options {
    Method method = kEnterAll;
    double enter = 0.05, remove = 0.1, maxVariables = 1;
    bool intercept = true, predictions = true;
};

struct MultiCall {
    RealHostArray data, y, weights, predictions, residuals, results, steps, coefficients;
    int32_t status = -1;

    // The step columns as (variable, entered) pairs.
    std::vector<std::pair<int, int>> Path()
    {
        std::vector<std::pair<int, int>> path;
        for (std::size_t s = 1; s <= static_cast<std::size_t>(results[7]); ++s) {
            path.emplace_back(static_cast<int>(steps(2, s)), static_cast<int>(steps(3, s)));
        }
        return path;
    }
    std::set<int> Selected()
    {
        std::set<int> selected;
        for (std::size_t c = 2; c <= static_cast<std::size_t>(results[8]) + 1; ++c) {
            selected.insert(static_cast<int>(coefficients(1, c)));
        }
        return selected;
    }
};

MultiCall Fit(const Columns& x, const std::vector<double>& y, const Options& o, std::vector<double> w = {})
{
    if (w.empty()) w.assign(y.size(), 1);
    const std::size_t n = y.size(), k = x.size();
    MultiCall c{RealHostArray::FromColumns(x), RealHostArray::FromValues(y), RealHostArray::FromValues(w),
                RealHostArray(n + 1, 2, 1), RealHostArray(n, 1, 1), RealHostArray(19), RealHostArray(6, 4 * k, 1),
                RealHostArray(5, k + 1, 1)};
    std::vector<double> options = {1, o.predictions ? 1.0 : 0.0, 0, 0, 0, 0, 0, o.enter, o.remove, o.maxVariables,
                                   o.intercept ? 0.0 : 1.0};
    options[static_cast<std::size_t>(o.method) - 1] = 1;
    RealHostArray opts = RealHostArray::FromValues(options);
    c.status = nkMultiReg(opts.ref(), c.data.ref(), c.y.ref(), c.weights.ref(), c.predictions.ref(),
                          c.residuals.ref(), c.results.ref(), c.steps.ref(), c.coefficients.ref());
    return c;
}

// R² of y on an intercept and the given (1-based) columns, by Eigen in long double.
double ReferenceRSquared(const Columns& x, const std::vector<double>& y, const std::vector<int>& subset)
{
    const auto n = static_cast<Eigen::Index>(y.size());
    MatrixXl a(n, static_cast<Eigen::Index>(subset.size()) + 1);
    VectorXl b(n);
    for (Eigen::Index i = 0; i < n; ++i) {
        a(i, 0) = 1;
        for (std::size_t j = 0; j < subset.size(); ++j) {
            a(i, static_cast<Eigen::Index>(j) + 1) = x[static_cast<std::size_t>(subset[j] - 1)][static_cast<std::size_t>(i)];
        }
        b(i) = y[static_cast<std::size_t>(i)];
    }
    return testing::ReferenceWeightedFit(a, b, VectorXl::Ones(n)).rSquared();
}

Columns LongleyColumns(double gnpFactor, std::vector<double>& y)
{
    namespace l = testing::longley;
    Columns x(l::kPredictors);
    y.clear();
    for (const l::Case& c : l::kData) {
        for (std::size_t j = 0; j < l::kPredictors; ++j) x[j].push_back(c.x[j] * (j == 1 ? gnpFactor : 1));
        y.push_back(c.y);
    }
    return x;
}

// NIST Longley with every variable entered: coefficients, standard errors, R² and
// the residual standard deviation to 11 digits or more; with GNP in a unit ten times
// smaller, the same R² and GNP's coefficient divided by 10.
TEST(MultiReg, NistLongleyAndTheUnitsOfAColumn)
{
    namespace l = testing::longley;
    for (double factor : {1.0, 10.0}) {
        SCOPED_TRACE(::testing::Message() << "GNP x " << factor);
        std::vector<double> y;
        MultiCall c = Fit(LongleyColumns(factor, y), y, {});
        ASSERT_EQ(c.status, 0);
        for (std::size_t j = 0; j <= l::kPredictors; ++j) {
            const double scale = j == 2 ? factor : 1;
            EXPECT_GE(LogRelativeError(c.coefficients(2, j + 1) * scale, l::kCoefficients[j]), 11) << "b" << j;
            EXPECT_GE(LogRelativeError(c.coefficients(3, j + 1) * scale, l::kStandardErrors[j]), 11) << "se" << j;
        }
        EXPECT_GE(LogRelativeError(c.results[3], l::kRSquared), 11);
        EXPECT_GE(LogRelativeError(c.results[4], l::kResidualStandardDeviation), 11);
        EXPECT_EQ(c.results[8], 6);
        EXPECT_EQ(c.results[7], 6);
        EXPECT_EQ(c.steps(2, 6), 6);
    }
}

// Weights (a weight ≤ 0 fitted as 1) with and without an intercept: coefficients,
// standard errors, R² about the weighted mean and the ANOVA slots against a direct
// weighted solve; the weights come back as the standard deviations used.
TEST(MultiReg, WeightedFitsMatchDirectSolve)
{
    std::mt19937_64 random(12);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> weight(0.1, 3);
    const std::size_t n = 30;
    Columns x(3);
    std::vector<double> y, w;
    for (std::size_t i = 0; i < n; ++i) {
        for (auto& column : x) column.push_back(100 + normal(random));
        y.push_back(1 + x[0][i] - 0.5 * x[1][i] + 0.2 * x[2][i] + normal(random));
        w.push_back(i == 3 ? 0.0 : weight(random));
    }
    for (bool intercept : {true, false}) {
        SCOPED_TRACE(intercept ? "intercept" : "through the origin");
        Options o;
        o.intercept = intercept;
        MultiCall c = Fit(x, y, o, w);
        ASSERT_EQ(c.status, 0);
        const auto first = intercept ? 0 : 1;
        MatrixXl a(static_cast<Eigen::Index>(n), 4 - first);
        VectorXl b(static_cast<Eigen::Index>(n)), fitted(static_cast<Eigen::Index>(n));
        for (std::size_t i = 0; i < n; ++i) {
            const auto r = static_cast<Eigen::Index>(i);
            if (intercept) a(r, 0) = 1;
            for (std::size_t j = 0; j < 3; ++j) a(r, static_cast<Eigen::Index>(j) + 1 - first) = x[j][i];
            b(r) = y[i];
            fitted(r) = w[i] > 0 ? w[i] : 1;
        }
        const testing::WeightedFit ref = testing::ReferenceWeightedFit(a, b, fitted);
        for (Eigen::Index j = 0; j < a.cols(); ++j) {
            const auto column = static_cast<std::size_t>(j + 1 + first);
            EXPECT_GE(LogRelativeError(c.coefficients(2, column), static_cast<double>(ref.coef(j))), 10) << j;
            EXPECT_GE(LogRelativeError(c.coefficients(3, column), ref.se(j)), 10) << j;
        }
        EXPECT_GE(LogRelativeError(c.results[14], static_cast<double>(ref.sse)), 11);
        EXPECT_GE(LogRelativeError(c.results[17], static_cast<double>(ref.sst)), 12);
        EXPECT_EQ(c.results[15], static_cast<double>(n) - 4);
        if (!intercept) {
            EXPECT_EQ(c.coefficients(1, 1), 0);
            EXPECT_MISSING(c.coefficients(3, 1));
        }
        EXPECT_DOUBLE_EQ(c.weights[1], 1 / std::sqrt(w[0]));
        EXPECT_EQ(c.weights[4], 1);
    }
}

// y = x2 + x3 + e (σ 0.05) with x1 = x2 + x3/2 + u (σ 0.3): x1 alone explains most
// (R² 0.9), {x1, x3} leaves the variance of u, {x1, x2} four times it, {x2, x3}
// only that of e; x4 is noise.
struct KnownPath {
    Columns x = Columns(4);
    std::vector<double> y;

    KnownPath()
    {
        std::mt19937_64 random(4);
        std::normal_distribution<double> normal;
        for (int i = 0; i < 50; ++i) {
            const double x2 = normal(random), x3 = normal(random);
            x[1].push_back(x2);
            x[2].push_back(x3);
            x[0].push_back(x2 + x3 / 2 + 0.3 * normal(random));
            x[3].push_back(normal(random));
            y.push_back(x2 + x3 + 0.05 * normal(random));
        }
    }
};

TEST(MultiReg, SelectionPaths)
{
    const KnownPath d;
    using Path = std::vector<std::pair<int, int>>;
    Options o;
    o.maxVariables = 4;

    // Stepwise: x1, then x3, then x2, whereupon x1 has nothing left to add and leaves.
    o.method = kStepwise;
    MultiCall c = Fit(d.x, d.y, o);
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.Path(), (Path{{1, 1}, {3, 1}, {2, 1}, {1, 0}}));
    EXPECT_EQ(c.Selected(), (std::set<int>{2, 3}));
    EXPECT_EQ(c.steps(1, 4), 4);
    EXPECT_GT(c.steps(4, 4), 0.1);
    EXPECT_NEAR(c.steps(5, 2), ReferenceRSquared(d.x, d.y, {1, 3}), 1e-12);

    // Forward: the same entries, nothing removed; x4 does not enter.
    o.method = kForward;
    c = Fit(d.x, d.y, o);
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.Path(), (Path{{1, 1}, {3, 1}, {2, 1}}));
    EXPECT_NEAR(c.results[3], ReferenceRSquared(d.x, d.y, {1, 2, 3}), 1e-12);

    // Backward: x1 and x4 leave (the larger p first), x2 and x3 stay.
    o.method = kBackward;
    c = Fit(d.x, d.y, o);
    ASSERT_EQ(c.status, 0);
    ASSERT_EQ(c.results[7], 2);
    EXPECT_EQ((std::set<int>{static_cast<int>(c.steps(2, 1)), static_cast<int>(c.steps(2, 2))}), (std::set<int>{1, 4}));
    EXPECT_EQ(c.steps(1, 1), 1);
    EXPECT_EQ(c.steps(3, 1), 0);
    EXPECT_GT(c.steps(4, 2), 0.1);
    EXPECT_EQ(c.Selected(), (std::set<int>{2, 3}));

    // Best subsets of 2: x1 enters first, x3 joins it, then the exchange of x1 for
    // x2 (one step number, the removal without R²) reaches the best pair, which a
    // brute-force search confirms.
    o.method = kBestSubsets;
    o.maxVariables = 2;
    c = Fit(d.x, d.y, o);
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.Path(), (Path{{1, 1}, {3, 1}, {1, 0}, {2, 1}}));
    EXPECT_EQ(c.steps(1, 3), 3);
    EXPECT_EQ(c.steps(1, 4), 3);
    EXPECT_MISSING(c.steps(5, 3));
    EXPECT_MISSING(c.steps(4, 4));
    double bestPair = 0;
    for (int i = 1; i <= 4; ++i) {
        for (int j = i + 1; j <= 4; ++j) bestPair = std::fmax(bestPair, ReferenceRSquared(d.x, d.y, {i, j}));
    }
    EXPECT_NEAR(c.results[3], bestPair, 1e-12);
    EXPECT_NEAR(c.steps(5, 4), bestPair, 1e-12);
}

// °F = 1.8·°C + 32 beside °C: equal p, so °C (the lower number) enters and °F, whose
// entry would make the design singular, never does; a zero column never enters.
// Entered all together, the coefficients that depend on the cut directions have no
// t or p.
TEST(MultiReg, DependentAndZeroColumnsNeverEnter)
{
    std::mt19937_64 random(31);
    std::normal_distribution<double> normal;
    Columns x(4);
    std::vector<double> y;
    for (int i = 0; i < 25; ++i) {
        const double celsius = 10 + 5 * normal(random);
        x[0].push_back(celsius);
        x[1].push_back(1.8 * celsius + 32);
        x[2].push_back(normal(random));
        x[3].push_back(0);
        y.push_back(3 + 0.5 * celsius + normal(random));
    }
    Options o;
    o.method = kForward;
    o.enter = 1;
    o.maxVariables = 4;
    MultiCall c = Fit(x, y, o);
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.Path(), (std::vector<std::pair<int, int>>{{1, 1}, {3, 1}}));

    c = Fit(x, y, Options{});
    ASSERT_EQ(c.status, 0);
    EXPECT_NEAR(c.results[3], ReferenceRSquared(x, y, {1, 3}), 1e-12);
    for (std::size_t column : {1u, 2u, 3u, 5u}) {
        EXPECT_MISSING(c.coefficients(4, column)) << column;
        EXPECT_MISSING(c.coefficients(5, column)) << column;
    }
    EXPECT_EQ(c.coefficients(2, 5), 0);
    // °F = 1.8·°C + 32 involves the constant too: the intercept is not determined either.
    EXPECT_MISSING(c.coefficients(5, 1));
    EXPECT_NOT_MISSING(c.coefficients(5, 4));
}

// Listwise deletion over every variable (x2 is never selected but its empty cell
// drops row 2), prediction requests with predictions on and off, and the
// compaction of data, y and weights.
TEST(MultiReg, MissingCellsAndPredictionRows)
{
    // y = 1 + 2·x1 on the complete rows; one variable at most.
    const Columns x = {{1, 2, 3, 4, 5, 6, 7, kMissing}, {0.3, kMissing, -0.2, 0.1, 0.4, -0.4, 0.2, 0.1}};
    const std::vector<double> y = {3, 5.5, kPredict, 9, 11, 13, kPredict, kPredict};
    for (bool predictions : {true, false}) {
        SCOPED_TRACE(predictions ? "predictions on" : "predictions off");
        Options o;
        o.method = kForward;
        o.enter = 0.05;
        o.predictions = predictions;
        MultiCall c = Fit(x, y, o);
        ASSERT_EQ(c.status, 0);
        EXPECT_EQ(c.results[1], 4);  // rows 1, 4, 5, 6
        EXPECT_EQ(c.Selected(), (std::set<int>{1}));
        EXPECT_NEAR(c.coefficients(2, 2), 2, 1e-12);
        EXPECT_NEAR(c.residuals(2, 1), 5.5 - 5, 1e-12);  // not fitted, yet x1 and y are there
        for (std::size_t r : {3u, 7u, 8u}) EXPECT_MISSING(c.residuals(r, 1));
        const double compact[4] = {1, 4, 5, 6};
        for (std::size_t i = 1; i <= 4; ++i) {
            EXPECT_EQ(c.data(i, 1), compact[i - 1]);
            EXPECT_EQ(c.y[i], 1 + 2 * compact[i - 1]);
        }
        if (predictions) {
            EXPECT_EQ(c.predictions(1, 1), 3);
            EXPECT_NEAR(c.predictions(1, 2), 7, 1e-12);
            EXPECT_EQ(c.predictions(2, 1), 7);
            EXPECT_NEAR(c.predictions(2, 2), 15, 1e-12);
            EXPECT_EQ(c.predictions(3, 1), 8);
            EXPECT_MISSING(c.predictions(3, 2));
            EXPECT_EQ(c.predictions(4, 1), -1);
        } else {
            EXPECT_EQ(c.predictions(1, 1), 0);
        }
    }
}

// Three cases, two variables: no residual degrees of freedom; what needs them is
// MissingValue.
TEST(MultiReg, NoResidualDegreesOfFreedom)
{
    MultiCall c = Fit({{1, 2, 4}, {1, 3, 2}}, {2, 7, 5}, Options{});
    ASSERT_EQ(c.status, 0);
    EXPECT_NEAR(c.results[3], 1, 1e-12);
    for (std::size_t slot : {4u, 5u, 6u, 12u, 13u, 16u}) EXPECT_MISSING(c.results[slot]) << slot;
    for (std::size_t column = 1; column <= 3; ++column) {
        EXPECT_NOT_MISSING(c.coefficients(2, column));
        for (std::size_t row = 3; row <= 5; ++row) EXPECT_MISSING(c.coefficients(row, column));
    }
}

}  // namespace
}  // namespace sheetstat
