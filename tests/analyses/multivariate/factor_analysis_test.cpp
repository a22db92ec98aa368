// nkFactorA: eigenvalues (signed) against Eigen's symmetric solver, principal component
// scores, iterated communalities at their fixed point, varimax and quartimax against
// the optimum of a gradient-projection rotation, missing rows, the loadings table and
// the rotation angles whose tangent has a zero divisor.
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include <Eigen/Dense>

#include "analyses/multivariate/factor_rotation.hpp"
#include "analyses/multivariate/order_loadings.hpp"
#include "analyses/regression/correlate_pair.hpp"
#include "frame/host_arrays.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

using Eigen::MatrixXd;
using Columns = std::vector<std::vector<double>>;
constexpr double kUntouched = -7.25;

struct Factoring {
    int32_t status;
    RealHostArray data, communalities, eigenvalues, loadings, scores, stats;

    // Loadings by variable number (rows) in the table's factor order (columns).
    MatrixXd Loadings()
    {
        const auto p = static_cast<Eigen::Index>(data.cols()), m = static_cast<Eigen::Index>(stats[3]);
        MatrixXd l(p, m);
        RealHostArray& table = loadings;
        for (std::size_t q = 1; q <= data.cols(); ++q) {
            for (Eigen::Index k = 0; k < m; ++k) l(Eigen::Index(table(q, 1)) - 1, k) = table(q, std::size_t(k) + 2);
        }
        return l;
    }
};

// options: slots 1 to 7, 9 and 10 (slot 8 unused). Result arrays at their largest shapes.
Factoring Factor(const Columns& columns, std::vector<double> options)
{
    options.insert(options.begin() + 7, kMissing);
    const std::size_t p = columns.size(), n = columns[0].size(), passes = options[1] != 0 ? std::size_t(options[3]) : 1;
    Factoring f{0, RealHostArray::FromColumns(columns), RealHostArray(p, passes + 2, 1), RealHostArray(p, 3, 1),
                RealHostArray(p + 2, p + 2, 1), RealHostArray(n, p, 1), RealHostArray(3)};
    for (std::size_t i = 1; i <= p; ++i) f.communalities(i, passes + 2) = kUntouched;
    RealHostArray slots = RealHostArray::FromValues(options);
    f.status = nkFactorA(slots.ref(), f.data.ref(), f.communalities.ref(), f.eigenvalues.ref(), f.loadings.ref(),
                         f.scores.ref(), f.stats.ref());
    return f;
}

// n cases of p variables, variable j loading 0.8 on factor j mod factors, plus noise.
Columns SimpleStructure(std::size_t n, std::size_t p, std::size_t factors, unsigned seed)
{
    std::mt19937_64 random(seed);
    std::normal_distribution<double> normal;
    Columns x(p, std::vector<double>(n));
    std::vector<double> f(factors);
    for (std::size_t r = 0; r < n; ++r) {
        for (double& value : f) value = normal(random);
        for (std::size_t j = 0; j < p; ++j) x[j][r] = 100 + 0.8 * f[j % factors] + 0.3 * f[(j + 1) % factors] + 0.5 * normal(random);
    }
    return x;
}

// The correlation matrix by CorrelatePair, pair by pair, with `diagonal` on the diagonal.
MatrixXd Correlations(const Columns& x, const std::vector<double>& diagonal)
{
    const auto p = static_cast<Eigen::Index>(x.size());
    MatrixXd r(p, p);
    for (Eigen::Index i = 0; i < p; ++i) {
        for (Eigen::Index j = 0; j < p; ++j) {
            const auto &a = x[std::size_t(i)], &b = x[std::size_t(j)];
            r(i, j) = i == j ? diagonal[std::size_t(i)] : CorrelatePair(a.size(), a.data(), b.data()).r;
        }
    }
    return r;
}

Eigen::VectorXd DescendingEigenvalues(const MatrixXd& a)
{
    return Eigen::SelfAdjointEigenSolver<MatrixXd>(a).eigenvalues().reverse();
}

