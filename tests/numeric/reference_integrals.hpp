// Reference probabilities for the numerical-core tests, computed independently of the
// library: densities written from their textbook formulas in long double (std::lgamma
// on long double for the normalising constants) and integrated by adaptive
// Gauss–Kronrod quadrature (the 7/15-point pair of QUADPACK's qk15). The rule never
// evaluates the end points, and integrals are taken over the smaller tail where it
// matters, substituted so that the x^(−1/2) end-point singularities of the densities
// with half-integer shapes become smooth. Where the density is a narrow peak (large
// shapes or degrees of freedom) the tail is integrated outwards from the statistic in
// pieces of doubling width that start at the scale of the density there, so no piece
// can hide the mass from the rule's nodes. Accurate to about 1e−13 relative for small
// shapes; at shapes near 2^20 the long double normalising constants (ln Γ of size
// 1.3e7) leave about 1e−12.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <limits>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

namespace sheetstat::testing {

using Real = long double;
inline constexpr Real kInfinity = std::numeric_limits<Real>::infinity();

// The incomplete gamma and beta functions converge to 1e−15 relative and take their
// factors in saddle-point form; against these references they agree to a few 1e−14
// (shapes ≥ 1/2). 1e−12 leaves room for the references themselves.
inline constexpr double kIterationTolerance = 1e-12;
// At shapes near 2^20 the references keep about 1e−12 (see above).
inline constexpr double kLargeShapeTolerance = 1e-10;
// Probabilities are compared relatively down to the smallest normal doubles.
inline constexpr Real kGuardFloor = 1e-300L;

// |computed − reference| ≤ tolerance·|reference|.
inline void ExpectRelativelyNear(double computed, Real reference, double tolerance)
{
    EXPECT_NEAR(computed, static_cast<double>(reference), tolerance * static_cast<double>(std::fabs(reference)))
        << "reference " << static_cast<double>(reference);
}

namespace detail {

// The 15-point Kronrod rule on [a, b]; `error` is its difference from the embedded
// 7-point Gauss rule.
template <class F>
Real KronrodRule(const F& f, Real a, Real b, Real& error)
{
    static constexpr std::array<Real, 8> node = {
        0.991455371120812639206854697526329L, 0.949107912342758524526189684047851L,
        0.864864423359769072789712788640926L, 0.741531185599394439863864773280788L,
        0.586087235467691130294144845693013L, 0.405845151377397166906606412076961L,
        0.207784955007898467600689403773245L, 0.0L};
    static constexpr std::array<Real, 8> kronrodWeight = {
        0.022935322010529224963732008058970L, 0.063092092629978553290700663189204L,
        0.104790010322250183839876322541518L, 0.140653259715525918745189590510238L,
        0.169004726639267902826583426598550L, 0.190350578064785409913256402421014L,
        0.204432940075298892414161999234649L, 0.209482141084727828012999174891714L};
    static constexpr std::array<Real, 4> gaussWeight = {
        0.129484966168869693270611432679082L, 0.279705391489276667901467771423780L,
        0.381830050505118944950369775488975L, 0.417959183673469387755102040816327L};
    const Real centre = (a + b) / 2;
    const Real half = (b - a) / 2;
    const Real fc = f(centre);
    Real kronrod = kronrodWeight[7] * fc;
    Real gauss = gaussWeight[3] * fc;
    for (std::size_t j = 0; j < 7; ++j) {
        const Real pair = f(centre - half * node[j]) + f(centre + half * node[j]);
        kronrod += kronrodWeight[j] * pair;
        if (j % 2 == 1) gauss += gaussWeight[j / 2] * pair;
    }
    error = std::fabs((kronrod - gauss) * half);
    return kronrod * half;
}

// Recursive bisection until each piece meets its share of the tolerance, or its error
// estimate is down to the rule's own rounding (long double, ε ≈ 1.1e−19), or the
// budget of pieces is spent (a safeguard; the references used stay far within it). A
// NaN integrand ends the recursion at once: its NaN estimate fails the comparison
// instead of bisecting one point until the stack runs out.
template <class F>
Real Adaptive(const F& f, Real a, Real b, Real tolerance, int& budget)
{
    Real error = 0;
    const Real estimate = KronrodRule(f, a, b, error);
    if (!(error > tolerance) || error <= 1e-17L * std::fabs(estimate) || --budget <= 0) return estimate;
    const Real mid = (a + b) / 2;
    return Adaptive(f, a, mid, tolerance / 2, budget) + Adaptive(f, mid, b, tolerance / 2, budget);
}

}  // namespace detail

// ∫_a^b f, to about 1e−13 relative, or to the absolute error `enough` if that is
// larger (for a piece of an integral whose sum is already known to be that large).
template <class F>
Real Integrate(const F& f, Real a, Real b, Real enough = 0)
{
    if (!(a < b)) return 0;  // an empty interval (a statistic of 0 from a bisection)
    Real error = 0;
    const Real rough = detail::KronrodRule(f, a, b, error);
    const Real tolerance = std::fmax(std::fmax(1e-14L * std::fabs(rough), enough), 1e-4000L);
    int budget = 100000;
    return detail::Adaptive(f, a, b, tolerance, budget);
}

// ∫_0^X f for f ~ x^(c−1), c ≥ 1/2, at 0: x = u² makes the integrand 2u·f(u²) bounded.
template <class F>
Real IntegrateFromZero(const F& f, Real X)
{
    return Integrate([&f](Real u) { return 2 * u * f(u * u); }, 0.0L, std::sqrt(X));
}

// ∫_X^∞ f for X > 0 and f decaying at least like x^(−3/2): x = X + (1 − w²)/w² maps
// w ∈ (0, 1] onto [X, ∞) with a bounded integrand.
template <class F>
Real IntegrateToInfinity(const F& f, Real X)
{
    return Integrate(
        [&f, X](Real w) {
            const Real w2 = w * w;
            return 2 * f(X + (1 - w2) / w2) / (w2 * w);
        },
        0.0L, 1.0L);
}

// ∫ f from `from` towards `to` (either side of it; `to` may be ±∞, or 0 where f has an
// integrable x^(c−1) singularity), for f decreasing away from `from`: pieces whose
// width starts at `width` and doubles, until `to` or until a piece adds less than
// 1e−30 of the sum.
template <class F>
Real IntegrateAwayFrom(const F& f, Real from, Real to, Real width)
{
    const bool upwards = to > from;
    Real sum = 0;
    Real start = from;
    for (int piece = 0; piece < 4000; ++piece, width *= 2) {
        const Real enough = 1e-16L * sum;  // later pieces need not resolve what cannot count
        Real end = upwards ? start + width : start - width;
        if (upwards ? end >= to : end <= to) {
            if (upwards) return sum + Integrate(f, start, to, enough);
            return sum + (to == 0 ? IntegrateFromZero(f, start) : Integrate(f, to, start, enough));
        }
        const Real part = upwards ? Integrate(f, start, end, enough) : Integrate(f, end, start, enough);
        sum += part;
        if (part <= 1e-30L * sum) break;
        start = end;
    }
    return sum;
}

// ---- Densities ----
// Each returns the density as a function, its normalising constant computed once.
// The gamma and F densities take the point where they are integrated from and are
// written relative to it: their logarithms at large shapes are differences of terms
// of size 1e7, whose long double rounding (1e−12 relative) would otherwise keep the
// quadrature from ever meeting its tolerance; relative to a nearby point the varying
// part stays small, and the rounding of the constant only scales the result.

// ln(x/c), through log1p where x is near c.
inline Real LogRatio(Real x, Real c)
{
    return std::fabs(x - c) < c / 2 ? std::log1p((x - c) / c) : std::log(x / c);
}

inline auto GammaDensity(Real a, Real centre)  // t^(a−1) e^−t / Γ(a)
{
    const Real logAtCentre = (a - 1) * std::log(centre) - centre - std::lgamma(a);
    return [a, centre, logAtCentre](Real t) {
        return std::exp(logAtCentre + (a - 1) * LogRatio(t, centre) - (t - centre));
    };
}

inline auto BetaDensity(Real a, Real b)  // t^(a−1) (1 − t)^(b−1) / B(a, b)
{
    const Real logNorm = std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b);
    return [a, b, logNorm](Real t) { return std::exp(logNorm + (a - 1) * std::log(t) + (b - 1) * std::log1p(-t)); };
}

