// The complementary error function erfc(x) = (2/√π) ∫_x^∞ e^−t² dt.
//
// The Chebyshev-fitted approximation of Press et al., Numerical Recipes (erfcc):
//
//   erfc(z) ≈ t·exp(−z² − 1.26551223 + t·(1.00002368 + … + t·0.17087277)),  t = 1/(1 + z/2),  z ≥ 0,
//
// with fractional error below 1.2e−7 everywhere; erfc(−z) = 2 − erfc(z).
#include <cmath>

#include "numeric/math_functions.hpp"

namespace sheetstat {

double Erfc(double x)
{
    const double z = std::fabs(x);
    const double t = 1.0 / (1.0 + 0.5 * z);
    const double series =
        t * (1.00002368 +
             t * (0.37409196 +
                  t * (0.09678418 +
                       t * (-0.18628806 +
                            t * (0.27886807 +
                                 t * (-1.13520398 + t * (1.48851587 + t * (-0.82215223 + t * 0.17087277))))))));
    const double r = t * SafeExp(-z * z - 1.26551223 + series);
    return x >= 0.0 ? r : 2.0 - r;
}

}  // namespace sheetstat