TEST(FactorAnalysis, PrincipalComponentsAgainstSymmetricEigenSolver)
{
    const Columns x = SimpleStructure(300, 6, 2, 1);
    // Every factor allowed (slot 5 beyond p) with a positive eigenvalue, unrotated.
    Factoring f = Factor(x, {0, 0, 1e-3, 0, 100, 0, 1, 1, 0});
    ASSERT_EQ(f.status, kOk);
    const MatrixXd r = Correlations(x, std::vector<double>(6, 1.0));
    Eigen::SelfAdjointEigenSolver<MatrixXd> solver(r);
    double cumulative = 0;
    for (std::size_t i = 1; i <= 6; ++i) {
        const double lambda = solver.eigenvalues()(6 - static_cast<Eigen::Index>(i));
        cumulative += 100 * lambda / 6;
        EXPECT_NEAR(f.eigenvalues(i, 1), lambda, 1e-12);
        EXPECT_NEAR(f.eigenvalues(i, 2), 100 * lambda / 6, 1e-10);
        EXPECT_NEAR(f.eigenvalues(i, 3), cumulative, 1e-10);
        EXPECT_NEAR(f.communalities(i, 2), 1, 1e-12);
    }
    EXPECT_EQ(f.stats.Slots(), (std::vector<double>{300, 1, 6}));
    // Loadings: each column is sqrt(λ)·eigenvector, up to its sign.
    const MatrixXd l = f.Loadings();
    for (Eigen::Index k = 0; k < 6; ++k) {
        const Eigen::VectorXd v = solver.eigenvectors().col(5 - k) * std::sqrt(solver.eigenvalues()(5 - k));
        EXPECT_NEAR(std::min((l.col(k) - v).norm(), (l.col(k) + v).norm()), 0, 1e-9) << "factor " << k + 1;
    }
    // Component scores have unit variance and no correlation.
    MatrixXd scores(300, 6);
    for (Eigen::Index c = 0; c < 6; ++c) {
        for (Eigen::Index row = 0; row < 300; ++row) scores(row, c) = f.scores(std::size_t(row + 1), std::size_t(c + 1));
    }
    const MatrixXd centred = scores.rowwise() - scores.colwise().mean();
    EXPECT_NEAR(((centred.transpose() * centred) / 299 - MatrixXd::Identity(6, 6)).norm(), 0, 1e-10);
}

// With the largest |r| on the diagonal the reduced matrix is indefinite: its negative
// eigenvalues keep their sign, count in the percentages and are never retained.
TEST(FactorAnalysis, SignedEigenvaluesOfAnIndefiniteReducedMatrix)
{
    const Columns x = SimpleStructure(40, 8, 2, 2);
    Factoring f = Factor(x, {1, 0, 1e-3, 0, 8, -1e300, 1, 1, 0});
    ASSERT_EQ(f.status, kOk);
    std::vector<double> largest(8, 0.0);
    const MatrixXd r = Correlations(x, largest);
    for (std::size_t i = 0; i < 8; ++i) largest[i] = r.row(Eigen::Index(i)).cwiseAbs().maxCoeff();
    const Eigen::VectorXd lambda = DescendingEigenvalues(Correlations(x, largest));
    ASSERT_LT(lambda(7), 0);
    for (std::size_t i = 1; i <= 8; ++i) EXPECT_NEAR(f.eigenvalues(i, 1), lambda(Eigen::Index(i - 1)), 1e-12);
    EXPECT_NEAR(f.eigenvalues(8, 3), 100 * lambda.sum() / 8, 1e-10);
    EXPECT_EQ(f.stats[3], static_cast<double>((lambda.array() > 0).count()));
}

