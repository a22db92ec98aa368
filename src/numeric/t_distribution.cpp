// Student's t distribution with ν degrees of freedom, two-tailed:
//
//   TProb(t, ν) = P[|T| ≥ |t|] = I_{ν/(ν + t²)}(ν/2, 1/2),
//
// through the regularized incomplete beta function (Abramowitz and Stegun 26.7.1
// with 26.5.27). TQuantile(p, ν) is the two-tailed critical value: the t ≥ 0 with
// TProb(t, ν) ≈ p, found by bisection from 10, the bracket doubled while the value
// lies above it; TQuantileCapped keeps the bracket [0, 10].
//
// From ν = 1e7 on, where the differences of ln Γ at ν/2 inside the incomplete beta
// function lose their digits, the quantiles come from the normal limit with its 1/ν
// term: |T| ≥ t when |Z| ≥ z(t), z(t) = (1 − 1/(4ν))·√(ν ln(1 + t²/ν)). Expanded,
// z = t − (t³ + t)/(4ν) + (13t⁵ + 6t³)/(96ν²) + …, which differs from the inverse of
// Fisher's (1925) expansion of the t quantiles only by (2t³ + 3t)/(96ν²), below 1e−11
// for t ≤ 10; and z increases with t for every ν.
#include <cmath>

#include "numeric/distributions.hpp"
#include "numeric/math_functions.hpp"
#include "numeric/quantile_bisection.hpp"

namespace sheetstat {
namespace {

constexpr double kNormalLimitDf = 1e7;

// The two-tailed probability the quantiles invert: TProb below 1e7 degrees of
// freedom, the normal limit above.
double TwoTailedProbForQuantile(double t, double df)
{
    if (df < kNormalLimitDf) return TProb(t, df);
    const double z = std::isinf(df) ? t : (1.0 - 0.25 / df) * std::sqrt(df * std::log1p(t * t / df));
    return 2.0 * NormalTailProb(z);
}

}  // namespace

double TProb(double t, double df)
{
    const double denominator = df + t * t;
    if (denominator == 0.0) return 0.0;
    return IncBeta(df / 2.0, 0.5, df / denominator);
}

double TQuantile(double p, double df)
{
    return BisectQuantile(p, 10.0, [df](double t) { return TwoTailedProbForQuantile(t, df); });
}

double TQuantileCapped(double p, double df)
{
    return BisectQuantile(p, 10.0, [df](double t) { return TwoTailedProbForQuantile(t, df); }, 0);
}

}  // namespace sheetstat
