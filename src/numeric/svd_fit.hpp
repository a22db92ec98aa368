// Weighted linear least squares by singular value decomposition, with small singular
// values cut off so that collinear designs still give a solution.
//
// Every fit goes through the triangular factor R of the weighted rows [a_i | y_i]/σ_i
// (LeastSquaresTriangle): the data are read once, case by case, and the SVD works
// on at most (n + 1) × n numbers whatever the number of cases; singular values and
// solution are those that decomposing the m × n weighted design would give, to
// rounding. Before the decomposition each design column is divided by its 2-norm
// (equilibration; a zero column keeps factor 1), singular values below 1e-10 of the
// largest of the scaled problem are set to 0, and the solution and V are scaled
// back. Whether a direction is cut thus does not depend on the units of the columns:
// multiplying a column by 10 divides its coefficient by 10 and changes nothing else.
// A collinear design gets the solution of least norm in the scaled coefficients
// (Σ (‖column j‖·c_j)² smallest): copies of one column share its coefficient equally.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/work_storage.hpp"
#include "numeric/least_squares_triangle.hpp"

namespace sheetstat {

// Relative cut-off of singular values, against the largest of the equilibrated design.
inline constexpr double kSingularValueCut = 1e-10;

struct LeastSquaresFit {
    // Weighted residual sum of squares Σ ((y_i − fitted_i)/σ_i)².
    double chisq = 0;
    // Singular values kept after the cut (the numerical rank); fewer than the number
    // of fitted columns means that a direction of the design was cut.
    int32_t kept = 0;
};

// Fits the response of `triangle` on its design columns columns[1..q] (each in
// 1..n, in the order the coefficients are wanted; 0 ≤ q ≤ n). On return coef[1..q]
// holds the coefficients; w[1..q] the singular values of the equilibrated design
// after the cut (0 = cut); v[1..q][1..q] its V with row j divided by the 2-norm of
// column j, so that SvdCovariance(v, q, w, cov) gives the covariance of coef up to
// the residual variance, and coef = v·diag(1/w)·Uᵀb. chisq comes from the factor
// alone. Costs O(n·q²) at most and no pass over the data: fit every candidate model from one
// factor. Raises status 8 for a column outside 1..n or arrays too small for q, 7
// when the decomposition does not converge.
LeastSquaresFit SvdFitTriangle(const LeastSquaresTriangle& triangle, const IntVector& columns, int32_t q,
                               RealVector& coef, RealMatrix& v, RealVector& w);
// The same on all n design columns of the factor, in their order.
LeastSquaresFit SvdFitTriangle(const LeastSquaresTriangle& triangle, RealVector& coef, RealMatrix& v,
                               RealVector& w);

struct SvdFitResult {
    // Σ ((y_i − fitted_i)/σ_i)² and Σ (y_i − fitted_i)², from a pass over the data.
    double chisq = 0;
    double sse = 0;
    // As LeastSquaresFit::kept.
    int32_t kept = 0;
};

// Fits y ≈ Σ_j coef[j]·f_j over the cases i = 1..m, each with standard deviation
// sig[i] > 0 (weight 1/sig[i]²), where basis(i, p, n) fills p[1..n] (a RealVector)
// with the values f_1..f_n of the basis functions for case i. coef, v and w as for
// SvdFitTriangle on all columns. basis is called twice per case: once to build the
// factor, once for the residual sums.
template <class Basis>
SvdFitResult SvdFit(const RealVector& y, const RealVector& sig, int32_t m, RealVector& coef, int32_t n,
                    RealMatrix& v, RealVector& w, Basis&& basis)
{
    LeastSquaresTriangle triangle(n);
    RealVector p(1, static_cast<std::size_t>(n));
    for (int32_t i = 1; i <= m; ++i) {
        basis(i, p, n);
        triangle.AddRow(p, y[i], sig[i]);
    }
    SvdFitResult result;
    result.kept = SvdFitTriangle(triangle, coef, v, w).kept;
    for (int32_t i = 1; i <= m; ++i) {
        basis(i, p, n);
        double fitted = 0;
        for (int32_t j = 1; j <= n; ++j) fitted += coef[j] * p[j];
        const double residual = y[i] - fitted;
        const double scaled = residual / sig[i];
        result.chisq += scaled * scaled;
        result.sse += residual * residual;
    }
    return result;
}

}  // namespace sheetstat
