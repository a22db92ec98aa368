// Orthogonal rotation of factor loadings by varimax or quartimax.
#pragma once

#include <cstdint>

#include "frame/work_storage.hpp"

namespace sheetstat {

// Σ_k (p·Σ_i L[i][k]⁴ − (Σ_i L[i][k]²)²)/p²: the summed variance of the squared
// loadings of each factor (Kaiser 1958).
double VarimaxCriterion(const RealMatrix& l, int32_t p, int32_t m);

// Σ_i Σ_k L[i][k]⁴ / d.
double QuartimaxCriterion(const RealMatrix& l, int32_t p, int32_t m, double d);

// Rotates the p × m loadings l (and the score coefficients b alike) by planar
// rotations of each pair of factors in turn, each through the angle that maximises the
// criterion for that pair (Kaiser 1959), cycle after cycle, until the criterion has
// changed by at most 1e-7 in three cycles (not necessarily consecutive) or `cycles`
// cycles have run. With `normalise`, each variable's loadings are divided by the
// square root of its communality before rotation (Kaiser normalisation); a variable of
// communality 0 is left as it is. Out: rotated[1..p][1..m], the rotated loadings in
// the scale of the input; l is left rotated (and normalised). Returns the cycles run.
int32_t RotateFactors(RealMatrix& b, RealMatrix& l, RealMatrix& rotated, int32_t p, int32_t m, int32_t cycles,
                      bool varimax, bool normalise);

}  // namespace sheetstat
