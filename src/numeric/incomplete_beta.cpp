// The regularized incomplete beta function, a, b > 0, 0 ≤ x ≤ 1:
//
//   I_x(a, b) = (1/B(a, b)) ∫_0^x t^(a−1) (1 − t)^(b−1) dt.
//
// The continued fraction (Abramowitz and Stegun 26.5.8)
//
//   I_x(a, b) = x^a (1 − x)^b / (a·B(a, b)) · 1/(1 + d_1/(1 + d_2/(1 + …))),
//   d_2m+1 = −(a + m)(a + b + m)x / ((a + 2m)(a + 2m + 1)),  d_2m = m(b − m)x / ((a + 2m − 1)(a + 2m)),
//
// converges fast for x < (a + 1)/(a + b + 2); above that the symmetry
// I_x(a, b) = 1 − I_{1−x}(b, a) is used, so the fraction always gives the side below
// about one half. It is evaluated in the contracted form of A. R. Didonato and
// A. H. Morris (ACM TOMS 18, 1992, Algorithm 708, BFRAC), two partial numerators per
// step, until a step changes it by less than 1e−15 relative, within the bound of
// iteration_limit.hpp; beyond it the function reports a numerical failure.
//
// The factor x^a y^b / B(a, b), y = 1 − x, is taken in the saddle-point form of
// C. Loader (2000): with n = a + b,
//
//   x^a y^b / B(a, b) = √(ab/(2πn)) · exp(δ(n) − δ(a) − δ(b) − D(a, nx) − D(b, ny)),
//
// D the deviance term and δ Stirling's correction, which keeps its relative accuracy
// at any shapes (the direct form cancels logarithms of Γ of size 1e7 at shapes near
// 2^20). Small tails are not clamped.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "frame/status.hpp"
#include "numeric/iteration_limit.hpp"
#include "numeric/math_functions.hpp"

namespace sheetstat {
namespace {

constexpr double kConverged = 1e-15;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Below e^−700 the factor and the fraction are combined as logarithms.
constexpr double kSmallestDirectExponent = -700.0;

// The continued fraction of I_x(a, b) / (x^a y^b / B(a, b)) for x < (a + 1)/(a + b + 2),
// in the contracted form of Didonato and Morris (Algorithm 708, BFRAC) that is
// written with λ = a − (a + b)x = (a + b)y − b. λ is formed from whichever of x and
// y is the smaller, so no term cancels: the plain fraction loses about
// log10((a + b)/2) digits near the switch point (1e−10 relative at shapes of 2^20
// with b = 1/2, as in the t probability), this form keeps about 1e−15.
double BetaFraction(double a, double b, double x, double y, long limit)
{
    const double lambda = a > b ? (a + b) * y - b : a - (a + b) * x;
    const double c = 1.0 + lambda;
    const double c0 = b / a;
    const double c1 = 1.0 + 1.0 / a;
    const double yPlus1 = y + 1.0;
    double p = 1.0;
    double s = a + 1.0;
    double an = 0.0;
    double bn = 1.0;
    double anp1 = 1.0;
    double bnp1 = c / c1;
    double r = c1 / c;
    for (long i = 1; i <= limit; ++i) {
        const double n = static_cast<double>(i);
        double t = n / a;
        const double w = n * (b - n) * x;
        double e = a / s;
        const double alpha = (p * (p + c0) * e * e) * (w * x);
        e = (1.0 + t) / (c1 + t + t);
        const double beta = n + w / s + e * (c + n * yPlus1);
        p = 1.0 + t;
        s += 2.0;
        t = alpha * an + beta * anp1;
        an = anp1;
        anp1 = t;
        t = alpha * bn + beta * bnp1;
        bn = bnp1;
        bnp1 = t;
        const double previous = r;
        r = anp1 / bnp1;
        if (std::fabs(r - previous) <= kConverged * r) return r;
        // Rescaled so that the next convergent starts from (r, 1).
        an /= bnp1;
        bn /= bnp1;
        anp1 = r;
        bnp1 = 1.0;
    }
    ThrowStatus(Status::NumericalFailure);
}

// I_x(a, b) from the fraction, for x below the switch point; y = 1 − x.
double FractionSide(double a, double b, double x, double y, long limit)
{
    const double fraction = BetaFraction(a, b, x, y, limit);
    const double n = a + b;
    const double exponent = StirlingCorrection(n) - StirlingCorrection(a) - StirlingCorrection(b) -
                            DevianceTerm(a, n * x) - DevianceTerm(b, n * y);
    // x^a y^b / B(a, b) = √(ab/(2πn)) · e^exponent, without forming a·b.
    const double root = std::sqrt(a / n) * std::sqrt(b / kTwoPi);
    if (exponent >= kSmallestDirectExponent) return root * std::exp(exponent) * fraction;
    return std::exp(exponent + std::log(root) + std::log(fraction));
}

}  // namespace

double IncBeta(double a, double b, double x, double y)
{
    if (!(a > 0.0) || !(b > 0.0) || !std::isfinite(a) || !std::isfinite(b) || std::isnan(x) || std::isnan(y))
        return std::numeric_limits<double>::quiet_NaN();
    if (x <= 0.0) return 0.0;
    if (y <= 0.0) return 1.0;
    const long limit = IterationLimit(std::max(a, b));
    const double value = x < (a + 1.0) / (a + b + 2.0) ? FractionSide(a, b, x, y, limit)
                                                       : 1.0 - FractionSide(b, a, y, x, limit);
    return std::clamp(value, 0.0, 1.0);
}

double IncBeta(double a, double b, double x)
{
    return IncBeta(a, b, x, 1.0 - x);
}

}  // namespace sheetstat
