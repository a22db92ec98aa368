// Weighted least squares through the triangular factor: against normal equations in
// long double and Eigen's solvers, the NIST Longley certified values, subsets fitted
// from one factor, rank-deficient designs and the units of a column.
#include "numeric/svd_fit.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include "analyses/regression/regression_reference.hpp"
#include "data/longley.hpp"
#include "frame/export_frame.hpp"
#include "numeric/least_squares_triangle.hpp"
#include "numeric/svd.hpp"
#include "numeric/weighted_centring.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

using Eigen::MatrixXd;
using Eigen::VectorXd;
using testing::LogRelativeError;
using testing::MatrixXl;
using testing::VectorXl;
namespace longley = testing::longley;

std::size_t Size(Eigen::Index n)
{
    return static_cast<std::size_t>(n);
}

RealVector ToWork(const VectorXd& values)
{
    RealVector work(1, Size(values.size()));
    for (Eigen::Index i = 0; i < values.size(); ++i) work[i + 1] = values(i);
    return work;
}

// Cases: design rows x, responses y, standard deviations sig.
struct Design {
    MatrixXd x;
    VectorXd y, sig;

    int32_t m() const { return static_cast<int32_t>(x.rows()); }
    int32_t n() const { return static_cast<int32_t>(x.cols()); }
    auto Basis() const
    {
        return [this](int32_t i, RealVector& p, int32_t n) {
            for (int32_t j = 1; j <= n; ++j) p[j] = x(i - 1, j - 1);
        };
    }
    MatrixXd WeightedX() const { return sig.cwiseInverse().asDiagonal() * x; }
    VectorXd WeightedY() const { return y.cwiseQuotient(sig); }
    Design WithOnesFirst() const
    {
        Design d = *this;
        d.x.resize(x.rows(), x.cols() + 1);
        d.x << VectorXd::Ones(x.rows()), x;
        return d;
    }
};

// Standard normal columns times `scales`, y = Σ (j + 1)·x_j/scale_j + noise, weights
// between 0.25 and 4.
Design RandomDesign(Eigen::Index m, const std::vector<double>& scales, uint64_t seed)
{
    std::mt19937_64 random(seed);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> weight(0.25, 4);
    const auto n = static_cast<Eigen::Index>(scales.size());
    Design d{MatrixXd(m, n), VectorXd(m), VectorXd(m)};
    for (Eigen::Index i = 0; i < m; ++i) {
        d.y(i) = normal(random);
        for (Eigen::Index j = 0; j < n; ++j) {
            d.x(i, j) = scales[Size(j)] * normal(random);
            d.y(i) += static_cast<double>(j + 1) * d.x(i, j) / scales[Size(j)];
        }
        d.sig(i) = 1 / std::sqrt(weight(random));
    }
    return d;
}

struct Fitted {
    VectorXd coef, w;
    MatrixXd cov;
    SvdFitResult result;
};

// SvdFit and SvdCovariance of the design as given, or SvdFitWithIntercept (the
// intercept then comes first in coef and cov).
Fitted Fit(const Design& d, bool withIntercept)
{
    const int32_t n = d.n(), q = n + (withIntercept ? 1 : 0);
    const RealVector y = ToWork(d.y), sig = ToWork(d.sig);
    RealVector coef(1, Size(q)), w(1, Size(n));
    RealMatrix v(1, Size(n), 1, Size(n)), cov(1, Size(q), 1, Size(q));
    Fitted f{VectorXd(q), VectorXd(n), MatrixXd(q, q), {}};
    if (withIntercept) {
        f.result = SvdFitWithIntercept(y, sig, d.m(), coef, n, v, w, cov, d.Basis());
    } else {
        f.result = SvdFit(y, sig, d.m(), coef, n, v, w, d.Basis());
        SvdCovariance(v, n, w, cov);
    }
    for (int32_t j = 1; j <= q; ++j) {
        f.coef(j - 1) = coef[j];
        for (int32_t k = 1; k <= q; ++k) f.cov(j - 1, k - 1) = cov[j][k];
    }
    for (int32_t j = 1; j <= n; ++j) f.w(j - 1) = w[j];
    return f;
}