inline auto StudentDensity(Real nu)
{
    const Real logNorm = std::lgamma((nu + 1) / 2) - std::lgamma(nu / 2) - std::log(nu * std::numbers::pi_v<Real>) / 2;
    return [nu, logNorm](Real t) { return std::exp(logNorm - (nu + 1) / 2 * std::log1p(t * t / nu)); };
}

inline auto FisherDensity(Real nu1, Real nu2, Real centre)
{
    const Real logAtCentre = std::lgamma((nu1 + nu2) / 2) - std::lgamma(nu1 / 2) - std::lgamma(nu2 / 2) +
                             nu1 / 2 * std::log(nu1 / nu2) + (nu1 / 2 - 1) * std::log(centre) -
                             (nu1 + nu2) / 2 * std::log1p(nu1 * centre / nu2);
    return [nu1, nu2, centre, logAtCentre](Real x) {
        return std::exp(logAtCentre + (nu1 / 2 - 1) * LogRatio(x, centre) -
                        (nu1 + nu2) / 2 * std::log1p(nu1 * (x - centre) / (nu2 + nu1 * centre)));
    };
}

// ---- Probabilities ----

// Φ(x) from the long double complementary error function of the standard library.
inline Real ReferenceNormalCdf(Real x)
{
    return std::erfc(-x / std::numbers::sqrt2_v<Real>) / 2;
}

