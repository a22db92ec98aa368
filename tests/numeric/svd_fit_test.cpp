// Weighted least squares through the triangular factor: against normal equations in
// long double and Eigen's solvers, the NIST Longley certified values, subsets fitted
// from one factor, rank-deficient designs and the units of a column.
#include "numeric/svd_fit.hpp"

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <Eigen/Dense>
#include <gtest/gtest.h>

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
using Real = long double;
namespace longley = testing::longley;

std::size_t Size(int32_t n)
{
    return static_cast<std::size_t>(n);
}

// m cases of n design columns x[i][j], response y[i], standard deviation sig[i].
struct Design {
    int32_t m = 0, n = 0;
    std::vector<std::vector<double>> x;
    std::vector<double> y, sig;

    RealVector Work(const std::vector<double>& values) const
    {
        RealVector v(1, values.size());
        for (std::size_t i = 0; i < values.size(); ++i) v[static_cast<std::ptrdiff_t>(i) + 1] = values[i];
        return v;
    }
    // The basis of columns cols[0..q−1] (1-based column numbers), all columns if empty.
    auto Basis(std::vector<int32_t> cols = {}) const
    {
        if (cols.empty()) {
            for (int32_t j = 1; j <= n; ++j) cols.push_back(j);
        }
        return [this, cols](int32_t i, RealVector& p, int32_t q) {
            for (int32_t j = 1; j <= q; ++j) p[j] = x[Size(i - 1)][Size(cols[Size(j - 1)] - 1)];
        };
    }
    // The weighted design and response, rows divided by sig.
    MatrixXd WeightedX() const
    {
        MatrixXd a(m, n);
        for (int32_t i = 0; i < m; ++i) {
            for (int32_t j = 0; j < n; ++j) a(i, j) = x[Size(i)][Size(j)] / sig[Size(i)];
        }
        return a;
    }
    VectorXd WeightedY() const
    {
        VectorXd b(m);
        for (int32_t i = 0; i < m; ++i) b(i) = y[Size(i)] / sig[Size(i)];
        return b;
    }
    LeastSquaresTriangle Triangle() const
    {
        LeastSquaresTriangle triangle(n);
        RealVector p(1, Size(n));
        for (int32_t i = 1; i <= m; ++i) {
            Basis()(i, p, n);
            triangle.AddRow(p, y[Size(i - 1)], sig[Size(i - 1)]);
        }
        return triangle;
    }
};

// Columns of standard normal values times `scales`, y = Σ (j + 1)·x_j + noise, weights
// between 0.25 and 4.
Design RandomDesign(int32_t m, std::vector<double> scales, uint64_t seed)
{
    std::mt19937_64 random(seed);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> weight(0.25, 4);
    Design d;
    d.m = m;
    d.n = static_cast<int32_t>(scales.size());
    for (int32_t i = 0; i < m; ++i) {
        std::vector<double> row;
        double y = normal(random);
        for (std::size_t j = 0; j < scales.size(); ++j) {
            row.push_back(scales[j] * normal(random));
            y += static_cast<double>(j + 1) * row.back() / scales[j];
        }
        d.x.push_back(row);
        d.y.push_back(y);
        d.sig.push_back(1 / std::sqrt(weight(random)));
    }
    return d;
}

struct Fitted {
    std::vector<double> coef, w;
    MatrixXd cov;
    SvdFitResult result;
};

// The fit of the design's basis as given (SvdFit, then SvdCovariance).
Fitted FitAsGiven(const Design& d)
{
    const RealVector y = d.Work(d.y), sig = d.Work(d.sig);
    RealVector coef(1, Size(d.n)), w(1, Size(d.n));
    RealMatrix v(1, Size(d.n), 1, Size(d.n)), cov(1, Size(d.n), 1, Size(d.n));
    Fitted f;
    f.result = SvdFit(y, sig, d.m, coef, d.n, v, w, d.Basis());
    SvdCovariance(v, d.n, w, cov);
    f.cov.resize(d.n, d.n);
    for (int32_t j = 1; j <= d.n; ++j) {
        f.coef.push_back(coef[j]);
        f.w.push_back(w[j]);
        for (int32_t k = 1; k <= d.n; ++k) f.cov(j - 1, k - 1) = cov[j][k];
    }
    return f;
}