void ExpectRelativelyClose(const MatrixXd& computed, const MatrixXl& reference, long double tolerance)
{
    const MatrixXl error = computed.cast<long double>() - reference;
    EXPECT_LE(error.cwiseAbs().maxCoeff(), tolerance * reference.cwiseAbs().maxCoeff()) << computed;
}

// On well-conditioned weighted data, with the constant as a basis function and with
// the intercept through centring: coefficients, covariance and both residual sums
// against the normal equations AᵀWA·c = AᵀWy formed and solved in long double.
TEST(SvdFit, MatchesLongDoubleNormalEquations)
{
    Design d = RandomDesign(60, {1, 1, 1}, 5);
    d.x.col(2) = d.x.col(0).cwiseProduct(d.x.col(1)).array() + 3;  // an interaction with an offset
    const Design ones = d.WithOnesFirst();
    const MatrixXl a = ones.sig.cast<long double>().cwiseInverse().asDiagonal() * ones.x.cast<long double>();
    const VectorXl b = d.y.cast<long double>().cwiseQuotient(d.sig.cast<long double>());
    const MatrixXl inverse = (a.transpose() * a).inverse();
    const VectorXl coef = inverse * (a.transpose() * b);
    const VectorXl residual = d.y.cast<long double>() - ones.x.cast<long double>() * coef;

    for (const Fitted& f : {Fit(ones, false), Fit(d, true)}) {
        EXPECT_EQ(f.result.kept, f.w.size());
        ExpectRelativelyClose(f.coef, coef, 1e-13L);
        ExpectRelativelyClose(f.cov, inverse, 1e-12L);
        EXPECT_NEAR(f.result.chisq, static_cast<double>((a * coef - b).squaredNorm()), 1e-12 * f.result.chisq);
        EXPECT_NEAR(f.result.sse, static_cast<double>(residual.squaredNorm()), 1e-12 * f.result.sse);
    }
}

// The worked examples: an exact line; two copies of a column, which share the
// coefficient of one copy; a zero design, whose coefficients are 0.
TEST(SvdFit, ExactLineTwinColumnsAndZeroDesign)
{
    Design line{MatrixXd(5, 2), VectorXd(5), VectorXd::Ones(5)};
    for (int k = 0; k < 5; ++k) {
        line.x.row(k) << 1, k + 1;
        line.y(k) = 1 + 2.0 * (k + 1);
    }
    Fitted f = Fit(line, false);
    EXPECT_NEAR(f.coef(0), 1, 1e-14);
    EXPECT_NEAR(f.coef(1), 2, 1e-14);
    EXPECT_NEAR(f.result.chisq, 0, 1e-26);
    EXPECT_EQ(f.result.kept, 2);

    const Design single = RandomDesign(20, {1, 1}, 9);
    Design twins = single;
    twins.x.conservativeResize(Eigen::NoChange, 3);
    twins.x.col(2) = twins.x.col(1);
    const Fitted one = Fit(single, false), two = Fit(twins, false);
    EXPECT_EQ(two.result.kept, 2);
    EXPECT_NEAR(two.coef(0), one.coef(0), 1e-13);
    EXPECT_NEAR(two.coef(1), one.coef(1) / 2, 1e-13);
    EXPECT_NEAR(two.coef(2), one.coef(1) / 2, 1e-13);
    EXPECT_NEAR(two.result.chisq, one.result.chisq, 1e-12 * one.result.chisq);

    Design zero = RandomDesign(10, {1, 1}, 4);
    zero.x.setZero();
    f = Fit(zero, false);
    EXPECT_EQ(f.result.kept, 0);
    EXPECT_EQ(f.coef, VectorXd::Zero(2));
    EXPECT_NEAR(f.result.chisq, zero.WeightedY().squaredNorm(), 1e-13 * f.result.chisq);
}

