// Sums of squares of a design in which every subject is measured under each of b
// treatments (the within-subject factor B) and subjects may belong to groups (the
// between-subject factor A): the repeated-measures design (one group) and the
// split-plot design (Winer, Statistical Principles in Experimental Design, 1971, ch. 7).
//
// With s complete subjects, S_e the mean of subject e, G_g, T_j, C_gj and M the means
// of group g, treatment j, cell (g, j) and of all observations, and n_g the subjects
// of group g, the total sum of squares splits into
//   A                        b·Σ_g n_g (G_g − M)²
//   subjects within groups   b·Σ_e (S_e − G_g)²
//   B                        s·Σ_j (T_j − M)²
//   A × B                    Σ_g Σ_j n_g ((C_gj − G_g) − (T_j − M))²
//   residual                 Σ_e Σ_j ((x_ej − S_e) − (C_gj − G_g))²
// Every sum is taken over deviations from means computed in two passes (the moments
// kernel), after subtracting the first observation from all of them, so the table
// stays right for data with a large common offset. A sum that is zero in the data
// comes out exactly 0: the total when all observations are equal, the subjects when
// the subject means of each group are equal, the residual when the subjects of each
// group differ by a constant in every treatment (profiles exactly parallel, found by
// comparing differences exactly). A source whose factor has a single level (one
// group, one treatment) has sum of squares 0.
#pragma once

#include <cstddef>

#include "frame/host_arrays.hpp"

namespace sheetstat {

struct MixedDesign {
    double subjects = 0;    // s, the complete subjects
    double groups = 0;      // groups with at least one complete subject
    double treatments = 0;  // b
    double ssWithinFactor = 0;
    double ssSubjects = 0;
    double ssBetweenFactor = 0;
    double ssInteraction = 0;
    double ssResidual = 0;
    double ssTotal = 0;
};

// Reads subject rows 1..rowCount of `data` (one treatment per column). Without
// `groupCodes` every subject is in one group; otherwise groupCodes[e − 1] is the code
// 0..declaredGroups − 1 (truncated) of row e. A row with an empty cell or an empty
// code is left out entirely. A cell that is neither empty nor a finite number, and
// the code of a complete row outside 0..declaredGroups − 1, are status 8; fewer than
// `minimumSubjects` complete subjects status 3 (before the group tables are made).
// Work grows with the rows, not with declaredGroups: only groups that occur are kept.
MixedDesign AnalyseMixedDesign(const RealMatrixView& data, std::size_t rowCount, const double* groupCodes,
                               std::size_t declaredGroups, std::size_t minimumSubjects);

}  // namespace sheetstat