// The fit with an intercept (coefficient 1) through centring.
Fitted FitWithIntercept(const Design& d)
{
    const RealVector y = d.Work(d.y), sig = d.Work(d.sig);
    RealVector coef(1, Size(d.n + 1)), w(1, Size(d.n));
    RealMatrix v(1, Size(d.n), 1, Size(d.n)), cov(1, Size(d.n + 1), 1, Size(d.n + 1));
    Fitted f;
    f.result = SvdFitWithIntercept(y, sig, d.m, coef, d.n, v, w, cov, d.Basis());
    f.cov.resize(d.n + 1, d.n + 1);
    for (int32_t j = 1; j <= d.n + 1; ++j) {
        f.coef.push_back(coef[j]);
        for (int32_t k = 1; k <= d.n + 1; ++k) f.cov(j - 1, k - 1) = cov[j][k];
    }
    for (int32_t j = 1; j <= d.n; ++j) f.w.push_back(w[j]);
    return f;
}

// Coefficients and (AᵀWA)⁻¹ of the weighted normal equations, formed and solved by
// Gauss-Jordan elimination with partial pivoting in long double; with `intercept`
// a column of ones comes first.
struct NormalEquations {
    std::vector<Real> coef;
    std::vector<std::vector<Real>> inverse;
};
NormalEquations SolveNormalEquations(const Design& d, bool intercept)
{
    const std::size_t q = Size(d.n) + (intercept ? 1 : 0);
    // [AᵀWA | AᵀWy | I]
    std::vector<std::vector<Real>> t(q, std::vector<Real>(2 * q + 1, 0));
    for (std::size_t i = 0; i < Size(d.m); ++i) {
        std::vector<Real> row;
        if (intercept) row.push_back(1);
        for (double v : d.x[i]) row.push_back(v);
        const Real weight = 1 / (static_cast<Real>(d.sig[i]) * d.sig[i]);
        for (std::size_t j = 0; j < q; ++j) {
            for (std::size_t k = 0; k < q; ++k) t[j][k] += weight * row[j] * row[k];
            t[j][q] += weight * row[j] * d.y[i];
        }
    }
    for (std::size_t j = 0; j < q; ++j) t[j][q + 1 + j] = 1;
    for (std::size_t c = 0; c < q; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < q; ++r) {
            if (std::fabs(t[r][c]) > std::fabs(t[pivot][c])) pivot = r;
        }
        std::swap(t[c], t[pivot]);
        for (std::size_t r = 0; r < q; ++r) {
            if (r == c) continue;
            const Real factor = t[r][c] / t[c][c];
            for (std::size_t k = 0; k < 2 * q + 1; ++k) t[r][k] -= factor * t[c][k];
        }
    }
    NormalEquations s;
    s.inverse.assign(q, std::vector<Real>(q));
    for (std::size_t j = 0; j < q; ++j) {
        s.coef.push_back(t[j][q] / t[j][j]);
        for (std::size_t k = 0; k < q; ++k) s.inverse[j][k] = t[j][q + 1 + k] / t[j][j];
    }
    return s;
}

void ExpectRelativelyClose(double computed, Real reference, double tolerance)
{
    EXPECT_NEAR(computed, static_cast<double>(reference), tolerance * std::fabs(static_cast<double>(reference)))
        << "reference " << static_cast<double>(reference);
}

