// All eigenvalues and eigenvectors of a real nonsymmetric matrix by the classical
// dense method: balancing, reduction to upper Hessenberg form by stabilised
// elementary similarity transformations, Francis double-shift QR iteration with
// eigenvectors by back-substitution in the quasi-triangular result, and
// back-transformation (the EISPACK path balanc, elmhes, eltran, hqr2, balbak:
// Parlett and Reinsch 1969, Martin and Wilkinson 1968, Peters and Wilkinson 1970,
// in Wilkinson and Reinsch, Handbook for Automatic Computation II, 1971).
//
// Matrices are work storage indexed [row][column] from 1 to n, vectors from 1 to n.
// Eigenvalues come as real parts wr and imaginary parts wi; a complex pair occupies
// two neighbouring positions, the one with positive imaginary part first. Column j of
// V is the vector of a real eigenvalue j; for a pair at j, j + 1 column j holds the
// real part and column j + 1 the imaginary part of the vector of the eigenvalue with
// positive imaginary part. Vectors are not normalised.
#pragma once

#include <cstdint>

#include "frame/work_storage.hpp"

namespace sheetstat {

// Rows and columns outside low..igh hold eigenvalues isolated by permutation.
struct BalancedRange {
    int32_t low = 1;
    int32_t igh = 0;
};

// Iterations allowed per eigenvalue; a position whose count is this plus one did not
// converge.
inline constexpr int32_t kEigenIterationLimit = 30;

// Balances a[1..n][1..n] in place (radix 2, criterion 0.95): rows and columns that
// isolate an eigenvalue are permuted to the ends, then rows and columns low..igh are
// scaled by powers of 2 until no scaling reduces their norms by 5%. scale[j] holds,
// for j outside low..igh, the index exchanged with j, and otherwise the power of 2.
void BalanceMatrix(RealMatrix& a, RealVector& scale, BalancedRange& range, int32_t n);

// Reduces rows and columns low..igh of a to upper Hessenberg form by elementary
// similarity transformations with pivoting; the multipliers stay below the
// subdiagonal and perm[m] records the pivot row of step m.
void ReduceToHessenberg(RealMatrix& a, int32_t n, const BalancedRange& range, IntVector& perm);

// v = the transformation matrix of ReduceToHessenberg (a and perm as it left them).
void AccumulateHessenberg(const RealMatrix& a, RealMatrix& v, const BalancedRange& range, const IntVector& perm,
                          int32_t n);

// Eigenvalues of the Hessenberg matrix a into wr and wi and the eigenvectors of the
// balanced matrix into v (which holds the transformation on entry); a is destroyed.
// count[i] receives the iterations spent on eigenvalue i (0 for isolated ones; for a
// pair, minus the count at the upper position); when an eigenvalue has not converged
// after kEigenIterationLimit iterations its count is kEigenIterationLimit + 1 and the
// routine returns at once, leaving the eigenvalues below it and every vector
// uncomputed. Returns the largest count.
int32_t HessenbergQr(RealMatrix& a, RealMatrix& v, RealVector& wr, RealVector& wi, BalancedRange range,
                     IntVector& count, int32_t n);

// Undoes the balancing on columns 1..m of v: rows low..igh scaled back, then the
// isolating permutations undone.
void BalanceBack(RealMatrix& v, const RealVector& scale, const BalancedRange& range, int32_t n, int32_t m);

struct ComplexQuotient {
    double re;
    double im;
};
// (ar + i·ai)/(br + i·bi) by Smith's method (no intermediate overflow for moderate
// arguments); the divisor must not be 0.
ComplexQuotient ComplexDivide(double ar, double ai, double br, double bi) noexcept;

// The five steps in order on a[1..n][1..n] (destroyed): eigenvalues into wr, wi and
// eigenvectors into v[1..n][1..n]. Raises status 7 when an eigenvalue has not
// converged or a value or vector component is not finite.
void SolveNonsymmetricEigen(RealMatrix& a, int32_t n, RealVector& wr, RealVector& wi, RealMatrix& v);

}  // namespace sheetstat
