// The nonsymmetric eigen-solver: the worked 2 × 2 cases, then random matrices (with
// complex pairs, isolated eigenvalues and bad scaling) by the residual ‖Av − λv‖ of
// every vector and against Eigen's EigenSolver for the eigenvalues, and a matrix on
// which the iteration does not converge.
#include "numeric/nonsymmetric_eigen.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include "frame/export_frame.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

struct EigenSolution {
    std::vector<double> wr, wi;
    Eigen::MatrixXd vectors;
};

RealMatrix ToWork(const Eigen::MatrixXd& m)
{
    const auto n = static_cast<std::size_t>(m.rows());
    RealMatrix a(1, n, 1, n);
    for (Eigen::Index i = 0; i < m.rows(); ++i)
        for (Eigen::Index j = 0; j < m.cols(); ++j) a[i + 1][j + 1] = m(i, j);
    return a;
}

// Status of the solver on m, as an export would return it, and its solution.
int32_t Solve(const Eigen::MatrixXd& m, EigenSolution& solution)
{
    const auto n = static_cast<int32_t>(m.rows());
    return RunExport([&] {
        RealMatrix a = ToWork(m), v(1, static_cast<std::size_t>(n), 1, static_cast<std::size_t>(n));
        RealVector wr(1, static_cast<std::size_t>(n)), wi(1, static_cast<std::size_t>(n));
        SolveNonsymmetricEigen(a, n, wr, wi, v);
        solution.vectors.resize(n, n);
        for (int32_t i = 1; i <= n; ++i) {
            solution.wr.push_back(wr[i]);
            solution.wi.push_back(wi[i]);
            for (int32_t j = 1; j <= n; ++j) solution.vectors(i - 1, j - 1) = v[i][j];
        }
    });
}

// Every eigenpair satisfies ‖Av − λv‖ ≤ tolerance·‖A‖·‖v‖ (v ≠ 0); a complex pair
// has conjugate values, the positive imaginary part first.
void ExpectSmallResiduals(const Eigen::MatrixXd& m, const EigenSolution& s, double tolerance)
{
    const Eigen::Index n = m.rows();
    const double norm = m.norm();
    for (Eigen::Index j = 0; j < n; ++j) {
        const auto at = static_cast<std::size_t>(j);
        Eigen::VectorXcd x = s.vectors.col(j).cast<std::complex<double>>();
        const std::complex<double> lambda(s.wr[at], s.wi[at]);
        if (s.wi[at] != 0) {
            ASSERT_GT(s.wi[at], 0) << "pair at " << j;
            ASSERT_LT(j + 1, n);
            EXPECT_EQ(s.wr[at + 1], s.wr[at]);
            EXPECT_EQ(s.wi[at + 1], -s.wi[at]);
            x += std::complex<double>(0, 1) * s.vectors.col(j + 1).cast<std::complex<double>>();
        }
        ASSERT_GT(x.norm(), 0) << "vector " << j;
        const double residual = (m.cast<std::complex<double>>() * x - lambda * x).norm();
        EXPECT_LE(residual, tolerance * norm * x.norm()) << "vector " << j << " of order " << n << ", λ = " << lambda;
        if (s.wi[at] != 0) ++j;
    }
}

// The eigenvalues agree with `expected` (Eigen's by default), each matched to the
// nearest unused one.
void ExpectEigenvalues(const EigenSolution& s, std::vector<std::complex<double>> expected, double tolerance)
{
    for (std::size_t k = 0; k < s.wr.size(); ++k) {
        const std::complex<double> ours(s.wr[k], s.wi[k]);
        std::size_t nearest = 0;
        for (std::size_t e = 1; e < expected.size(); ++e) {
            if (std::abs(expected[e] - ours) < std::abs(expected[nearest] - ours)) nearest = e;
        }
        EXPECT_LE(std::abs(expected[nearest] - ours), tolerance) << "eigenvalue " << ours;
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(nearest));
    }
}

std::vector<std::complex<double>> EigenvaluesOfEigen(const Eigen::MatrixXd& m)
{
    Eigen::EigenSolver<Eigen::MatrixXd> reference(m, false);
    EXPECT_EQ(reference.info(), Eigen::Success);
    const Eigen::VectorXcd& values = reference.eigenvalues();
    return std::vector<std::complex<double>>(values.data(), values.data() + values.size());
}

