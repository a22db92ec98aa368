// LU decomposition and inversion: the worked small cases, singular and non-finite
// matrices, and random matrices against Eigen's partial-pivoting LU.
#include "numeric/lu_decomposition.hpp"

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include "frame/export_frame.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

using Rows = std::vector<std::vector<double>>;

RealMatrix MakeMatrix(const Rows& rows)
{
    const std::size_t n = rows.size();
    RealMatrix a(1, n, 1, n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            a[static_cast<std::ptrdiff_t>(i + 1)][static_cast<std::ptrdiff_t>(j + 1)] = rows[i][j];
    return a;
}

RealMatrix FromEigen(const Eigen::MatrixXd& m)
{
    Rows rows(static_cast<std::size_t>(m.rows()), std::vector<double>(static_cast<std::size_t>(m.cols())));
    for (Eigen::Index i = 0; i < m.rows(); ++i)
        for (Eigen::Index j = 0; j < m.cols(); ++j) rows[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = m(i, j);
    return MakeMatrix(rows);
}

int32_t Order(const Rows& rows)
{
    return static_cast<int32_t>(rows.size());
}

// The status an export would return for InvertMatrix on `rows`.
int32_t InversionStatus(const Rows& rows)
{
    return RunExport([&] {
        RealMatrix a = MakeMatrix(rows);
        InvertMatrix(a, Order(rows));
    });
}

TEST(InvertMatrix, WorkedCases)
{
    {
        RealMatrix a = MakeMatrix({{4.0}});
        InvertMatrix(a, 1);
        EXPECT_EQ(a[1][1], 0.25);
    }
    {
        // Both rows have the same scaled magnitude in column 1: the last one pivots.
        RealMatrix a = MakeMatrix({{2.0, 1.0}, {2.0, -1.0}});
        IntVector index(1, 2);
        RealVector scale(1, 2);
        double parity = 0.0;
        LuDecompose(a, 2, index, parity, scale);
        EXPECT_EQ(index[1], 2);
        EXPECT_EQ(index[2], 2);
        EXPECT_EQ(parity, -1.0);
        RealMatrix b = MakeMatrix({{2.0, 1.0}, {2.0, -1.0}});
        InvertMatrix(b, 2);
        const double expected[2][2] = {{0.25, 0.25}, {0.5, -0.5}};
        for (int i = 1; i <= 2; ++i)
            for (int j = 1; j <= 2; ++j) EXPECT_EQ(b[i][j], expected[i - 1][j - 1]) << i << ", " << j;
    }
    {
        const Rows identity = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
        RealMatrix a = MakeMatrix(identity);
        IntVector index(1, 4);
        RealVector scale(1, 4);
        double parity = 0.0;
        LuDecompose(a, 4, index, parity, scale);
        EXPECT_EQ(parity, 1.0);
        for (int j = 1; j <= 4; ++j) EXPECT_EQ(index[j], j);
        RealMatrix b = MakeMatrix(identity);
        InvertMatrix(b, 4);
        for (int i = 1; i <= 4; ++i)
            for (int j = 1; j <= 4; ++j) EXPECT_EQ(b[i][j], i == j ? 1.0 : 0.0);
    }
}

TEST(InvertMatrix, SingularOrNonFiniteIsStatus7)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const Rows cases[] = {
        {{0.0}},
        {{1.0, 2.0, 3.0}, {0.0, 0.0, 0.0}, {4.0, 5.0, 7.0}},  // a row of zeros
        {{1.0, 2.0}, {2.0, 4.0}},                              // dependent rows: a zero pivot
        {{nan, 1.0}, {nan, 2.0}},                              // a column of NaN
        {{1.0, inf}, {2.0, 3.0}},
        {{1e-310, 0.0}, {0.0, 1.0}},  // its inverse overflows
    };
    for (const Rows& rows : cases) EXPECT_EQ(InversionStatus(rows), testing::kNumericalFailure) << rows[0][0];
    EXPECT_EQ(InversionStatus({}), testing::kOk);  // order 0: nothing to do
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
            const auto order = static_cast<int32_t>(n);
            const double tolerance = 1e-13 * static_cast<double>(n);

            RealMatrix a = FromEigen(m);
            InvertMatrix(a, order);
            const Eigen::MatrixXd inverse = reference.inverse();
            for (Eigen::Index i = 0; i < n; ++i)
                for (Eigen::Index j = 0; j < n; ++j) EXPECT_NEAR(a[i + 1][j + 1], inverse(i, j), tolerance);

            // The factors: one solve, and the determinant from the parity and U's diagonal.
            RealMatrix lu = FromEigen(m);
            IntVector index(1, static_cast<std::size_t>(n));
            RealVector scale(1, static_cast<std::size_t>(n));
            double parity = 0.0;
            LuDecompose(lu, order, index, parity, scale);
            double determinant = parity;
            for (int32_t j = 1; j <= order; ++j) determinant *= lu[j][j];
            EXPECT_NEAR(determinant / reference.determinant(), 1.0, 1e-12);
            const Eigen::VectorXd rhs = random(n, 1);
            const Eigen::VectorXd solution = reference.solve(rhs);
            RealVector b(1, static_cast<std::size_t>(n));
            for (Eigen::Index i = 0; i < n; ++i) b[i + 1] = rhs(i);
            LuBackSubstitute(lu, order, index, b);
            for (Eigen::Index i = 0; i < n; ++i) EXPECT_NEAR(b[i + 1], solution(i), tolerance);
        }
    }
}

TEST(InvertMatrix, EachAllocationFailureGivesNoMemory)
{
    testing::ExpectEachAllocationFailureGivesNoMemory([] { return InversionStatus({{2, 1, 0}, {1, 3, 1}, {0, 1, 4}}); });
}

}  // namespace
}  // namespace sheetstat
