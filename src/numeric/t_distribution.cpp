// Student's t distribution with ν degrees of freedom, two-tailed:
//
//   TProb(t, ν) = P[|T| ≥ |t|] = I_{ν/(ν + t²)}(ν/2, 1/2),
//
// through the regularized incomplete beta function (Abramowitz and Stegun 26.7.1
// with 26.5.27). TQuantile(p, ν) is the two-tailed critical value: the t ≥ 0 with
// TProb(t, ν) ≈ p, found by bisection on [0, 10].
#include "numeric/distributions.hpp"
#include "numeric/math_functions.hpp"
#include "numeric/quantile_bisection.hpp"

namespace sheetstat {

double TProb(double t, double df)
{
    const double tSquared = t * t;
    const double denominator = df + tSquared;
    if (denominator == 0.0) return 0.0;
    // The complement t²/(ν + t²) is formed as its own ratio: near t = 0 it is far
    // smaller than an ulp of 1 − ν/(ν + t²), and at large ν it carries the result.
    return IncBeta(df / 2.0, 0.5, df / denominator, tSquared / denominator);
}

double TQuantile(double p, double df)
{
    return BisectQuantile(p, 10.0, [df](double t) { return TProb(t, df); });
}

}  // namespace sheetstat
