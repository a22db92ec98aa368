// LU decomposition with implicit partial pivoting, solution of one right-hand side,
// and inversion of a square matrix in place (Crout's method; Press et al., Numerical
// Recipes, ludcmp, lubksb). Matrices and vectors are the work storage of the call,
// indexed 1..n; routines that own storage release it on every path and let every
// exception pass on unchanged.
#pragma once

#include <cstdint>

#include "frame/work_storage.hpp"

namespace sheetstat {

// Replaces a[1..n][1..n] by the LU factors of its row-permuted self: L below the
// diagonal (unit diagonal not stored), U on and above it. index[j] is the row that
// was exchanged with row j at step j; parity is −1 after an odd number of exchanges,
// +1 otherwise; scale[1..n] is scratch. Raises Status 7 for an element that is not
// finite, a row of zeros, or a pivot that is zero or not finite (a singular matrix,
// or overflow during the elimination); a is then left partly factored.
void LuDecompose(RealMatrix& a, int32_t n, IntVector& index, double& parity, RealVector& scale);

// Solves A·x = b with the factors and index left by LuDecompose: b[1..n] holds the
// right-hand side on entry and the solution on return. Never raises.
void LuBackSubstitute(const RealMatrix& a, int32_t n, const IntVector& index, RealVector& b) noexcept;

// Replaces a[1..n][1..n] by its inverse. Raises Status 7 as LuDecompose does, and
// also when an element of the inverse is not finite (a is then left holding its LU
// factors); a work-storage failure passes on as it is raised.
void InvertMatrix(RealMatrix& a, int32_t n);

}  // namespace sheetstat
