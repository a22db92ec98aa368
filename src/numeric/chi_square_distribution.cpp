// The chi-square distribution with ν degrees of freedom, upper tail:
//
//   ChiSquareProb(χ², ν) = P[X ≥ χ²] = Q(ν/2, χ²/2),
//
// the regularized upper incomplete gamma function (Abramowitz and Stegun 26.4.19).
#include "numeric/distributions.hpp"
#include "numeric/math_functions.hpp"

namespace sheetstat {

double ChiSquareProb(double chiSquare, double df)
{
    return IncGammaQ(df / 2.0, chiSquare / 2.0);
}

}  // namespace sheetstat
