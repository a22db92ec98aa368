// The triangular factor of a weighted least-squares problem, built one case at a
// time.
//
// For cases i = 1..m with design row a_i = (a_i1..a_in), response b_i and standard
// deviation σ_i, the weighted rows [a_i | b_i]/σ_i form an m × (n + 1) matrix
// [A | b] = Q·R with Q orthogonal and R upper triangular, (n + 1) × (n + 1). The
// cases are rotated into R by Givens rotations (row-sequential QR: Gentleman 1973;
// Golub and Van Loan, Matrix Computations, 6.5 on updating a QR factorisation by a
// row), so no m × n matrix is ever stored and the work is O(m·n²) in one pass.
// Since ‖A·x − b‖ = ‖R·[x; −1]‖ for every x, any least-squares problem on a subset
// of the columns of A with response b has the same solution and residual sum of
// squares from R as from the data (SvdFitTriangle solves them); R's columns have
// the 2-norms of the weighted columns, and the singular values of R restricted to
// design columns are those of the weighted design.
#pragma once

#include <cstdint>

#include "frame/work_storage.hpp"

namespace sheetstat {

class LeastSquaresTriangle {
public:
    // A factor for n ≥ 0 design columns and the response, with no case yet.
    explicit LeastSquaresTriangle(int32_t n);

    // Rotates the case (p[1..n] design row, y response, sig > 0 its standard
    // deviation) into the factor. p is not changed.
    void AddRow(const RealVector& p, double y, double sig);

    int32_t columns() const noexcept { return n_; }
    // The column of the response in R: n + 1.
    int32_t responseColumn() const noexcept { return n_ + 1; }
    // Number of cases added.
    double rowCount() const noexcept { return rows_; }
    // R(i, j), 1 ≤ i, j ≤ n + 1 (0 below the diagonal).
    double operator()(int32_t i, int32_t j) const noexcept
    {
        if (pending_ != 0) MergePending();
        return r_[i][j];
    }
    // Σ b_i²/σ_i², the squared norm of the weighted response column: the weighted
    // total sum of squares when the responses were centred on their weighted mean.
    double ResponseSumOfSquares() const;

private:
    // Cases are merged into R in blocks of this many, interleaved so that the
    // rotations of different cases overlap (each case alone is a chain of
    // dependent square roots and divisions); R is the same as case by case.
    static constexpr int32_t kBlockRows = 16;

    // Rotates the pending weighted rows into R. R and the block are a cache of the
    // factor of all cases added, completed on first read.
    void MergePending() const noexcept;

    int32_t n_;
    double rows_ = 0;
    mutable RealMatrix r_;
    mutable RealMatrix block_;
    mutable int32_t pending_ = 0;
};

}  // namespace sheetstat