TEST(NonsymmetricEigen, WorkedTwoByTwoCases)
{
    // A double eigenvalue 2: the discriminant of the block is exactly 0, so it comes
    // as a pair with imaginary parts +0 and −0.
    EigenSolution doubleRoot;
    ASSERT_EQ(Solve((Eigen::MatrixXd(2, 2) << 1, 1, -1, 3).finished(), doubleRoot), testing::kOk);
    EXPECT_EQ(doubleRoot.wr, (std::vector<double>{2, 2}));
    EXPECT_EQ(doubleRoot.wi[0], 0.0);
    EXPECT_FALSE(std::signbit(doubleRoot.wi[0]));
    EXPECT_EQ(doubleRoot.wi[1], 0.0);
    EXPECT_TRUE(std::signbit(doubleRoot.wi[1]));

    // The rotation by 90°: ±i, and the vector of +i is (0, 1) + i·(1, 0) exactly.
    EigenSolution rotation;
    const Eigen::MatrixXd quarterTurn = (Eigen::MatrixXd(2, 2) << 0, -1, 1, 0).finished();
    ASSERT_EQ(Solve(quarterTurn, rotation), testing::kOk);
    EXPECT_EQ(rotation.wr, (std::vector<double>{0, 0}));
    EXPECT_EQ(rotation.wi, (std::vector<double>{1, -1}));
    EXPECT_EQ(rotation.vectors, (Eigen::MatrixXd(2, 2) << 0, 1, 1, 0).finished());
}

// Gaussian matrices (about half their eigenvalues in complex pairs), the same made
// badly scaled (D·A·D⁻¹, D spanning 2^±40, which balancing undoes), and matrices
// with isolated eigenvalues (a permuted block-triangular form, so balancing moves
// rows and columns to both ends and BalanceBack has to put them back).
TEST(NonsymmetricEigen, RandomMatricesByResidualAndAgainstEigen)
{
    std::mt19937 generator(604);
    std::normal_distribution<double> normal;
    std::uniform_int_distribution<int> exponent(-40, 40);
    const auto gaussian = [&](Eigen::Index n) {
        return Eigen::MatrixXd::NullaryExpr(n, n, [&] { return normal(generator); }).eval();
    };
    for (const Eigen::Index n : {1, 2, 3, 4, 5, 7, 10, 16, 30}) {
        for (int trial = 0; trial < 6; ++trial) {
            SCOPED_TRACE(::testing::Message() << "order " << n << ", trial " << trial);
            Eigen::MatrixXd m = gaussian(n);
            if (trial >= 2 && trial < 4) {
                Eigen::VectorXd d(n);
                for (Eigen::Index i = 0; i < n; ++i) d(i) = std::ldexp(1.0, exponent(generator));
                m = d.asDiagonal() * m * d.cwiseInverse().asDiagonal();
            }
            std::vector<std::complex<double>> expected;
            if (trial >= 4 && n >= 3) {
                // Zeros below the diagonal outside a middle block, then a symmetric
                // permutation: the eigenvalues are the diagonal outside the block and
                // those of the block.
                const Eigen::Index first = n / 3, size = n - 2 * (n / 3);
                for (Eigen::Index i = 0; i < n; ++i)
                    for (Eigen::Index j = 0; j < i; ++j)
                        if (!(i >= first && i < first + size && j >= first)) m(i, j) = 0;
                expected = EigenvaluesOfEigen(m.block(first, first, size, size));
                for (Eigen::Index i = 0; i < n; ++i)
                    if (i < first || i >= first + size) expected.emplace_back(m(i, i), 0);
                Eigen::PermutationMatrix<Eigen::Dynamic> permutation(n);
                permutation.setIdentity();
                std::shuffle(permutation.indices().data(), permutation.indices().data() + n, generator);
                m = permutation * m * permutation.transpose();
            } else {
                expected = EigenvaluesOfEigen(m);
            }
            EigenSolution s;
            ASSERT_EQ(Solve(m, s), testing::kOk);
            ExpectSmallResiduals(m, s, 1e-12);
            // Eigen works on the unbalanced matrix: compare where it is well scaled.
            if (trial < 2 || trial >= 4) ExpectEigenvalues(s, expected, 1e-10 * m.norm());
        }
    }
}

// A nilpotent matrix with a zero diagonal: every eigenvalue is 0, the diagonal stays
// near 0, so no subdiagonal element becomes negligible against it within 30
// iterations. The driver reports it as a numerical failure.
TEST(NonsymmetricEigen, NonConvergenceIsStatus7)
{
    EigenSolution s;
    EXPECT_EQ(Solve((Eigen::MatrixXd(3, 3) << 0, -1, 0, 1, 0, -1, 0, -1, 0).finished(), s), testing::kNumericalFailure);
}

}  // namespace
}  // namespace sheetstat
