// The regularized upper incomplete gamma function, a > 0, x ≥ 0:
//
//   Q(a, x) = 1 − P(a, x) = Γ(a, x)/Γ(a) = (1/Γ(a)) ∫_x^∞ e^−t t^(a−1) dt.
//
// Below x = a + 1 the series P(a, x) = x^a e^−x / Γ(a + 1) · Σ_n x^n / ((a + 1)…(a + n))
// and Q = 1 − P (there Q ≥ 0.08 for a ≥ 1/2, so the complement keeps its digits);
// from x = a + 1 on, Legendre's continued fraction for Q itself, evaluated by the
// modified Lentz method (Press et al., Numerical Recipes, 3rd ed., 6.2). Both run
// until a step changes the value by less than 1e−15 relative, within the bound of
// iteration_limit.hpp; beyond it they report a numerical failure.
//
// The factor x^a e^−x / Γ(a) is taken in the saddle-point form of C. Loader (2000),
//
//   x^a e^−x / Γ(a) = √(a/(2π)) · exp(−D(a, x) − δ(a)),  D(a, x) = a·ln(a/x) + x − a,
//
// δ Stirling's correction. It keeps its relative accuracy at any a, where the direct
// a·ln x − x − ln Γ(a) cancels terms of 1.4e7 at a = 2^20 and keeps about nine
// digits. Small tails are not clamped: they keep their relative accuracy down to the
// smallest normal doubles.
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
// Lentz's stand-in for a zero denominator (Numerical Recipes' FPMIN).
constexpr double kTiny = std::numeric_limits<double>::min() / std::numeric_limits<double>::epsilon();
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Below e^−700 the factor and the fraction are combined as logarithms, so that a
// tail above the smallest normal double keeps its digits.
constexpr double kSmallestDirectExponent = -700.0;

// P(a, x) by its series, 0 < x < a + 1.
double LowerSeries(double a, double x, long limit)
{
    // x^a e^−x / Γ(a + 1) = exp(−D − δ(a)) / √(2πa)
    const double factor = std::exp(-(DevianceTerm(a, x) + StirlingCorrection(a))) / std::sqrt(kTwoPi * a);
    double ap = a;
    double term = 1.0;
    double sum = 1.0;
    for (long n = 1; n <= limit; ++n) {
        ap += 1.0;
        term *= x / ap;
        sum += term;
        if (term < sum * kConverged) return factor * sum;
    }
    ThrowStatus(Status::NumericalFailure);
}

// Q(a, x) by the continued fraction 1/(x + 1 − a − 1·(1 − a)/(x + 3 − a − 2·(2 − a)/(x + 5 − a − …))),
// times x^a e^−x / Γ(a); x ≥ a + 1.
double UpperFraction(double a, double x, long limit)
{
    double b = (x - a) + 1.0;  // x − a is exact near the centre, where b is small
    double c = 1.0 / kTiny;
    double d = 1.0 / b;
    double h = d;
    for (long i = 1; i <= limit; ++i) {
        const double n = static_cast<double>(i);
        const double an = -n * (n - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < kTiny) d = kTiny;
        c = b + an / c;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < kConverged) {
            const double exponent = -(DevianceTerm(a, x) + StirlingCorrection(a));
            const double root = std::sqrt(a / kTwoPi);
            if (exponent >= kSmallestDirectExponent) return root * std::exp(exponent) * h;
            return std::exp(exponent + std::log(root) + std::log(h));
        }
    }
    ThrowStatus(Status::NumericalFailure);
}

}  // namespace

double IncGammaQ(double a, double x)
{
    if (!(a > 0.0) || !std::isfinite(a) || std::isnan(x)) return std::numeric_limits<double>::quiet_NaN();
    if (x <= 0.0) return 1.0;
    if (std::isinf(x)) return 0.0;
    const long limit = IterationLimit(a);
    if (x < a + 1.0) return std::max(1.0 - LowerSeries(a, x, limit), 0.0);
    return std::min(UpperFraction(a, x, limit), 1.0);
}

}  // namespace sheetstat
