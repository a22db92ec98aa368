// nkFactorA: eigenvalues (signed) against Eigen's symmetric solver, component scores,
// iterated communalities at their fixed point, varimax and quartimax against the optimum
// of a gradient-projection rotation, missing rows and scale, the loadings table, and the
// rotation angles whose tangent has a zero divisor.
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

using Eigen::Index;
using Eigen::MatrixXd;
using Eigen::VectorXd;
using Columns = std::vector<std::vector<double>>;
constexpr double kUntouched = -7.25;

// The cells of a host array indexed from 1.
Eigen::Map<MatrixXd> Cells(RealHostArray& a)
{
    return {&a(1, 1), Index(a.rows()), Index(a.cols())};
}

struct Factoring {
    int32_t status;
    RealHostArray data, communalities, eigenvalues, loadings, scores, stats;

    // Loadings by variable number (rows) in the table's factor order (columns).
    MatrixXd Loadings()
    {
        const auto p = Index(data.cols()), m = Index(stats[3]);
        MatrixXd l(p, m);
        for (Index q = 0; q < p; ++q) l.row(Index(Cells(loadings)(q, 0)) - 1) = Cells(loadings).block(q, 1, 1, m);
        return l;
    }
};

// options: slots 1 to 7, 9 and 10. Result arrays at their largest shapes.
Factoring Factor(const Columns& columns, std::vector<double> options)
{
    options.insert(options.begin() + 7, kMissing);
    const std::size_t p = columns.size(), n = columns[0].size(), passes = options[1] != 0 ? std::size_t(options[3]) : 1;
    Factoring f{0, RealHostArray::FromColumns(columns), RealHostArray(p, passes + 2, 1), RealHostArray(p, 3, 1),
                RealHostArray(p + 2, p + 2, 1), RealHostArray(n, p, 1), RealHostArray(3)};
    Cells(f.communalities).col(Index(passes + 1)).setConstant(kUntouched);
    RealHostArray slots = RealHostArray::FromValues(options);
    f.status = nkFactorA(slots.ref(), f.data.ref(), f.communalities.ref(), f.eigenvalues.ref(), f.loadings.ref(),
                         f.scores.ref(), f.stats.ref());
    return f;
}

// n cases of p variables on an offset of 100, variable j loading 0.8 on factor j mod
// factors and 0.3 on the next, plus noise.
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

// The correlation matrix by CorrelatePair, pair by pair; on the diagonal 1, or the
// largest |r| of the row.
MatrixXd Correlations(const Columns& x, bool largestOnDiagonal)
{
    const auto p = Index(x.size());
    MatrixXd r = MatrixXd::Zero(p, p);
    for (Index i = 0; i < p; ++i) {
        for (Index j = 0; j < p; ++j) {
            const auto &a = x[std::size_t(i)], &b = x[std::size_t(j)];
            if (i != j) r(i, j) = CorrelatePair(a.size(), a.data(), b.data()).r;
        }
    }
    for (Index i = 0; i < p; ++i) r(i, i) = largestOnDiagonal ? r.row(i).cwiseAbs().maxCoeff() : 1.0;
    return r;
}

double LargestDifference(const MatrixXd& a, const MatrixXd& b)
{
    return (a - b).cwiseAbs().maxCoeff();
}

TEST(FactorAnalysis, PrincipalComponentsAgainstSymmetricEigenSolver)
{
    const Columns x = SimpleStructure(300, 6, 2, 1);
    // Every factor with a positive eigenvalue (slot 5 beyond p), unrotated.
    Factoring f = Factor(x, {0, 0, 1e-3, 0, 100, 0, 1, 1, 0});
    ASSERT_EQ(f.status, kOk);
    Eigen::SelfAdjointEigenSolver<MatrixXd> solver(Correlations(x, false));
    const VectorXd lambda = solver.eigenvalues().reverse();
    VectorXd cumulative = 100 * lambda / 6;
    for (Index i = 1; i < 6; ++i) cumulative(i) += cumulative(i - 1);
    EXPECT_LT(LargestDifference(Cells(f.eigenvalues).col(0), lambda), 1e-12);
    EXPECT_LT(LargestDifference(Cells(f.eigenvalues).col(1), 100 * lambda / 6), 1e-10);
    EXPECT_LT(LargestDifference(Cells(f.eigenvalues).col(2), cumulative), 1e-10);
    EXPECT_LT(LargestDifference(Cells(f.communalities).col(1), VectorXd::Ones(6)), 1e-12);
    EXPECT_EQ(f.stats.Slots(), (std::vector<double>{300, 1, 6}));
    // Loadings: each column is sqrt(λ)·eigenvector, up to its sign.
    const MatrixXd l = f.Loadings();
    for (Index k = 0; k < 6; ++k) {
        const VectorXd v = solver.eigenvectors().col(5 - k) * std::sqrt(lambda(k));
        EXPECT_LT(std::min((l.col(k) - v).norm(), (l.col(k) + v).norm()), 1e-9) << "factor " << k + 1;
    }
    // Component scores have unit variance and no correlation.
    const MatrixXd centred = Cells(f.scores).rowwise() - Cells(f.scores).colwise().mean();
    EXPECT_LT(LargestDifference(centred.transpose() * centred / 299, MatrixXd::Identity(6, 6)), 1e-10);
}

