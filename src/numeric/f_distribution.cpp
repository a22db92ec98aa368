// The F distribution with ν1 and ν2 degrees of freedom, upper tail:
//
//   FProb(F, ν1, ν2) = P[F' ≥ F] = I_{ν2/(ν2 + ν1·F)}(ν2/2, ν1/2),
//
// through the regularized incomplete beta function (Abramowitz and Stegun 26.6.2).
// FQuantile(p, ν1, ν2) is the F with FProb ≈ p, found by bisection from 100, the
// bracket doubled while the value lies above it.
#include "numeric/distributions.hpp"
#include "numeric/math_functions.hpp"
#include "numeric/quantile_bisection.hpp"

namespace sheetstat {

double FProb(double f, double df1, double df2)
{
    const double denominator = df2 + df1 * f;
    if (denominator == 0.0) return 0.0;
    return IncBeta(df2 / 2.0, df1 / 2.0, df2 / denominator);
}

double FQuantile(double p, double df1, double df2)
{
    return BisectQuantile(p, 100.0, [df1, df2](double f) { return FProb(f, df1, df2); });
}

}  // namespace sheetstat
