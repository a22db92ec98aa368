// Means, standard deviations and correlations of p variables over a selection of
// rows, from the matrix of sums of squares and cross-products about the means
//   S[i][j] = Σ_r (x_ri − x̄_i)(x_rj − x̄_j),
// accumulated for all pairs in one pass over the rows: the p-variable counterpart of
// CrossMomentsAccumulator (cross_moments.hpp), with its two passes about the means
// and its exact power-of-two scaling of each variable's deviations.
//
// Pass 1, column by column: a provisional mean c_j (the mean of the deviations from
// the column's first value, added back to it), the minimum and the maximum. Pass 2,
// row by row: the scaled deviations d_j = (x_j − c_j)·2^−e_j (DeviationScale), their
// sums D_j and all the products d_i·d_j, summed over blocks of rows whose totals are
// added with Neumaier's compensation; then S = Σ d_i·d_j − D_i·D_j/n (the corrected
// two-pass algorithm; Chan, Golub and LeVeque 1983). Pass 2 reads each row once for
// all p(p + 1)/2 products, where correlating the pairs one by one reads every pair of
// columns twice.
#pragma once

#include <cstddef>

#include "frame/host_arrays.hpp"
#include "frame/work_storage.hpp"

namespace sheetstat {

class CentredCrossProducts {
public:
    // Columns 1..p of `data` (1 ≤ p ≤ data.cols()) over the rows r = 1..data.rows()
    // with skipRow == nullptr or skipRow[r − 1] == 0. The values read must be finite
    // numbers (the caller has checked them).
    CentredCrossProducts(const RealMatrixView& data, std::size_t p, const unsigned char* skipRow);

    double count() const noexcept { return count_; }
    // Every selected value of variable j is the same (or none is selected).
    bool Constant(std::size_t j) const noexcept;
    // x̄_j, and x − x̄_j within about an ulp of the deviation itself at any offset.
    double Mean(std::size_t j) const noexcept { return center_[At(j)] + correction_[At(j)]; }
    double Deviation(std::size_t j, double x) const noexcept { return (x - center_[At(j)]) - correction_[At(j)]; }
    // sqrt(S[j][j]/(n − 1)); the caller checks n ≥ 2.
    double StandardDeviation(std::size_t j) const noexcept;
    // Pearson's r = S[i][j]/(√S[i][i]·√S[j][j]) within [−1, 1]; 0 when either
    // variable is constant.
    double Correlation(std::size_t i, std::size_t j) const noexcept;

private:
    static std::ptrdiff_t At(std::size_t k) noexcept { return static_cast<std::ptrdiff_t>(k); }
    void FirstPass(const RealMatrixView& data, const unsigned char* skipRow);
    void SecondPass(const RealMatrixView& data, const unsigned char* skipRow);

    std::size_t p_;
    double count_ = 0;
    RealVector center_, correction_, scale_, minimum_, maximum_;
    // S in the scaled units: scaledSums_[i][j] = S[i][j]·scale_i·scale_j, i ≤ j.
    RealMatrix scaledSums_;
};

}  // namespace sheetstat
