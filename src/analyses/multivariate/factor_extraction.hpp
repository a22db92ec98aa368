// Extraction of common factors from a correlation matrix: principal components, or
// principal axes with communalities iterated on the diagonal.
#pragma once

#include <cstdint>

#include "frame/work_storage.hpp"

namespace sheetstat {

// From the singular value decomposition A = U·diag(w)·Vᵀ of a symmetric p × p matrix
// (a holding U as SvdDecompose left it): the eigenvalues e[1..p], signed, in
// descending order, and the loadings a[j][k] = s·V[j][q]·sqrt(|λ_q|) of the
// eigenvector q behind e[k]. For a symmetric matrix the left and right singular
// vectors of an eigenvalue agree up to its sign, so λ_q = w_q·sign(u_q·v_q); with
// communality estimates on the diagonal the matrix is usually indefinite and the
// smallest eigenvalues are negative. s is the sign of U[1][1], one for all columns.
// Equal eigenvalues keep the order of their singular values. order[1..p] is work.
void EigenFromSvd(RealVector& w, RealMatrix& a, const RealMatrix& v, RealVector& e, int32_t p, IntVector& order);

struct ExtractionOptions {
    // The initial communality of a variable is its largest absolute correlation with
    // another variable (principal axes), or 1 (principal components).
    bool largestCorrelationFirst = false;
    // The number of extractions allowed (1: no iteration).
    int32_t passLimit = 1;
    // Iteration stops when no communality moves by more than this.
    double tolerance = 0;
    // A factor is retained while its rank is at most maxFactors and its eigenvalue
    // is at least minEigenvalue and positive.
    double maxFactors = 0;
    double minEigenvalue = 0;
};

struct Extraction {
    int32_t passes = 0;
    int32_t retained = 0;
};

// Extracts factors from the p × p correlation matrix r. Each pass puts the current
// communalities on the diagonal of a copy of r, decomposes it, counts the retained
// factors (rule above, on that pass's eigenvalues) and takes as the new communality of
// each variable the sum of its squared loadings on them (at most 1). Passes run until
// no communality moves by more than the tolerance or the limit is used up.
// Out: loadings[1..p][1..p] (the first `retained` columns are the factors), the
// eigenvalues e[1..p] and communalities h[1..p] of the last pass, and
// history[1..p][1..passes + 1], the initial communalities followed by those after each
// pass (history holds at least passLimit + 1 columns).
Extraction ExtractFactors(const RealMatrix& r, int32_t p, const ExtractionOptions& options, RealMatrix& loadings,
                          RealVector& e, RealVector& h, RealMatrix& history);

}  // namespace sheetstat