// On well-conditioned weighted data, with the constant as a basis function and with
// the intercept through centring: coefficients, covariance and both residual sums.
TEST(SvdFit, MatchesLongDoubleNormalEquations)
{
    Design d = RandomDesign(60, {1, 1, 1}, 5);
    for (auto& row : d.x) row[2] = row[0] * row[1] + 3;  // an interaction with an offset
    const NormalEquations reference = SolveNormalEquations(d, true);
    Real chisq = 0, sse = 0;
    for (std::size_t i = 0; i < Size(d.m); ++i) {
        Real fitted = reference.coef[0];
        for (std::size_t j = 0; j < 3; ++j) fitted += reference.coef[j + 1] * d.x[i][j];
        const Real residual = d.y[i] - fitted;
        chisq += residual * residual / (static_cast<Real>(d.sig[i]) * d.sig[i]);
        sse += residual * residual;
    }

    Design withOnes = d;
    withOnes.n = 4;
    for (auto& row : withOnes.x) row.insert(row.begin(), 1.0);
    for (const Fitted& f : {FitAsGiven(withOnes), FitWithIntercept(d)}) {
        EXPECT_EQ(f.result.kept, 4 - (f.w.size() == 3 ? 1 : 0));
        for (std::size_t j = 0; j < 4; ++j) {
            ExpectRelativelyClose(f.coef[j], reference.coef[j], 1e-12);
            for (std::size_t k = 0; k < 4; ++k) {
                const auto row = static_cast<Eigen::Index>(j), col = static_cast<Eigen::Index>(k);
                ExpectRelativelyClose(f.cov(row, col), reference.inverse[j][k], 1e-11);
            }
        }
        ExpectRelativelyClose(f.result.chisq, chisq, 1e-12);
        ExpectRelativelyClose(f.result.sse, sse, 1e-12);
    }
}

// The worked examples: an exact line; two copies of a column, which share the
// coefficient of one copy; a zero design, whose coefficients are 0.
TEST(SvdFit, ExactLineTwinColumnsAndZeroDesign)
{
    Design line;
    line.m = 5;
    line.n = 2;
    for (int k = 1; k <= 5; ++k) {
        line.x.push_back({1.0, static_cast<double>(k)});
        line.y.push_back(1 + 2.0 * k);
        line.sig.push_back(1);
    }
    Fitted f = FitAsGiven(line);
    EXPECT_NEAR(f.coef[0], 1, 1e-14);
    EXPECT_NEAR(f.coef[1], 2, 1e-14);
    EXPECT_NEAR(f.result.chisq, 0, 1e-26);
    EXPECT_EQ(f.result.kept, 2);

    Design twins = RandomDesign(20, {1, 1}, 9), single = twins;
    twins.n = 3;
    for (auto& row : twins.x) row.push_back(row[1]);
    const Fitted one = FitAsGiven(single), two = FitAsGiven(twins);
    EXPECT_EQ(two.result.kept, 2);
    EXPECT_NEAR(two.coef[0], one.coef[0], 1e-13);
    EXPECT_NEAR(two.coef[1], one.coef[1] / 2, 1e-13);
    EXPECT_NEAR(two.coef[2], one.coef[1] / 2, 1e-13);
    EXPECT_NEAR(two.result.chisq, one.result.chisq, 1e-12 * one.result.chisq);

    Design zero = RandomDesign(10, {1, 1}, 4);
    for (auto& row : zero.x) row = {0.0, 0.0};
    f = FitAsGiven(zero);
    EXPECT_EQ(f.result.kept, 0);
    EXPECT_EQ(f.coef, (std::vector<double>{0, 0}));
    double total = 0;
    for (std::size_t i = 0; i < 10; ++i) total += (zero.y[i] / zero.sig[i]) * (zero.y[i] / zero.sig[i]);
    EXPECT_NEAR(f.result.chisq, total, 1e-13 * total);
}

