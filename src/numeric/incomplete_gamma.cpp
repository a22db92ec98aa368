// The regularized upper incomplete gamma function, a > 0, x ≥ 0:
//
//   Q(a, x) = 1 − P(a, x) = Γ(a, x)/Γ(a) = (1/Γ(a)) ∫_x^∞ e^−t t^(a−1) dt.
//
// Press et al., Numerical Recipes (gammq with gser and gcf): below x = a + 1 the
// series P(a, x) = e^−x x^a / Γ(a + 1) · Σ_n x^n / ((a + 1)…(a + n)), above it
// Legendre's continued fraction for Q(a, x), evaluated by its three-term
// recurrence with renormalisation. Either stops when the relative change falls
// below 3e−7 or after 100 steps, silently keeping the last value.
#include <cmath>

#include "numeric/math_functions.hpp"

namespace sheetstat {
namespace {

constexpr int kMaxIterations = 100;
constexpr double kRelativeChange = 3e-7;

// P(a, x) by its series; 0 for x ≤ 0.
double GammaSeries(double a, double x)
{
    const double gln = LogGamma(a);
    if (x <= 0.0) return 0.0;
    double ap = a;
    double del = 1.0 / a;
    double sum = del;
    for (int n = 1; n <= kMaxIterations; ++n) {
        ap += 1.0;
        del = del * x / ap;
        sum += del;
        if (std::fabs(del) < std::fabs(sum) * kRelativeChange) break;
    }
    return sum * SafeExp(-x + a * std::log(x) - gln);
}

// Q(a, x) by the continued fraction 1/(x + (1 − a)/(1 + 1/(x + (2 − a)/(1 + 2/(x + …))))).
// The recurrence for numerator A and denominator B is renormalised by fac = 1/A at
// every step, so g = B·fac is the reciprocal of the current convergent.
double GammaContinuedFraction(double a, double x)
{
    const double gln = LogGamma(a);
    double gold = 0.0;
    double g = 0.0;
    double a0 = 1.0;
    double a1 = x;
    double b0 = 0.0;
    double b1 = 1.0;
    double fac = 1.0;
    for (int n = 1; n <= kMaxIterations; ++n) {
        const double an = n;
        const double ana = an - a;
        a0 = (a1 + a0 * ana) * fac;
        b0 = (b1 + b0 * ana) * fac;
        const double anf = an * fac;
        a1 = x * a0 + anf * a1;
        b1 = x * b0 + anf * b1;
        if (a1 != 0.0) {
            fac = 1.0 / a1;
            g = b1 * fac;
            // (g cannot vanish for x ≥ a + 1; the test keeps the division safe regardless.)
            if (g != 0.0 && std::fabs((g - gold) / g) < kRelativeChange) break;
            gold = g;
        }
    }
    return SafeExp(-x + a * std::log(x) - gln) * g;
}

}  // namespace

double IncGammaQ(double a, double x)
{
    if (x < a + 1.0) return 1.0 - GammaSeries(a, x);
    return GammaContinuedFraction(a, x);
}

}  // namespace sheetstat
