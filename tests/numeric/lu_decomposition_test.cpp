// LU decomposition and inversion: the worked small cases, singular and non-finite
// matrices, and random matrices against Eigen's partial-pivoting LU.
#include "numeric/lu_decomposition.hpp"

#include <limits>
#include <random>

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include "frame/export_frame.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

RealMatrix ToWork(const Eigen::MatrixXd& m)
{
    RealMatrix a(1, static_cast<std::size_t>(m.rows()), 1, static_cast<std::size_t>(m.cols()));
    for (Eigen::Index i = 0; i < m.rows(); ++i)
        for (Eigen::Index j = 0; j < m.cols(); ++j) a[i + 1][j + 1] = m(i, j);
    return a;
}

Eigen::MatrixXd FromWork(const RealMatrix& a)
{
    Eigen::MatrixXd m(a.rows(), a.cols());
    for (Eigen::Index i = 0; i < m.rows(); ++i)
        for (Eigen::Index j = 0; j < m.cols(); ++j) m(i, j) = a[i + 1][j + 1];
    return m;
}

Eigen::MatrixXd Matrix(Eigen::Index n, std::initializer_list<double> rowMajor)
{
    Eigen::MatrixXd m(n, n);
    auto value = rowMajor.begin();
    for (Eigen::Index i = 0; i < n; ++i)
        for (Eigen::Index j = 0; j < n; ++j) m(i, j) = *value++;
    return m;
}

struct Factors {
    RealMatrix lu;
    IntVector index;
    double parity = 0.0;
};

Factors Decompose(const Eigen::MatrixXd& m)
{
    const auto n = static_cast<std::size_t>(m.rows());
    Factors f{ToWork(m), IntVector(1, n)};
    RealVector scale(1, n);
    LuDecompose(f.lu, static_cast<int32_t>(n), f.index, f.parity, scale);
    return f;
}

// m inverted, and the status an export would return for it.
std::pair<Eigen::MatrixXd, int32_t> Invert(const Eigen::MatrixXd& m)
{
    Eigen::MatrixXd inverse;
    const int32_t status = RunExport([&] {
        RealMatrix a = ToWork(m);
        InvertMatrix(a, static_cast<int32_t>(m.rows()));
        inverse = FromWork(a);
    });
    return {inverse, status};
}

TEST(InvertMatrix, WorkedCases)
{
    EXPECT_EQ(Invert(Matrix(1, {4.0})).first, Matrix(1, {0.25}));
    // Both rows have the same scaled magnitude in column 1: the last one pivots.
    const Factors f = Decompose(Matrix(2, {2.0, 1.0, 2.0, -1.0}));
    EXPECT_EQ(f.index[1], 2);
    EXPECT_EQ(f.index[2], 2);
    EXPECT_EQ(f.parity, -1.0);
    EXPECT_EQ(Invert(Matrix(2, {2.0, 1.0, 2.0, -1.0})).first, Matrix(2, {0.25, 0.25, 0.5, -0.5}));
    const Eigen::MatrixXd identity = Eigen::MatrixXd::Identity(4, 4);
    const Factors g = Decompose(identity);
    EXPECT_EQ(g.parity, 1.0);
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(g.index[j], j);
    EXPECT_EQ(Invert(identity).first, identity);
}

TEST(InvertMatrix, SingularOrNonFiniteIsStatus7)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const Eigen::MatrixXd cases[] = {
        Matrix(1, {0.0}),
        Matrix(3, {1.0, 2.0, 3.0, 0.0, 0.0, 0.0, 4.0, 5.0, 7.0}),  // a row of zeros
        Matrix(2, {1.0, 2.0, 2.0, 4.0}),                           // dependent rows: a zero pivot
        Matrix(2, {nan, 1.0, nan, 2.0}),                           // a column of NaN
        Matrix(2, {1.0, inf, 2.0, 3.0}),
        Matrix(2, {1e-310, 0.0, 0.0, 1.0}),  // its inverse overflows
    };
    for (const Eigen::MatrixXd& m : cases) EXPECT_EQ(Invert(m).second, testing::kNumericalFailure) << m;
    EXPECT_EQ(Invert(Eigen::MatrixXd(0, 0)).second, testing::kOk);  // order 0: nothing to do
}

// Random matrices A = U·D·V with U, V orthogonal and singular values in [1, 100], so
// pivoting is exercised and the condition number stays at most 100.
TEST(LuDecompose, AgreesWithEigenOnRandomMatrices)
{
    std::mt19937 generator(11);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::uniform_real_distribution<double> singular(1.0, 100.0);
    auto random = [&](Eigen::Index rows, Eigen::Index cols) {
        return Eigen::MatrixXd::NullaryExpr(rows, cols, [&] { return uniform(generator); }).eval();
    };
    for (const Eigen::Index n : {1, 2, 3, 5, 8, 13, 40}) {
        for (int trial = 0; trial < 5; ++trial) {
            SCOPED_TRACE(::testing::Message() << "n = " << n << ", trial " << trial);
            const Eigen::MatrixXd u = Eigen::HouseholderQR<Eigen::MatrixXd>(random(n, n)).householderQ();
            const Eigen::MatrixXd v = Eigen::HouseholderQR<Eigen::MatrixXd>(random(n, n)).householderQ();
            Eigen::VectorXd d(n);
            for (Eigen::Index i = 0; i < n; ++i) d(i) = singular(generator) * (uniform(generator) < 0 ? -1 : 1);
            const Eigen::MatrixXd m = u * d.asDiagonal() * v;
            const Eigen::PartialPivLU<Eigen::MatrixXd> reference(m);
            const double tolerance = 1e-13 * static_cast<double>(n);
            EXPECT_LE((Invert(m).first - reference.inverse()).cwiseAbs().maxCoeff(), tolerance);

            // The factors: the determinant from the parity and U's diagonal, and one solve.
            Factors f = Decompose(m);
            double determinant = f.parity;
            for (Eigen::Index j = 1; j <= n; ++j) determinant *= f.lu[j][j];
            EXPECT_NEAR(determinant / reference.determinant(), 1.0, 1e-12);
            const Eigen::VectorXd rhs = random(n, 1);
            RealVector b(1, static_cast<std::size_t>(n));
            for (Eigen::Index i = 0; i < n; ++i) b[i + 1] = rhs(i);
            LuBackSubstitute(f.lu, static_cast<int32_t>(n), f.index, b);
            const Eigen::VectorXd solution = reference.solve(rhs);
            for (Eigen::Index i = 0; i < n; ++i) EXPECT_NEAR(b[i + 1], solution(i), tolerance);
        }
    }
}

}  // namespace
}  // namespace sheetstat