// With the largest |r| on the diagonal the reduced matrix is indefinite: its negative
// eigenvalues keep their sign, count in the percentages and are never retained.
TEST(FactorAnalysis, SignedEigenvaluesOfAnIndefiniteReducedMatrix)
{
    const Columns x = SimpleStructure(40, 8, 2, 2);
    Factoring f = Factor(x, {1, 0, 1e-3, 0, 8, -1e300, 1, 1, 0});
    ASSERT_EQ(f.status, kOk);
    const VectorXd lambda = Eigen::SelfAdjointEigenSolver<MatrixXd>(Correlations(x, true)).eigenvalues().reverse();
    ASSERT_LT(lambda(7), 0);
    EXPECT_LT(LargestDifference(Cells(f.eigenvalues).col(0), lambda), 1e-12);
    EXPECT_NEAR(f.eigenvalues(8, 3), 100 * lambda.sum() / 8, 1e-10);
    EXPECT_EQ(f.stats[3], double((lambda.array() > 0).count()));
}

// Iterated principal axes stop at a fixed point: the last communalities are those of an
// extraction from the previous ones on the diagonal, and equal them within the tolerance.
// One extraction writes two columns.
TEST(FactorAnalysis, IteratedCommunalitiesReachTheirFixedPoint)
{
    const Columns x = SimpleStructure(500, 6, 2, 3);
    Factoring f = Factor(x, {1, 1, 1e-9, 200, 2, 0, 1, 1, 0});
    ASSERT_EQ(f.status, kOk);
    const auto t = Index(f.stats[2]);
    ASSERT_GT(t, 2);
    ASSERT_LT(t, 200);
    MatrixXd reduced = Correlations(x, false);
    reduced.diagonal() = Cells(f.communalities).col(t - 1);
    Eigen::SelfAdjointEigenSolver<MatrixXd> solver(reduced);
    const MatrixXd l = solver.eigenvectors().rightCols(2) * solver.eigenvalues().tail(2).cwiseSqrt().asDiagonal();
    EXPECT_LT(LargestDifference(Cells(f.communalities).col(t), l.rowwise().squaredNorm()), 1e-12);
    EXPECT_LT(LargestDifference(Cells(f.communalities).col(t), Cells(f.communalities).col(t - 1)), 1e-9);
    Factoring once = Factor(x, {1, 0, 1e-9, 0, 2, 0, 1, 1, 0});
    EXPECT_EQ(once.stats[2], 1);
    EXPECT_EQ(once.communalities(1, 3), kUntouched);
}

// Raw varimax or quartimax criterion, and its gradient.
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

// Jennrich's gradient projection over orthogonal T (Psychometrika 66, 2001), from T = I
// with step halving: the criterion's maximum nearest the unrotated loadings a.
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
    for (const bool varimax : {true, false}) {
        for (const bool normalise : {false, true}) {
            SCOPED_TRACE(::testing::Message() << (varimax ? "varimax" : "quartimax") << (normalise ? ", normalised" : ""));
            const MatrixXd scale = normalise ? MatrixXd(unrotated.rowwise().norm().asDiagonal()) : MatrixXd::Identity(9, 9);
            const MatrixXd optimum = scale * GradientProjection(scale.inverse() * unrotated, varimax);
            Factoring f = Factor(x, {0, 0, 1e-3, 0, 3, 0, double(varimax), 0, double(normalise)});
            ASSERT_EQ(f.status, kOk);
            const MatrixXd rotated = f.Loadings();
            EXPECT_NEAR(Criterion(scale.inverse() * rotated, varimax), Criterion(scale.inverse() * optimum, varimax), 1e-6);
            for (Index k = 0; k < 3; ++k) {
                // The same factor up to order and sign; its largest absolute loading positive.
                Index match = 0, largest = 0;
                (optimum.transpose() * rotated.col(k)).cwiseAbs().maxCoeff(&match);
                const double sign = optimum.col(match).dot(rotated.col(k)) > 0 ? 1 : -1;
                EXPECT_LT(LargestDifference(rotated.col(k), sign * optimum.col(match)), 1e-3);
                rotated.col(k).cwiseAbs().maxCoeff(&largest);
                EXPECT_GT(rotated(largest, k), 0);
            }
        }
    }
}