// Iterated principal axes stop at a fixed point: the last pass's communalities are
// those of an extraction from its own diagonal, within the tolerance.
TEST(FactorAnalysis, IteratedCommunalitiesReachTheirFixedPoint)
{
    const Columns x = SimpleStructure(500, 6, 2, 3);
    Factoring f = Factor(x, {1, 1, 1e-9, 200, 2, 0, 1, 1, 0});
    ASSERT_EQ(f.status, kOk);
    const auto t = static_cast<std::size_t>(f.stats[2]);
    ASSERT_GT(t, 2u);
    ASSERT_LT(t, 200u);
    std::vector<double> previous(6);
    for (std::size_t i = 0; i < 6; ++i) previous[i] = f.communalities(i + 1, t);
    Eigen::SelfAdjointEigenSolver<MatrixXd> solver(Correlations(x, previous));
    for (std::size_t i = 1; i <= 6; ++i) {
        const auto row = Eigen::Index(i - 1);
        const double h = solver.eigenvalues()(5) * std::pow(solver.eigenvectors()(row, 5), 2) +
                         solver.eigenvalues()(4) * std::pow(solver.eigenvectors()(row, 4), 2);
        EXPECT_NEAR(f.communalities(i, t + 1), h, 1e-12);
        EXPECT_NEAR(f.communalities(i, t + 1), f.communalities(i, t), 1e-9);
    }
    // One extraction writes two columns.
    Factoring once = Factor(x, {1, 0, 1e-9, 0, 2, 0, 1, 1, 0});
    EXPECT_EQ(once.stats[2], 1);
    EXPECT_EQ(once.communalities(1, 3), kUntouched);
}

// Criterion and its gradient (for a maximum) of raw varimax or quartimax.
double Criterion(const MatrixXd& l, bool varimax)
{
    const MatrixXd squares = l.array().square();
    if (!varimax) return squares.array().square().sum();
    const double p = double(l.rows());
    return (p * squares.array().square().colwise().sum() - squares.colwise().sum().array().square()).sum() / (p * p);
}

MatrixXd Gradient(const MatrixXd& l, bool varimax)
{
    if (!varimax) return 4 * l.array().cube();
    const MatrixXd squares = l.array().square();
    return 4 / double(l.rows()) * l.array() * (squares.rowwise() - squares.colwise().mean()).array();
}

// Jennrich's gradient projection (Psychometrika 66, 2001) over orthogonal T, from
// T = I, with step halving: the criterion's optimum near the unrotated loadings a.
MatrixXd GradientProjection(const MatrixXd& a, bool varimax)
{
    MatrixXd t = MatrixXd::Identity(a.cols(), a.cols());
    double step = 1;
    for (int iteration = 0; iteration < 10000; ++iteration) {
        const MatrixXd g = a.transpose() * Gradient(a * t, varimax), m = t.transpose() * g;
        const MatrixXd projected = g - t * (m + m.transpose()) / 2;
        if (projected.norm() < 1e-11) break;
        const double f = Criterion(a * t, varimax);
        for (step *= 2; step > 1e-14; step /= 2) {
            Eigen::JacobiSVD<MatrixXd> svd(t + step * projected, Eigen::ComputeFullU | Eigen::ComputeFullV);
            const MatrixXd next = svd.matrixU() * svd.matrixV().transpose();
            if (Criterion(a * next, varimax) > f) {
                t = next;
                break;
            }
        }
    }
    return a * t;
}

TEST(FactorAnalysis, RotationsReachTheGradientProjectionOptimum)
{
    const Columns x = SimpleStructure(500, 9, 3, 4);
    const MatrixXd unrotated = Factor(x, {0, 0, 1e-3, 0, 3, 0, 1, 1, 0}).Loadings();
    const Eigen::VectorXd rowNorms = unrotated.rowwise().norm();
    for (const bool varimax : {true, false}) {
        for (const bool normalise : {false, true}) {
            SCOPED_TRACE(::testing::Message() << (varimax ? "varimax" : "quartimax") << (normalise ? ", normalised" : ""));
            Factoring f = Factor(x, {0, 0, 1e-3, 0, 3, 0, varimax ? 1.0 : 0.0, 0, normalise ? 1.0 : 0.0});
            ASSERT_EQ(f.status, kOk);
            const MatrixXd rotated = f.Loadings();
            const MatrixXd scale = normalise ? MatrixXd(rowNorms.asDiagonal()) : MatrixXd::Identity(9, 9);
            const MatrixXd optimum = scale * GradientProjection(scale.inverse() * unrotated, varimax);
            EXPECT_NEAR(Criterion(scale.inverse() * rotated, varimax), Criterion(scale.inverse() * optimum, varimax), 1e-6);
            for (Eigen::Index k = 0; k < 3; ++k) {
                Eigen::Index match = 0;
                (optimum.transpose() * rotated.col(k)).cwiseAbs().maxCoeff(&match);
                const double sign = optimum.col(match).dot(rotated.col(k)) > 0 ? 1 : -1;
                EXPECT_LT((rotated.col(k) - sign * optimum.col(match)).cwiseAbs().maxCoeff(), 1e-3);
                // Each rotated factor's largest absolute loading is positive.
                Eigen::Index largest = 0;
                rotated.col(k).cwiseAbs().maxCoeff(&largest);
                EXPECT_GT(rotated(largest, k), 0);
            }
        }
    }
}