// From this shape or number of degrees of freedom on, tails are integrated outwards
// from the statistic (IntegrateAwayFrom).
inline constexpr Real kPeakedFrom = 100;

// Q(a, x) = ∫_x^∞ t^(a−1) e^−t dt / Γ(a).
inline Real ReferenceGammaQ(Real a, Real x)
{
    if (x <= 0) return 1;  // the density is written relative to x, which must be positive
    const auto density = GammaDensity(a, x);
    if (a >= kPeakedFrom) {
        const Real slope = std::fabs(1 - (a - 1) / x);  // of ln density at x
        const Real width = std::fmin(std::sqrt(a), 1 / slope) / 4;
        if (x >= a - 1) return IntegrateAwayFrom(density, x, kInfinity, width);
        return 1 - IntegrateAwayFrom(density, x, 0, width);
    }
    if (x <= a) return 1 - IntegrateFromZero(density, x);
    return IntegrateToInfinity(density, x);
}

// I_x(a, b) = ∫_0^x t^(a−1) (1 − t)^(b−1) dt / B(a, b), for shapes below kPeakedFrom.
inline Real ReferenceIncBeta(Real a, Real b, Real x)
{
    if (x <= a / (a + b)) return IntegrateFromZero(BetaDensity(a, b), x);
    const auto mirrored = [density = BetaDensity(a, b)](Real u) { return density(1 - u); };
    return 1 - IntegrateFromZero(mirrored, 1 - x);
}

// P[|T| ≥ |t|], T Student's t with ν degrees of freedom.
inline Real ReferenceTTwoTailed(Real t, Real nu)
{
    const auto density = StudentDensity(nu);
    t = std::fabs(t);
    if (t <= 1) return 1 - 2 * Integrate(density, 0.0L, t);
    if (nu < kPeakedFrom) return 2 * IntegrateToInfinity(density, t);
    const Real slope = (nu + 1) * t / (nu + t * t);
    return 2 * IntegrateAwayFrom(density, t, kInfinity, std::fmin(1, 1 / slope) / 4);
}

// P[F' ≥ f], F' with ν1 and ν2 degrees of freedom.
inline Real ReferenceFUpper(Real f, Real nu1, Real nu2)
{
    if (f <= 0) return 1;  // the density is written relative to f, which must be positive
    if (nu1 < kPeakedFrom && nu2 < kPeakedFrom) {
        const auto density = FisherDensity(nu1, nu2, f);
        if (f <= 1) return 1 - IntegrateFromZero(density, f);
        return IntegrateToInfinity(density, f);
    }
    // With few denominator df the right tail is heavy: P[F(ν1, ν2) ≥ f] = P[F(ν2, ν1) ≤ 1/f],
    // a lower tail of a distribution that is not peaked.
    if (nu2 < kPeakedFrom) return IntegrateFromZero(FisherDensity(nu2, nu1, 1 / f), 1 / f);
    const auto density = FisherDensity(nu1, nu2, f);
    const Real mode = nu1 > 2 ? (nu1 - 2) / nu1 * nu2 / (nu2 + 2) : 0;
    const Real slope = std::fabs((nu1 / 2 - 1) / f - (nu1 + nu2) / 2 * nu1 / (nu2 + nu1 * f));
    const Real width = std::fmin(f * std::sqrt(2 / nu1 + 2 / nu2), 1 / slope) / 4;
    if (f >= mode) return IntegrateAwayFrom(density, f, kInfinity, width);
    return 1 - IntegrateAwayFrom(density, f, 0, width);
}

// ---- The studentized range ----
//
// P[W/s > q] for the range W of k standard normal variables and ν s² ~ χ²_ν, as the
// double integral
//   P[W/s ≤ q] = ∫ g_ν(t) F_k(q e^t) dt,   F_k(w) = k ∫ φ(z) (Φ(z + w) − Φ(z))^(k−1) dz,
// t = ln s with density g_ν. F_k is tabulated at w = 0, 0.01, …, 12.5 by the
// trapezoidal rule of step 0.15 over z ∈ [−8.5, 8.5] (geometrically convergent for
// this smooth, Gaussian-decaying integrand) and interpolated by the polynomial
// through the 8 nearest tabulated points; the integral over t is the trapezoidal rule
// of step min(σ/4, 0.02), σ = 1/√(2ν) the spread of ln s, over the range where g_ν
// exceeds e^−40 of its peak. Good to about 1e−11.
class RangeCdfTable {
public:
    static constexpr Real kStep = 0.01L;
    static constexpr int kLast = 1250;  // F_k(12.5) = 1 to 1e−16