// One factor against Eigen on the weighted data themselves: the singular values of
// the equilibrated design (also against SvdDecompose of the whole m × n design), the
// solution and residual sum of squares, for subsets of columns fitted from the same
// factor.
TEST(SvdFit, TriangleMatchesTheDirectDecomposition)
{
    const Design d = RandomDesign(200, {1, 1e3, 1e-2, 1, 50, 1}, 21);
    LeastSquaresTriangle triangle(d.n());
    RealVector p(1, Size(d.n()));
    for (int32_t i = 1; i <= d.m(); ++i) {
        d.Basis()(i, p, d.n());
        triangle.AddRow(p, d.y(i - 1), d.sig(i - 1));
    }
    const MatrixXd a = d.WeightedX();
    const VectorXd b = d.WeightedY();
    EXPECT_NEAR(triangle.ResponseSumOfSquares(), b.squaredNorm(), 1e-13 * b.squaredNorm());

    for (const std::vector<int32_t>& subset : std::vector<std::vector<int32_t>>{
             {1, 2, 3, 4, 5, 6}, {2, 5}, {1, 3, 4, 6}, {6}, {5, 1}, {}}) {
        SCOPED_TRACE(::testing::Message() << subset.size() << " columns");
        const auto q = static_cast<int32_t>(subset.size());
        IntVector columns(1, subset.size());
        MatrixXd as(a.rows(), q);
        for (int32_t j = 1; j <= q; ++j) {
            columns[j] = subset[Size(j - 1)];
            as.col(j - 1) = a.col(columns[j] - 1);
        }
        RealVector coef(1, Size(q)), w(1, Size(q));
        RealMatrix v(1, Size(q), 1, Size(q));
        const LeastSquaresFit fit = SvdFitTriangle(triangle, columns, q, coef, v, w);
        EXPECT_EQ(fit.kept, q);
        const VectorXd solution = q == 0 ? VectorXd(0) : VectorXd(as.colPivHouseholderQr().solve(b));
        const double residual = (as * solution - b).squaredNorm();
        EXPECT_NEAR(fit.chisq, residual, 1e-12 * residual);
        if (q == 0) continue;

        const MatrixXd equilibrated = as * as.colwise().norm().cwiseInverse().asDiagonal();
        const VectorXd singular = equilibrated.jacobiSvd().singularValues();
        RealMatrix direct(1, Size(d.m()), 1, Size(q)), directV(1, Size(q), 1, Size(q));
        RealVector directW(1, Size(q));
        for (int32_t i = 1; i <= d.m(); ++i) {
            for (int32_t j = 1; j <= q; ++j) direct[i][j] = equilibrated(i - 1, j - 1);
        }
        SvdDecompose(direct, d.m(), q, directW, directV);
        std::sort(w.data(), w.data() + q, std::greater<>());
        std::sort(directW.data(), directW.data() + q, std::greater<>());
        for (int32_t j = 1; j <= q; ++j) {
            EXPECT_NEAR(coef[j], solution(j - 1), 1e-12 * std::fabs(solution(j - 1)));
            EXPECT_NEAR(w[j], singular(j - 1), 1e-13);
            EXPECT_NEAR(w[j], directW[j], 1e-13);
        }
    }
}

// Singular designs: a column that is a combination of two others and a zero column
// are cut (two directions fewer kept) and the solution is the minimum-norm one of
// the equilibrated problem; a constant column beside an intercept is cut and changes
// no other coefficient.
TEST(SvdFit, RankDeficientDesignsGiveTheMinimumNormSolution)
{
    Design d = RandomDesign(30, {1, 1, 1, 1, 1}, 33);
    d.x.col(2) = d.x.col(0) + 2 * d.x.col(1);
    d.x.col(4).setZero();
    const Fitted f = Fit(d, false);
    EXPECT_EQ(f.result.kept, 3);
    EXPECT_EQ((f.w.array() == 0).count(), 2);
    VectorXd scale = d.WeightedX().colwise().norm();
    scale(4) = 1;
    const VectorXd z =
        (d.WeightedX() * scale.cwiseInverse().asDiagonal()).completeOrthogonalDecomposition().solve(d.WeightedY());
    EXPECT_LE((f.coef - z.cwiseQuotient(scale)).cwiseAbs().maxCoeff(), 1e-12);

    const Design without = RandomDesign(30, {1, 1}, 34);
    Design withConstant = without;
    withConstant.x.conservativeResize(Eigen::NoChange, 3);
    withConstant.x.col(2).setConstant(0.1);
    const Fitted c = Fit(withConstant, true), plain = Fit(without, true);
    EXPECT_EQ(c.result.kept, 2);
    EXPECT_EQ(c.coef(3), 0);
    EXPECT_LE((c.coef.head(3) - plain.coef).cwiseAbs().maxCoeff(), 1e-13 * plain.coef.cwiseAbs().maxCoeff());
    EXPECT_NEAR(c.result.chisq, plain.result.chisq, 1e-13 * plain.result.chisq);
}