// One factor against Eigen on the weighted data themselves: the singular values of
// the equilibrated design, the solution, the residual sum of squares, and every
// subset of columns fitted from the same factor.
TEST(SvdFit, TriangleMatchesTheDirectDecomposition)
{
    const Design d = RandomDesign(200, {1, 1e3, 1e-2, 1, 50, 1}, 21);
    const LeastSquaresTriangle triangle = d.Triangle();
    const MatrixXd a = d.WeightedX();
    const VectorXd b = d.WeightedY();
    EXPECT_NEAR(triangle.ResponseSumOfSquares(), b.squaredNorm(), 1e-13 * b.squaredNorm());

    const std::vector<std::vector<int32_t>> subsets = {{1, 2, 3, 4, 5, 6}, {2, 5}, {1, 3, 4, 6}, {6}, {5, 1}, {}};
    for (const auto& subset : subsets) {
        SCOPED_TRACE(::testing::Message() << subset.size() << " columns");
        const auto q = static_cast<int32_t>(subset.size());
        IntVector columns(1, subset.size());
        MatrixXd as(a.rows(), q);
        for (int32_t j = 1; j <= q; ++j) {
            columns[j] = subset[Size(j - 1)];
            as.col(j - 1) = a.col(subset[Size(j - 1)] - 1);
        }
        RealVector coef(1, Size(q)), w(1, Size(q));
        RealMatrix v(1, Size(q), 1, Size(q));
        const LeastSquaresFit fit = SvdFitTriangle(triangle, columns, q, coef, v, w);
        EXPECT_EQ(fit.kept, q);

        const VectorXd solution = q == 0 ? VectorXd(0) : VectorXd(as.colPivHouseholderQr().solve(b));
        const double residual = (as * solution - b).squaredNorm();
        EXPECT_NEAR(fit.chisq, residual, 1e-12 * residual);
        VectorXd norms = as.colwise().norm();
        const MatrixXd equilibrated = as * norms.cwiseInverse().asDiagonal();
        const VectorXd singular = q == 0 ? VectorXd(0) : VectorXd(equilibrated.jacobiSvd().singularValues());
        std::vector<double> sorted(w.data(), w.data() + q);
        std::sort(sorted.begin(), sorted.end(), std::greater<>());
        for (int32_t j = 1; j <= q; ++j) {
            EXPECT_NEAR(coef[j], solution(j - 1), 1e-12 * std::fabs(solution(j - 1)));
            EXPECT_NEAR(sorted[Size(j - 1)], singular(j - 1), 1e-13);
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
    for (auto& row : d.x) {
        row[2] = row[0] + 2 * row[1];
        row[4] = 0;
    }
    const Fitted f = FitAsGiven(d);
    EXPECT_EQ(f.result.kept, 3);
    EXPECT_EQ(std::count(f.w.begin(), f.w.end(), 0.0), 2);
    const MatrixXd a = d.WeightedX();
    VectorXd scale = a.colwise().norm();
    scale(4) = 1;
    const VectorXd z = (a * scale.cwiseInverse().asDiagonal()).completeOrthogonalDecomposition().solve(d.WeightedY());
    for (int j = 0; j < 5; ++j) EXPECT_NEAR(f.coef[Size(j)], z(j) / scale(j), 1e-12) << j;

    Design withConstant = RandomDesign(30, {1, 1}, 34), without = withConstant;
    withConstant.n = 3;
    for (auto& row : withConstant.x) row.push_back(0.1);
    const Fitted c = FitWithIntercept(withConstant), plain = FitWithIntercept(without);
    EXPECT_EQ(c.result.kept, 2);
    EXPECT_EQ(c.coef[3], 0);
    for (std::size_t j = 0; j < 3; ++j) EXPECT_NEAR(c.coef[j], plain.coef[j], 1e-13 * std::fabs(plain.coef[j])) << j;
    EXPECT_NEAR(c.result.chisq, plain.result.chisq, 1e-13 * plain.result.chisq);
}

// −log10 of the relative error: the number of correct significant digits.
double LogRelativeError(double computed, double certified)
{
    if (computed == certified) return 16;
    return -std::log10(std::fabs(computed - certified) / std::fabs(certified));
}

Design Longley(double gnpFactor, bool withOnes)
{
    Design d;
    d.m = longley::kCases;
    d.n = longley::kPredictors + (withOnes ? 1 : 0);
    for (const longley::Case& c : longley::kData) {
        std::vector<double> row(c.x.begin(), c.x.end());
        row[1] *= gnpFactor;
        if (withOnes) row.insert(row.begin(), 1.0);
        d.x.push_back(row);
        d.y.push_back(c.y);
        d.sig.push_back(1);
    }
    return d;
}

double LongleyTotalSumOfSquares()
{
    Real mean = 0, total = 0;
    for (const longley::Case& c : longley::kData) mean += c.y;
    mean /= longley::kCases;
    for (const longley::Case& c : longley::kData) total += (c.y - mean) * (c.y - mean);
    return static_cast<double>(total);
}

// NIST Longley through the fit with centring: every certified coefficient, standard
// deviation, the residual standard deviation and R² to 11 digits or more.
TEST(SvdFit, LongleyCertifiedValuesThroughCentring)
{
    const Fitted f = FitWithIntercept(Longley(1, false));
    const double df = longley::kCases - longley::kPredictors - 1;
    const double s2 = f.result.chisq / df;
    for (std::size_t j = 0; j <= longley::kPredictors; ++j) {
        const auto d = static_cast<Eigen::Index>(j);
        EXPECT_GE(LogRelativeError(f.coef[j], longley::kCoefficients[j]), 11) << "b" << j;
        EXPECT_GE(LogRelativeError(std::sqrt(f.cov(d, d) * s2), longley::kStandardErrors[j]), 11) << "se" << j;
    }
    EXPECT_GE(LogRelativeError(std::sqrt(s2), longley::kResidualStandardDeviation), 11);
    EXPECT_GE(LogRelativeError(1 - f.result.chisq / LongleyTotalSumOfSquares(), longley::kRSquared), 11);
    EXPECT_EQ(f.result.chisq, f.result.sse);
}

// Whether a direction is cut does not depend on a column's units: with GNP in a unit
// ten times smaller (its numbers × 10) the fit keeps every direction, R² and the
// other coefficients, and GNP's coefficient is divided by 10; also without centring,
// where the constant is an ordinary basis function (without equilibration a
// singular value would be cut there).
TEST(SvdFit, UnitsOfAColumnDoNotDecideTheCut)
{
    for (bool centred : {true, false}) {
        SCOPED_TRACE(centred ? "centred" : "constant as a basis function");
        const Fitted f = centred ? FitWithIntercept(Longley(1, false)) : FitAsGiven(Longley(1, true));
        const Fitted g = centred ? FitWithIntercept(Longley(10, false)) : FitAsGiven(Longley(10, true));
        EXPECT_EQ(g.result.kept, f.result.kept);
        const double digits = centred ? 11 : 10;
        const double sst = LongleyTotalSumOfSquares();
        EXPECT_GE(LogRelativeError(1 - g.result.chisq / sst, longley::kRSquared), digits);
        for (std::size_t j = 0; j <= longley::kPredictors; ++j) {
            const double expected = longley::kCoefficients[j] / (j == 2 ? 10 : 1);
            EXPECT_GE(LogRelativeError(g.coef[j], expected), digits) << "b" << j;
        }
    }

    const Design d = RandomDesign(40, {1, 1, 1, 1}, 8);
    Design scaled = d;
    for (auto& row : scaled.x) row[2] *= 10;
    const Fitted f = FitAsGiven(d), g = FitAsGiven(scaled);
    for (std::size_t j = 0; j < 4; ++j) {
        EXPECT_NEAR(g.coef[j], f.coef[j] / (j == 2 ? 10 : 1), 1e-14 * std::fabs(f.coef[j])) << j;
    }
    EXPECT_NEAR(g.result.chisq, f.result.chisq, 1e-13 * f.result.chisq);
    EXPECT_NEAR(g.cov(2, 2), f.cov(2, 2) / 100, 1e-13 * f.cov(2, 2));
}

// Each work-storage allocation of the fits failing in turn: status 2, nothing left.
TEST(SvdFit, AllocationFailureInTurn)
{
    const Design d = RandomDesign(12, {1, 1, 1}, 2);
    const RealVector y = d.Work(d.y), sig = d.Work(d.sig);
    RealVector coef(1, 4), w(1, 3);
    RealMatrix v(1, 3, 1, 3), cov(1, 4, 1, 4);
    testing::ExpectEachAllocationFailureGivesNoMemory(
        [&] { return RunExport([&] { SvdFit(y, sig, d.m, coef, d.n, v, w, d.Basis()); }); });
    testing::ExpectEachAllocationFailureGivesNoMemory(
        [&] { return RunExport([&] { SvdFitWithIntercept(y, sig, d.m, coef, d.n, v, w, cov, d.Basis()); }); });
}

}  // namespace
}  // namespace sheetstat
