// The singular value decomposition against Eigen's Jacobi SVD. (The solution and
// covariance from the factors are checked through the fits, svd_fit_test.cpp.)
#include "numeric/svd.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include "frame/status.hpp"

namespace sheetstat {
namespace {

using Eigen::MatrixXd;
using Eigen::VectorXd;

RealMatrix ToWork(const MatrixXd& x)
{
    RealMatrix work(1, static_cast<std::size_t>(x.rows()), 1, static_cast<std::size_t>(x.cols()));
    for (Eigen::Index i = 0; i < x.rows(); ++i) {
        for (Eigen::Index j = 0; j < x.cols(); ++j) work[i + 1][j + 1] = x(i, j);
    }
    return work;
}

MatrixXd ToEigen(const RealMatrix& x, Eigen::Index rows, Eigen::Index cols)
{
    MatrixXd e(rows, cols);
    for (Eigen::Index i = 0; i < rows; ++i) {
        for (Eigen::Index j = 0; j < cols; ++j) e(i, j) = x[i + 1][j + 1];
    }
    return e;
}

struct Decomposition {
    MatrixXd u, v;
    VectorXd w;
};

Decomposition Decompose(const MatrixXd& a)
{
    const auto m = static_cast<int32_t>(a.rows()), n = static_cast<int32_t>(a.cols());
    RealMatrix work = ToWork(a);
    RealVector w(1, static_cast<std::size_t>(n));
    RealMatrix v(1, static_cast<std::size_t>(n), 1, static_cast<std::size_t>(n));
    SvdDecompose(work, m, n, w, v);
    Decomposition d{ToEigen(work, m, n), ToEigen(v, n, n), VectorXd(n)};
    for (int32_t j = 0; j < n; ++j) d.w(j) = w[j + 1];
    return d;
}

Status StatusOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const StatusError& error) {
        return error.code();
    }
    return Status::Ok;
}

// The worked examples: singular values in the order the diagonalisation leaves them.
TEST(SvdDecompose, DocumentedExamplesKeepTheirOrder)
{
    MatrixXd diagonal(2, 2);
    diagonal << 3, 0, 0, -2;
    Decomposition d = Decompose(diagonal);
    EXPECT_DOUBLE_EQ(d.w(0), 3);
    EXPECT_DOUBLE_EQ(d.w(1), 2);
    EXPECT_LE((d.u * d.w.asDiagonal() * d.v.transpose() - diagonal).cwiseAbs().maxCoeff(), 1e-15);

    MatrixXd rows(3, 2);
    rows << 1, 1, 1, 2, 1, 3;
    d = Decompose(rows);
    const VectorXd reference = rows.jacobiSvd().singularValues();  // descending
    EXPECT_NEAR(d.w(0), reference(1), 1e-14);  // 0.60049...
    EXPECT_NEAR(d.w(1), reference(0), 1e-14);  // 4.07914...
}

// Shapes from 1 × 1 to tall, full rank and rank-deficient, the zero matrix, and
// columns of very different scales: singular values as Eigen's, A = U·diag(w)·Vᵀ,
// V orthogonal, and U's columns orthonormal where w ≠ 0.
TEST(SvdDecompose, MatchesEigenAndReconstructsTheInput)
{
    std::mt19937_64 random(3);
    std::normal_distribution<double> normal;
    auto randomMatrix = [&](Eigen::Index m, Eigen::Index n) {
        MatrixXd a(m, n);
        for (Eigen::Index i = 0; i < m; ++i) {
            for (Eigen::Index j = 0; j < n; ++j) a(i, j) = normal(random);
        }
        return a;
    };
    std::vector<MatrixXd> cases = {randomMatrix(1, 1), randomMatrix(3, 3), randomMatrix(5, 3), randomMatrix(40, 7),
                                   randomMatrix(12, 12), MatrixXd::Zero(4, 3)};
    MatrixXd collinear = randomMatrix(9, 4);
    collinear.col(2) = collinear.col(0) - 3 * collinear.col(1);
    cases.push_back(collinear);
    MatrixXd scaled = randomMatrix(20, 5);
    scaled.col(1) *= 1e6;
    scaled.col(3) *= 1e-5;
    cases.push_back(scaled);

    for (const MatrixXd& a : cases) {
        SCOPED_TRACE(::testing::Message() << a.rows() << " x " << a.cols());
        const Decomposition d = Decompose(a);
        VectorXd sorted = d.w;
        std::sort(sorted.data(), sorted.data() + sorted.size(), std::greater<>());
        const VectorXd reference = a.jacobiSvd().singularValues();
        const double largest = std::max(reference(0), std::numeric_limits<double>::min());
        EXPECT_GE(d.w.minCoeff(), 0.0);
        EXPECT_LE((sorted - reference).cwiseAbs().maxCoeff(), 1e-14 * largest);
        EXPECT_LE((d.u * d.w.asDiagonal() * d.v.transpose() - a).cwiseAbs().maxCoeff(), 1e-14 * largest);
        const auto n = a.cols();
        EXPECT_LE((d.v.transpose() * d.v - MatrixXd::Identity(n, n)).cwiseAbs().maxCoeff(), 1e-14);
        for (Eigen::Index j = 0; j < n; ++j) {
            if (d.w(j) > 1e-12 * largest) {
                EXPECT_NEAR(d.u.col(j).norm(), 1.0, 1e-14) << "column " << j;
            }
        }
    }
}

TEST(SvdDecompose, StatusPaths)
{
    RealMatrix a(1, 2, 1, 3), v(1, 3, 1, 3);
    RealVector w(1, 3);
    a.Fill(1);
    EXPECT_EQ(StatusOf([&] { SvdDecompose(a, 2, 3, w, v); }), Status::BadArray) << "m < n";
    EXPECT_EQ(StatusOf([&] { SvdDecompose(a, 3, 3, w, v); }), Status::BadArray) << "a has 2 rows";
    // Nothing is negligible against a NaN norm: the sweep bound ends the work.
    RealMatrix b(1, 3, 1, 3);
    b.Fill(1);
    b[2][2] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(StatusOf([&] { SvdDecompose(b, 3, 3, w, v); }), Status::NumericalFailure);
}

}  // namespace
}  // namespace sheetstat