// A row with an empty cell gets MissingValue scores and moves nothing else: the other
// rows' scores are those of the complete rows alone, which end up at the top of the data
// in their order. Data scaled by 1e200 or 1e-200 give the same loadings and scores.
TEST(FactorAnalysis, MissingRowsAndScale)
{
    const std::vector<double> options{1, 1, 1e-6, 30, 2, 0, 1, 0, 1};
    const Columns x = SimpleStructure(600, 5, 2, 5);
    Columns gappy = x, complete(5);
    for (std::size_t r = 0; r < 600; ++r) {
        if (r % 7 == 3) gappy[r % 5][r] = kMissing;
        for (std::size_t j = 0; j < 5 && r % 7 != 3; ++j) complete[j].push_back(x[j][r]);
    }
    Factoring some = Factor(gappy, options), alone = Factor(complete, options);
    ASSERT_EQ(some.status, kOk);
    EXPECT_EQ(some.stats[1], double(complete[0].size()));
    for (std::size_t r = 0, c = 0; r < 600; ++r) {
        const bool missing = r % 7 == 3;
        for (std::size_t k = 1; k <= 2; ++k) {
            EXPECT_EQ(IsMissing(some.scores(r + 1, k)), missing) << "row " << r + 1;
            if (!missing) {
                EXPECT_EQ(some.scores(r + 1, k), alone.scores(c + 1, k)) << "row " << r + 1;
            }
        }
        c += !missing;
    }
    EXPECT_TRUE(Cells(some.data).topRows(Index(complete[0].size())) == Cells(alone.data));
    for (const double scale : {1e200, 1e-200}) {
        Columns scaled = complete;
        for (auto& column : scaled) {
            for (double& value : column) value *= scale;
        }
        Factoring f = Factor(scaled, options);
        ASSERT_EQ(f.status, kOk) << scale;
        EXPECT_LT(LargestDifference(f.Loadings(), alone.Loadings()), 1e-12) << scale;
        EXPECT_LT(LargestDifference(Cells(f.scores), Cells(alone.scores)), 1e-11) << scale;
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
    for (Index i = 0; i < x.rows(); ++i) {
        for (Index j = 0; j < x.cols(); ++j) work[i + 1][j + 1] = x(i, j);
    }
    return work;
}

// Factor 2 has the larger variance and comes first; variables 1 and 2 load equally on
// both and go under it; a loading beyond 2 is placed like any other.
TEST(FactorAnalysis, LoadingsTableGroupsVariablesByDominantFactor)
{
    MatrixXd l(4, 2), expected(6, 4);
    l << 0.5, 0.5, 0.6, -0.6, 0.3, 2.5, 0.9, 0.1;
    expected << 3, 2.5, 0.3, 0.3, 2, -0.6, 0.6, 0.2, 1, 0.5, 0.5, 0.1, 4, 0.1, 0.9, 0.4, kUntouched, 6.87, 1.51, 8.38,
        kUntouched, 687 / 4.0, 151 / 4.0, 838 / 4.0;
    RealHostArray table(6, 4, 1);
    Cells(table).setConstant(kUntouched);
    RealVector h(1, 4), s(1, 2);
    IntVector order(1, 2);
    for (int32_t i = 1; i <= 4; ++i) h[i] = i / 10.0;
    OrderLoadings(Work(l), 4, 2, h, s, order, RealMatrixView(table.ref()));
    EXPECT_LT(LargestDifference(Cells(table), expected), 1e-13);
}

// Quartimax on pairs whose tangent of 4φ has a zero divisor, one cycle: N = 0 with D < 0
// turns by 45° to the simple structure, D = 0 with N < 0 by −22.5°. Normalised varimax
// leaves a variable of communality 0 at 0. No division by zero on the way.
TEST(FactorAnalysis, RotationAnglesAtZeroDivisors)
{
    const double c = std::cos(std::numbers::pi / 8), s = std::sin(std::numbers::pi / 8), root2 = std::sqrt(2.0);
    MatrixXd nZero(2, 2), nZeroRotated(2, 2), dZero(8, 2), dZeroRotated(8, 2), zeroRow(3, 2);
    nZero << 1, 1, 1, -1;
    nZeroRotated << 0, root2, root2, 0;
    dZero << 2, -1, VectorXd::Ones(7), VectorXd::Zero(7);
    dZeroRotated << 2 * c + s, 2 * s - c, VectorXd::Constant(7, c), VectorXd::Constant(7, s);
    zeroRow << 0.8, 0.3, 0, 0, 0.2, 0.7;
    const struct {
        MatrixXd before, after;
        bool varimax;
    } cases[] = {{nZero, nZeroRotated, false}, {dZero, dZeroRotated, false}, {zeroRow, zeroRow, true}};
    for (const auto& rotation : cases) {
        RealMatrix l = Work(rotation.before), b = Work(rotation.before), rotated = Work(rotation.before);
        const auto p = int32_t(rotation.before.rows());
        std::feclearexcept(FE_ALL_EXCEPT);
        RotateFactors(b, l, rotated, p, 2, rotation.varimax ? 100 : 1, rotation.varimax, rotation.varimax);
        EXPECT_FALSE(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW));
        for (int32_t i = 1; i <= p; ++i) {
            const VectorXd row{{rotated[i][1], rotated[i][2]}};
            const double tolerance = rotation.varimax ? 1e-15 : 1e-8;  // the rotation's 45° is 0.707106781
            const VectorXd want = rotation.after.row(i - 1).transpose();
            EXPECT_LT(rotation.varimax ? std::fabs(row.norm() - want.norm()) : LargestDifference(row, want), tolerance);
        }
    }
}

}  // namespace
}  // namespace sheetstat::testing
