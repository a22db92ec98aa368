// The singular value decomposition A = U·diag(w)·Vᵀ of a real m × n matrix (m ≥ n),
// and the two uses of its factors in least squares: the minimum-norm solution of
// A·x ≈ b over the kept singular values, and the covariance (AᵀA)⁺ of that solution.
//
// Matrices and vectors are 1-based work storage: a[i][j] is row i, column j. A
// singular value of 0 marks a discarded direction in both uses.
#pragma once

#include <cstdint>

#include "frame/work_storage.hpp"

namespace sheetstat {

// Golub–Reinsch: Householder bidiagonalisation, accumulation of the transformations,
// implicitly shifted QR on the bidiagonal form (Golub and Reinsch 1970). On entry
// a[1..m][1..n] holds A, m ≥ n ≥ 0; on exit it holds U (orthonormal columns),
// w[1..n] the singular values (all ≥ 0, unsorted: column j of U and of V belongs to
// w[j]) and v[1..n][1..n] the orthogonal V. Raises status 7 when a singular value
// has not converged after 500 QR sweeps, status 8 when m < n or an array is too
// small for m and n.
void SvdDecompose(RealMatrix& a, int32_t m, int32_t n, RealVector& w, RealMatrix& v);

// x[1..n] = V·diag(1/w)·Uᵀ·b for the factors of SvdDecompose and b[1..m], a term with
// w[j] = 0 left out (the minimum-norm least-squares solution over the kept values).
void SvdBackSubstitute(const RealMatrix& u, const RealVector& w, const RealMatrix& v, int32_t m, int32_t n,
                       const RealVector& b, RealVector& x);

// cov[1..n][1..n] = V·diag(1/w²)·Vᵀ, a term with w[k] = 0 left out: the covariance
// of the solution up to the residual variance, which the caller applies.
void SvdCovariance(const RealMatrix& v, int32_t n, const RealVector& w, RealMatrix& cov);

}  // namespace sheetstat
