// References for the regression tests: weighted least squares solved directly by
// Eigen in long double, and the number of correct digits of a result.
#pragma once

#include <cmath>
#include <vector>

#include <Eigen/Dense>

namespace sheetstat::testing {

using MatrixXl = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>;
using VectorXl = Eigen::Matrix<long double, Eigen::Dynamic, 1>;

// The weighted least-squares fit of y on the columns of x (a column of ones
// included by the caller where wanted), weights w: coefficients, their covariance
// s²·(XᵀWX)⁻¹, the weighted residual sum of squares and the weighted total sum of
// squares about the weighted mean; by Householder QR of W^½·X in long double.
struct WeightedFit {
    VectorXl coef;
    MatrixXl cov;
    long double sse = 0, sst = 0;

    double se(Eigen::Index j) const { return static_cast<double>(std::sqrt(cov(j, j))); }
    double rSquared() const { return static_cast<double>(1 - sse / sst); }
};

inline WeightedFit ReferenceWeightedFit(const MatrixXl& x, const VectorXl& y, const VectorXl& w)
{
    const VectorXl root = w.cwiseSqrt();
    const MatrixXl a = root.asDiagonal() * x;
    const VectorXl b = root.cwiseProduct(y);
    WeightedFit fit;
    fit.coef = a.colPivHouseholderQr().solve(b);
    fit.sse = (a * fit.coef - b).squaredNorm();
    const long double mean = w.dot(y) / w.sum();
    fit.sst = (w.array() * (y.array() - mean).square()).sum();
    const long double s2 = fit.sse / static_cast<long double>(x.rows() - x.cols());
    fit.cov = (a.transpose() * a).inverse() * s2;
    return fit;
}

// −log10 of the relative error (of the absolute error when the exact value is 0):
// the number of correct significant digits, at most 16.
inline double LogRelativeError(double computed, double exact)
{
    if (computed == exact) return 16;
    const double error = std::fabs(computed - exact) / (exact == 0 ? 1.0 : std::fabs(exact));
    return std::fmin(16.0, -std::log10(error));
}

}  // namespace sheetstat::testing