// A row with an empty cell gets MissingValue scores and moves nothing else; the complete
// rows end up at the top of the data in their order.
TEST(FactorAnalysis, MissingRowsKeepTheScoresOfTheOthers)
{
    const Columns x = SimpleStructure(600, 5, 2, 5);
    Columns gappy = x;
    for (std::size_t r = 3; r < 600; r += 7) gappy[r % 5][r] = kMissing;
    Factoring some = Factor(gappy, {1, 1, 1e-6, 30, 2, 0, 1, 0, 1});
    ASSERT_EQ(some.status, kOk);
    std::size_t complete = 0;
    for (std::size_t r = 1; r <= 600; ++r) {
        const bool missing = (r - 1) % 7 == 3;
        for (std::size_t k = 1; k <= 2; ++k) {
            EXPECT_EQ(IsMissing(some.scores(r, k)), missing) << "row " << r;
        }
        if (missing) continue;
        ++complete;
        for (std::size_t j = 1; j <= 5; ++j) EXPECT_EQ(some.data(complete, j), x[j - 1][r - 1]);
    }
    EXPECT_EQ(some.stats[1], static_cast<double>(complete));
    // Scores of the complete rows alone, without the incomplete ones.
    Columns kept(5);
    for (std::size_t j = 0; j < 5; ++j) {
        const std::vector<double> column = some.data.Column(j + 1);
        kept[j].assign(column.begin(), column.begin() + static_cast<std::ptrdiff_t>(complete));
    }
    Factoring alone = Factor(kept, {1, 1, 1e-6, 30, 2, 0, 1, 0, 1});
    for (std::size_t r = 1, c = 0; r <= 600; ++r) {
        if ((r - 1) % 7 == 3) continue;
        ++c;
        for (std::size_t k = 1; k <= 2; ++k) EXPECT_EQ(some.scores(r, k), alone.scores(c, k));
    }
}

// Data scaled by 1e200 or 1e-200 give the same tables and scores: sums are taken in units
// of each variable's range.
TEST(FactorAnalysis, ScaleOfTheDataChangesNothing)
{
    const Columns x = SimpleStructure(200, 4, 2, 6);
    Factoring reference = Factor(x, {1, 1, 1e-6, 20, 2, 0, 1, 0, 1});
    for (const double scale : {1e200, 1e-200}) {
        Columns scaled = x;
        for (auto& column : scaled) {
            for (double& value : column) value *= scale;
        }
        Factoring f = Factor(scaled, {1, 1, 1e-6, 20, 2, 0, 1, 0, 1});
        ASSERT_EQ(f.status, kOk) << scale;
        EXPECT_LT((f.Loadings() - reference.Loadings()).cwiseAbs().maxCoeff(), 1e-12) << scale;
        for (std::size_t r = 1; r <= 200; ++r) EXPECT_NEAR(f.scores(r, 2), reference.scores(r, 2), 1e-11) << scale;
    }
}

// Two uncorrelated variables: r = 0 enters as 0.001, so the eigenvalues are 1 ± 0.001.
TEST(FactorAnalysis, ZeroCorrelationEntersAsOneThousandth)
{
    Factoring f = Factor({{1, 2, 3, 4}, {1, -1, -1, 1}}, {0, 0, 1e-3, 0, 2, 0, 1, 1, 0});
    ASSERT_EQ(f.status, kOk);
    EXPECT_NEAR(f.eigenvalues(1, 1), 1.001, 1e-15);
    EXPECT_NEAR(f.eigenvalues(2, 1), 0.999, 1e-15);
}