// Longley's data with GNP multiplied by `gnpFactor`, unit weights; and its total sum
// of squares about the mean, in long double.
Design Longley(double gnpFactor)
{
    Design d{MatrixXd(longley::kCases, longley::kPredictors), VectorXd(longley::kCases),
             VectorXd::Ones(longley::kCases)};
    for (int i = 0; i < longley::kCases; ++i) {
        const longley::Case& c = longley::kData[Size(i)];
        for (int j = 0; j < longley::kPredictors; ++j) d.x(i, j) = c.x[Size(j)];
        d.y(i) = c.y;
    }
    d.x.col(1) *= gnpFactor;
    return d;
}
double LongleyTotalSumOfSquares()
{
    const VectorXl y = Longley(1).y.cast<long double>();
    return static_cast<double>((y.array() - y.mean()).square().sum());
}

// NIST Longley through the fit with centring: every certified coefficient, standard
// deviation, the residual standard deviation and R² to 11 digits or more.
TEST(SvdFit, LongleyCertifiedValuesThroughCentring)
{
    const Fitted f = Fit(Longley(1), true);
    const double s2 = f.result.chisq / (longley::kCases - longley::kPredictors - 1);
    for (int j = 0; j <= longley::kPredictors; ++j) {
        EXPECT_GE(LogRelativeError(f.coef(j), longley::kCoefficients[Size(j)]), 11) << "b" << j;
        EXPECT_GE(LogRelativeError(std::sqrt(f.cov(j, j) * s2), longley::kStandardErrors[Size(j)]), 11) << "se" << j;
    }
    EXPECT_GE(LogRelativeError(std::sqrt(s2), longley::kResidualStandardDeviation), 11);
    EXPECT_GE(LogRelativeError(1 - f.result.chisq / LongleyTotalSumOfSquares(), longley::kRSquared), 11);
    EXPECT_EQ(f.result.chisq, f.result.sse);
}

// Whether a direction is cut does not depend on a column's units: with GNP in a unit
// ten times smaller (its numbers × 10) the fit keeps every direction, R² and the
// other coefficients, and GNP's coefficient is divided by 10; with centring and
// with the constant as an ordinary basis function (where, without equilibration, a
// singular value would be cut).
TEST(SvdFit, UnitsOfAColumnDoNotDecideTheCut)
{
    for (bool centred : {true, false}) {
        SCOPED_TRACE(centred ? "centred" : "constant as a basis function");
        const Fitted f = centred ? Fit(Longley(1), true) : Fit(Longley(1).WithOnesFirst(), false);
        const Fitted g = centred ? Fit(Longley(10), true) : Fit(Longley(10).WithOnesFirst(), false);
        EXPECT_EQ(g.result.kept, f.result.kept);
        const double digits = centred ? 11 : 10;
        EXPECT_GE(LogRelativeError(1 - g.result.chisq / LongleyTotalSumOfSquares(), longley::kRSquared), digits);
        for (int j = 0; j <= longley::kPredictors; ++j) {
            const double expected = longley::kCoefficients[Size(j)] / (j == 2 ? 10 : 1);
            EXPECT_GE(LogRelativeError(g.coef(j), expected), digits) << "b" << j;
        }
    }
}

// Each work-storage allocation of the fits failing in turn: status 2, nothing left.
TEST(SvdFit, AllocationFailureInTurn)
{
    const Design d = RandomDesign(12, {1, 1, 1}, 2);
    const RealVector y = ToWork(d.y), sig = ToWork(d.sig);
    RealVector coef(1, 4), w(1, 3);
    RealMatrix v(1, 3, 1, 3), cov(1, 4, 1, 4);
    testing::ExpectEachAllocationFailureGivesNoMemory(
        [&] { return RunExport([&] { SvdFit(y, sig, d.m(), coef, d.n(), v, w, d.Basis()); }); });
    testing::ExpectEachAllocationFailureGivesNoMemory(
        [&] { return RunExport([&] { SvdFitWithIntercept(y, sig, d.m(), coef, d.n(), v, w, cov, d.Basis()); }); });
}

}  // namespace
}  // namespace sheetstat
