// The regularized incomplete beta function, a, b > 0, 0 ≤ x ≤ 1:
//
//   I_x(a, b) = (1/B(a, b)) ∫_0^x t^(a−1) (1 − t)^(b−1) dt.
//
// Press et al., Numerical Recipes (betai with betacf): the continued fraction
//
//   I_x(a, b) = x^a (1 − x)^b / (a·B(a, b)) · 1/(1 + d_1/(1 + d_2/(1 + …))),
//   d_2m+1 = −(a + m)(a + b + m)x / ((a + 2m)(a + 2m + 1)),  d_2m = m(b − m)x / ((a + 2m − 1)(a + 2m)),
//
// converges fast for x < (a + 1)/(a + b + 2); above that the symmetry
// I_x(a, b) = 1 − I_{1−x}(b, a) is used. The fraction is evaluated two partial
// numerators at a time, renormalised by the last denominator, and stops when the
// change falls below 3e−7 relative or after 100 steps, keeping the last value.
#include <cmath>

#include "numeric/math_functions.hpp"

namespace sheetstat {
namespace {

constexpr int kMaxIterations = 100;
constexpr double kRelativeChange = 3e-7;

double BetaContinuedFraction(double a, double b, double x)
{
    const double qab = a + b;
    const double qap = a + 1.0;
    const double qam = a - 1.0;
    double am = 1.0;
    double bm = 1.0;
    double az = 1.0;
    double bz = 1.0 - qab * x / qap;
    for (int m = 1; m <= kMaxIterations; ++m) {
        const double em = m;
        const double tem = em + em;
        double d = em * (b - em) * x / ((qam + tem) * (a + tem));  // even step
        const double ap = az + d * am;
        const double bp = bz + d * bm;
        d = -(a + em) * (qab + em) * x / ((qap + tem) * (a + tem));  // odd step
        const double app = ap + d * az;
        const double bpp = bp + d * bz;
        const double aold = az;
        am = ap / bpp;
        bm = bp / bpp;
        az = app / bpp;
        bz = 1.0;
        if (std::fabs(az - aold) < kRelativeChange * std::fabs(az)) break;
    }
    return az;
}

}  // namespace

double IncBeta(double a, double b, double x)
{
    // x^a (1 − x)^b / B(a, b); exactly 0 at the ends, where the logarithms would fail.
    double bt = 0.0;
    if (x != 0.0 && x != 1.0)
        bt = SafeExp(LogGamma(a + b) - LogGamma(a) - LogGamma(b) + a * std::log(x) + b * std::log(1.0 - x));
    if (x < (a + 1.0) / (a + b + 2.0)) return bt * BetaContinuedFraction(a, b, x) / a;
    return 1.0 - bt * BetaContinuedFraction(b, a, 1.0 - x) / b;
}

}  // namespace sheetstat
