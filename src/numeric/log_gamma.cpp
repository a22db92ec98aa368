// ln Γ(x) for x > 0.
//
// Lanczos' approximation with six terms (C. Lanczos, SIAM J. Numer. Anal. B1, 1964,
// in the form of Press et al., Numerical Recipes, gammln):
//
//   Γ(x) ≈ √(2π) · (t + 5.5)^(t + 0.5) · e^−(t + 5.5) · (1 + Σ_{j=1..6} c_j/(t + j)),  t = x − 1,
//
// with |ε| < 2e−10 for x > 0.
#include <array>
#include <cmath>

#include "numeric/math_functions.hpp"

namespace sheetstat {

double LogGamma(double x)
{
    static constexpr std::array<double, 6> c = {76.18009173,   -86.50532033,   24.01409822,
                                                -1.231739516, 0.00120858003, -5.36382e-06};
    double t = x - 1.0;
    double tmp = t + 5.5;
    tmp -= (t + 0.5) * std::log(tmp);
    double ser = 1.0;
    for (const double cj : c) {
        t += 1.0;
        ser += cj / t;
    }
    return -tmp + std::log(2.50662827465 * ser);
}

}  // namespace sheetstat