    explicit RangeCdfTable(int k) : values_(kLast + 1)
    {
        constexpr Real h = 0.15L;
        const Real invSqrt2 = 1 / std::numbers::sqrt2_v<Real>;
        std::vector<Real> weight, cdf, z;
        for (int j = -57; j <= 57; ++j) {
            z.push_back(h * j);
            weight.push_back(k * h * std::exp(-z.back() * z.back() / 2) / std::sqrt(2 * std::numbers::pi_v<Real>));
            cdf.push_back(std::erfc(-z.back() * invSqrt2) / 2);
        }
        for (int i = 1; i <= kLast; ++i) {
            Real sum = 0;
            for (std::size_t j = 0; j < z.size(); ++j) {
                const Real g = std::erfc(-(z[j] + i * kStep) * invSqrt2) / 2 - cdf[j];
                Real power = 1;
                for (int e = 1; e < k; ++e) power *= g;
                sum += weight[j] * power;
            }
            values_[static_cast<std::size_t>(i)] = sum;
        }
    }

    Real operator()(Real w) const
    {
        if (w <= 0) return 0;
        if (w >= kLast * kStep) return 1;
        const int first = std::clamp(static_cast<int>(w / kStep) - 3, 0, kLast - 7);
        Real sum = 0;
        for (int i = first; i < first + 8; ++i) {
            Real basis = 1;
            for (int m = first; m < first + 8; ++m)
                if (m != i) basis *= (w - m * kStep) / ((i - m) * kStep);
            sum += basis * values_[static_cast<std::size_t>(i)];
        }
        return sum;
    }

private:
    std::vector<Real> values_;
};

// The table of F_k, made once per k.
inline const RangeCdfTable& RangeCdfOf(int k)
{
    static std::array<std::unique_ptr<RangeCdfTable>, 21> tables;
    auto& table = tables[static_cast<std::size_t>(k)];
    if (!table) table = std::make_unique<RangeCdfTable>(k);
    return *table;
}

inline Real ReferenceRangeUpper(Real q, int k, Real nu)
{
    if (q <= 0) return 1;
    const RangeCdfTable& rangeCdf = RangeCdfOf(k);
    const Real sigma = 1 / std::sqrt(2 * nu);
    const Real step = std::fmin(sigma / 4, 0.02L);
    const Real lower = -std::fmax(45 / nu, 15 * sigma);
    const Real upper = std::fmin(std::log(4 + 100 / nu) / 2, 15 * sigma);
    // g_ν(t) = 2 (ν/2)^(ν/2) / Γ(ν/2) · e^(νt − ν e^(2t)/2)
    const Real logNorm = std::log(Real{2}) + nu / 2 * std::log(nu / 2) - std::lgamma(nu / 2);
    Real cdfOfQ = 0;
    const int steps = static_cast<int>((upper - lower) / step);
    for (int i = 0; i <= steps; ++i) {
        const Real t = lower + i * step;
        cdfOfQ += std::exp(logNorm + nu * t - nu * std::exp(2 * t) / 2) * rangeCdf(q * std::exp(t));
    }
    return 1 - step * cdfOfQ;
}

// The x with G(x) = p for a decreasing G, by the Illinois variant of regula falsi in
// long double on a bracket found by doubling from `start`, to 1e−12 relative.
template <class G>
Real ReferenceQuantile(const G& upperTail, Real p, Real start)
{
    Real lo = 0, hi = start;
    Real fLo = upperTail(lo) - p, fHi = upperTail(hi) - p;
    while (fHi > 0) {
        lo = hi;
        fLo = fHi;
        hi *= 2;
        fHi = upperTail(hi) - p;
    }
    int side = 0;
    for (int iteration = 0; iteration < 200 && hi - lo > 1e-12L * hi; ++iteration) {
        const Real x = (lo * fHi - hi * fLo) / (fHi - fLo);
        const Real f = upperTail(x) - p;
        if (f > 0) {
            lo = x;
            fLo = f;
            if (side == -1) fHi /= 2;
            side = -1;
        } else {
            hi = x;
            fHi = f;
            if (side == 1) fLo /= 2;
            side = 1;
        }
        if (f == 0) return x;
    }
    return (lo + hi) / 2;
}

}  // namespace sheetstat::testing
