// The studentized range distribution, upper tail:
//
//   RangeProb(q, k, ν) = P[W/s ≥ q],
//
// W the range of k independent N(0, σ²) means and s an independent estimate of σ
// with ν degrees of freedom.
//
// For k = 2 the studentized range is √2·|T| with T Student's t, so the probability is
// the two-tailed t probability of q/√2. For k = 3..20 the distribution function is
// expanded in powers of 1/ν,
//
//   P[W/s ≤ q] ≈ L0(q) + L1(q)/ν + L2(q)/ν²,
//
// L0 the distribution function of the range of k standard normal variables and L1,
// L2 the correction coefficients of Hartley's expansion (1944), each tabulated at
// q = 0, 0.25, …, 6.5 and interpolated by the cubic through the four nearest
// tabulated points, evaluated by Neville's scheme (Press et al., Numerical Recipes,
// polint). Beyond 6.5 the last four points are extrapolated.
//
// The expansion serves only where it is accurate: from kExpansionFromDf[k] degrees of
// freedom on, found by comparison with the direct integration at every ν from there
// to 600, every tenth to 3000 and on a geometric grid up to 4e9, over q from 0 to 1e5:
// its upper tail lies within 4.2e−4 of the exact one there, and its quantiles within
// 7.2e−4 (relative) of the exact ones for every p from 0.0075 to 0.9 (the levels that
// post-hoc procedures at α = 0.05 use for up to 20 means, and α = 0.01 itself).
// Below that, where the remainder of the series in 1/ν grows (errors of 0.1 to 100 at
// ν = 1), and for k = 6, whose extrapolation beyond q = 6.5 turns down (errors up to
// 0.14 at every ν), the distribution is integrated directly
// (studentized_range_integral.cpp, within 1e−9). Quantiles of the expansion below
// p = 0.0075 would carry only the four digits of its tables (up to 3e−3 relative at
// p = 0.001), so RangeQuantile integrates for such levels at every ν.
//
// RangeQuantile(p, k, ν) is the q with RangeProb ≈ p (for p < 0.0075, with the
// integrated tail), found by bisection from 8, the bracket doubled while the quantile
// lies above it. Outside the tabulated k = 2..20,
// and for ν = 0, there is no distribution to answer with: both functions return −1.
#include <array>
#include <cmath>
#include <cstddef>

#include "numeric/distributions.hpp"
#include "numeric/math_functions.hpp"
#include "numeric/quantile_bisection.hpp"
#include "numeric/studentized_range_integral.hpp"
#include "numeric/studentized_range_tables.hpp"

