// The standard normal distribution function and its inverse.
//
//   Φ(x) = P[Z ≤ x] = ∫_−∞^x φ(t) dt,  φ(t) = e^(−t²/2)/√(2π),  Z ~ N(0, 1).
//
// For |x| ≤ 3.5 the Taylor series Φ(z) = 1/2 + φ(z)·(z + z³/3 + z⁵/(3·5) + …), summed
// until a term no longer changes the sum (at most 60 terms, so that a rounding mode
// other than to nearest cannot keep it going). Beyond 3.5 the upper tail 1 − Φ(z) by the
// continued fraction of I. D. Hill, Algorithm AS 66 (Applied Statistics 22, 1973),
// taken as 0 beyond z ≈ 18.48, where it lies far below 2^−52. Φ(−x) = 1 − Φ(x).
//
// The inverse bisects [−10, 10] down to a step below 1e−4 (18 halvings) and returns
// the lower end of the last bracket.
#include <cmath>
#include <numbers>

#include "numeric/distributions.hpp"
#include "numeric/math_functions.hpp"

namespace sheetstat {
namespace {

constexpr double kSeriesLimit = 3.5;
// The series reaches the last bit within 36 terms at z = 3.5 (fewer below); the bound
// only matters where rounding is not to nearest and the sum may creep by an ulp.
constexpr int kMaxSeriesTerms = 60;
// The bisection halves 20 down to the first step below 1e−4: 18 midpoints.
constexpr int kMaxHalvings = 18;
// ln(2^−52)/(−1.95) ≈ 18.4839: beyond it the upper tail is dropped.
constexpr double kTailVanishes = 52.0 * std::numbers::ln2 / 1.95;

// Φ(z) − 1/2 for 0 ≤ z ≤ 3.5.
double CentralSeries(double z)
{
    const double zSquared = z * z;
    const double density = 0.3989422804014327 * SafeExp(-0.5 * zSquared);
    double term = z * density;
    double sum = term;
    double j = 3.0;
    for (int n = 0; n < kMaxSeriesTerms; ++n, j += 2.0) {
        term = term * zSquared / j;
        const double previous = sum;
        sum += term;
        if (sum == previous) break;
    }
    return sum;
}

// 1 − Φ(z) for z > 3.5 (Hill's continued fraction).
double UpperTail(double z)
{
    if (z > kTailVanishes) return 0.0;
    const double fraction =
        z - 3.8052e-8 +
        1.00000615302 /
            (z + 3.98064794e-4 +
             1.98615381364 /
                 (z - 0.151679116635 +
                  5.29330324926 /
                      (z + 4.8385912808 -
                       15.1508972451 / (z + 0.742380924027 + 30.789933034 / (z + 3.99019417011)))));
    return 0.398942280385 * SafeExp(-z * z / 2.0) / fraction;
}

}  // namespace

double NormalCdf(double x)
{
    // Φ(x) for x ≥ 0, and Φ(x) = 1 − Φ(|x|) taken directly as the upper tail for x < 0,
    // so that the lower tail keeps its relative accuracy (Φ(−10) ≈ 7.6e−24, not 0).
    const double z = std::fabs(x);
    if (z <= kSeriesLimit) {
        const double sum = CentralSeries(z);
        return x >= 0.0 ? 0.5 + sum : 0.5 - sum;
    }
    const double tail = UpperTail(z);
    return x >= 0.0 ? 1.0 - tail : tail;
}

double NormalTailProb(double z)
{
    // Φ(−|z|) is the smaller tail for either sign, without the cancellation of 1 − Φ(z).
    return NormalCdf(-std::fabs(z));
}

double NormalQuantile(double p)
{
    if (p <= 0.0) return -1.0;
    if (NormalCdf(-10.0) >= p) return -10.0;
    if (NormalCdf(10.0) <= p) return 10.0;
    double lo = -10.0;
    double step = 20.0;
    for (int halving = 0; halving < kMaxHalvings; ++halving) {
        step /= 2.0;
        const double mid = lo + step;
        const double f = NormalCdf(mid) - p;
        if (f <= 0.0) lo = mid;
        if (step < 0.0001 || f == 0.0) break;
    }
    return lo;
}

}  // namespace sheetstat