RealMatrix Work(const MatrixXd& x)
{
    RealMatrix work(1, std::size_t(x.rows()), 1, std::size_t(x.cols()));
    for (Eigen::Index i = 0; i < x.rows(); ++i) {
        for (Eigen::Index j = 0; j < x.cols(); ++j) work[i + 1][j + 1] = x(i, j);
    }
    return work;
}

// Factor 2 has the larger variance and comes first; variables 1 and 2 load equally on
// both and go under it; a loading beyond 2 is placed like any other.
TEST(FactorAnalysis, LoadingsTableGroupsVariablesByDominantFactor)
{
    MatrixXd l(4, 2);
    l << 0.5, 0.5, 0.6, -0.6, 0.3, 2.5, 0.9, 0.1;
    RealHostArray table(6, 4, 1);
    RealVector h(1, 4), s(1, 2);
    IntVector order(1, 2);
    for (int32_t i = 1; i <= 4; ++i) h[i] = i / 10.0;
    HostArray** ref = table.ref();
    OrderLoadings(Work(l), 4, 2, h, s, order, RealMatrixView(ref));
    const std::vector<double> expected = {3, 2, 1, 4, 0, 0,  2.5, -0.6, 0.5, 0.1, 6.87, 100 * 6.87 / 4,
                                          0.3, 0.6, 0.5, 0.9, 1.51, 100 * 1.51 / 4,  0.3, 0.2, 0.1, 0.4, 8.38, 100 * 8.38 / 4};
    for (std::size_t k = 0; k < expected.size(); ++k) {
        if (k % 6 < 4 || k >= 6) {
            EXPECT_NEAR(table(k % 6 + 1, k / 6 + 1), expected[k], 1e-13) << "cell " << k;
        }
    }
    EXPECT_EQ(order[1], 2);
}

// One cycle of quartimax on a pair whose tangent of 4φ has a zero divisor: N = 0 with
// D < 0 turns by 45° (to the simple structure), D = 0 with N < 0 by −22.5°; a variable
// of communality 0 under normalisation stays 0. No division by zero on the way.
TEST(FactorAnalysis, RotationAnglesAtZeroDivisors)
{
    const double c = std::cos(std::numbers::pi / 8), s = std::sin(std::numbers::pi / 8), root2 = std::sqrt(2.0);
    MatrixXd first(2, 2), second(8, 2), expected(8, 2);
    first << 1, 1, 1, -1;
    second << MatrixXd::Zero(8, 2);
    second.col(0).setOnes();
    second.row(0) << 2, -1;
    expected.col(0).setConstant(c);
    expected.col(1).setConstant(s);
    expected.row(0) << 2 * c + s, 2 * s - c;
    const MatrixXd simple = (MatrixXd(2, 2) << 0, root2, root2, 0).finished();
    for (const auto& [loadings, want] : {std::pair{first, simple}, std::pair{second, expected}}) {
        std::feclearexcept(FE_ALL_EXCEPT);
        RealMatrix l = Work(loadings), b = Work(loadings), rotated = Work(loadings);
        const auto p = int32_t(loadings.rows());
        RotateFactors(b, l, rotated, p, 2, 1, false, false);
        EXPECT_FALSE(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW));
        for (int32_t i = 1; i <= p; ++i) {
            EXPECT_NEAR(rotated[i][1], want(i - 1, 0), 1e-8);
            EXPECT_NEAR(rotated[i][2], want(i - 1, 1), 1e-8);
        }
    }
    MatrixXd withZero(3, 2);
    withZero << 0.8, 0.3, 0, 0, 0.2, 0.7;
    RealMatrix l = Work(withZero), b = Work(withZero), rotated = Work(withZero);
    std::feclearexcept(FE_ALL_EXCEPT);
    RotateFactors(b, l, rotated, 3, 2, 100, true, true);
    EXPECT_FALSE(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW));
    EXPECT_EQ(rotated[2][1], 0);
    EXPECT_EQ(rotated[2][2], 0);
    EXPECT_NEAR(std::hypot(rotated[3][1], rotated[3][2]), std::hypot(0.2, 0.7), 1e-15);
}

}  // namespace
}  // namespace sheetstat::testing