namespace sheetstat {
namespace {

constexpr double kColumnWidth = 0.25;
constexpr int kPoints = 4;  // a cubic through four tabulated points
constexpr int kLastFirstColumn = kRangeTableColumns - kPoints;  // 23: columns 23..26 serve q beyond 6.5

// The smallest degrees of freedom at which the expansion is used, for k = 3..20 (the
// measured limits raised by 10 to 20 %); 0 for k = 6, which never uses it.
constexpr std::array<uint32_t, 18> kExpansionFromDf = {
    130, 220, 260, 0, 55, 140, 80, 70, 80, 80, 130, 75, 120, 220, 380, 560, 210, 600,
};

bool UsesExpansion(uint32_t k, uint32_t df)
{
    const uint32_t from = kExpansionFromDf[static_cast<std::size_t>(k) - kRangeTableFirstK];
    return from != 0 && df >= from;
}

bool HasRangeDistribution(uint32_t k, uint32_t df)
{
    return k >= 2 && k <= static_cast<uint32_t>(kRangeTableLastK) && df > 0;
}

// The first of the four tabulated columns used at q: trunc(q/0.25) − 1, clamped to
// 0..23 (clamped as a double, so that NaN or a huge q cannot overflow the conversion).
int FirstColumn(double q)
{
    double column = std::trunc(q / kColumnWidth) - 1.0;
    if (!(column > 0.0)) column = 0.0;
    if (column > kLastFirstColumn) column = kLastFirstColumn;
    return static_cast<int>(column);
}

// The value at x of the cubic through (xa[i], ya[i]), i = 1..4, by Neville's scheme,
// starting from the abscissa nearest to x (the first of equally near ones) and
// adding the corrections c or d along the path that stays centred on it.
double NevilleCubic(const std::array<double, kPoints + 1>& xa, const std::array<double, kPoints + 1>& ya,
                    double x)
{
    constexpr int n = kPoints;
    std::array<double, n + 1> c{};
    std::array<double, n + 1> d{};
    int ns = 1;
    double dif = std::fabs(x - xa[1]);
    for (int i = 1; i <= n; ++i) {
        const double dift = std::fabs(x - xa[static_cast<std::size_t>(i)]);
        if (dift < dif) {
            ns = i;
            dif = dift;
        }
        c[static_cast<std::size_t>(i)] = ya[static_cast<std::size_t>(i)];
        d[static_cast<std::size_t>(i)] = ya[static_cast<std::size_t>(i)];
    }
    double y = ya[static_cast<std::size_t>(ns--)];
    for (int m = 1; m < n; ++m) {
        for (int i = 1; i <= n - m; ++i) {
            const auto ui = static_cast<std::size_t>(i);
            const double ho = xa[ui] - x;
            const double hp = xa[ui + static_cast<std::size_t>(m)] - x;
            const double w = c[ui + 1] - d[ui];
            const double den = w / (ho - hp);  // abscissas are distinct: ho − hp = −m·0.25
            d[ui] = hp * den;
            c[ui] = ho * den;
        }
        y += 2 * ns < n - m ? c[static_cast<std::size_t>(ns + 1)] : d[static_cast<std::size_t>(ns--)];
    }
    return y;
}

// The interpolated value at q of one table's row k, entries scaled by `scale`.
double InterpolateRow(const int32_t* table, double scale, uint32_t k, int firstColumn, double q)
{
    const int32_t* row = table + (static_cast<std::size_t>(k) - kRangeTableFirstK) * kRangeTableColumns;
    std::array<double, kPoints + 1> xa{};
    std::array<double, kPoints + 1> ya{};
    for (int j = 1; j <= kPoints; ++j) {
        const int column = firstColumn + j - 1;
        xa[static_cast<std::size_t>(j)] = column * kColumnWidth;
        ya[static_cast<std::size_t>(j)] = row[column] * scale;
    }
    return NevilleCubic(xa, ya, q);
}

}  // namespace

double RangeProb(double q, uint32_t k, uint32_t df)
{
    if (!HasRangeDistribution(k, df)) return -1.0;
    const double nu = df;
    if (k == 2) return IncBeta(nu / 2.0, 0.5, nu / (q * q / 2.0 + nu));

    if (!UsesExpansion(k, df)) return RangeUpperTailByIntegration(q, static_cast<int>(k), nu);

    const int i = FirstColumn(q);
    const double L0 = InterpolateRow(kRangeLeading, 0.0001, k, i, q);
    const double L1 = InterpolateRow(kRangeFirstCorrection, 0.01, k, i, q);
    const double L2 = InterpolateRow(kRangeSecondCorrection, 0.1, k, i, q);
    double L = L0 + L1 / nu + L2 / (nu * nu);
    if (L >= 1.0) L = 1.0;
    return 1.0 - L;
}

double RangeQuantile(double p, uint32_t k, uint32_t df)
{
    if (!HasRangeDistribution(k, df)) return -1.0;
    // The smallest level whose expansion quantiles hold 1e−3 relative accuracy.
    constexpr double kExpansionSmallestLevel = 0.0075;
    if (k > 2 && p < kExpansionSmallestLevel) {
        const double nu = df;
        return BisectQuantile(p, 8.0, [k, nu](double q) { return RangeUpperTailByIntegration(q, static_cast<int>(k), nu); });
    }
    return BisectQuantile(p, 8.0, [k, df](double q) { return RangeProb(q, k, df); });
}

}  // namespace sheetstat
