// Sequential sums of squares of a crossed two-factor design with every cell occupied,
// from the cell table: B adjusted for A and the interaction A × B adjusted for both
// (Searle, Linear Models for Unbalanced Data, 1987, ch. 4),
//   SS_B|A = Σ_ij n_ij (ŷ_ij − ȳ_i·)²,   SS_AB = Σ_ij n_ij (ȳ_ij − ŷ_ij)²,
// with ŷ_ij the cell means fitted by the additive model μ + α_i + β_j, the weighted
// least-squares projection of the cell means ȳ_ij (weights n_ij) onto the additive
// models.
//
// The fit absorbs the factor with more levels and solves the reduced normal equations
// of the other: with A absorbed, for β_1..β_(b−1) (β_b = 0),
//   Σ_j' (δ_jj' n_·j − Σ_i n_ij n_ij'/n_i·) β_j' = Σ_i n_ij (ȳ_ij − ȳ_i·),
// by LU decomposition; then ŷ_ij − ȳ_i· = β_j − Σ_j' n_ij' β_j'/n_i·. (Absorbing B
// instead gives the same fitted means; only m − 1 unknowns are solved, m the smaller
// number of levels, in O(ab·m + m³).) Both sums are formed from the deviations of the
// cell means from the level means and of the fitted from the observed cell means, so
// neither can be negative, neither cancels, and a large common offset of the data
// does not enter.
#pragma once

#include "frame/work_storage.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {

struct SequentialSums {
    double bGivenA = 0;
    double interaction = 0;
};

// cell(i, j), i = 0..a−1, j = 0..b−1 (a, b ≥ 2), the moments of each cell (count ≥ 1);
// levelA and levelB those of the levels of A and B, merged from the cells. Status 7
// should the reduced normal equations prove singular.
SequentialSums SequentialSumsOfSquares(const OffsetMatrix<RunningMoments>& cell,
                                       const OffsetVector<RunningMoments>& levelA,
                                       const OffsetVector<RunningMoments>& levelB);

}  // namespace sheetstat
