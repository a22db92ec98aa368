// nkQCChart: worked examples, empty cells, the limits of every chart against the
// textbook constants d2, d3 (quadrature of the normal range distribution) and c4 (the
// gamma function) or the binomial and Poisson formulas, and accuracy at extreme scales.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// Option slots of the chart flags.
enum ChartFlag { kMeanChart = 4, kRangeChart, kSdChart, kPChart, kNpChart, kCChart, kUChart };

struct ChartCall {
    RealHostArray options, data, points, results;

    int32_t Run() { return nkQCChart(options.ref(), data.ref(), points.ref(), results.ref()); }
};

ChartCall Chart(ChartFlag flag, const std::vector<double>& data, double n, double k = 3, double w = 2,
                double limitCount = -1)
{
    std::vector<double> options(11, 0);
    options[0] = n;
    options[1] = k;
    options[2] = w;
    options[static_cast<std::size_t>(flag) - 1] = 1;
    options[10] = limitCount;
    return {RealHostArray::FromValues(options), RealHostArray::FromValues(data),
            RealHostArray(std::max<std::size_t>(data.size(), 1), 2, 1), RealHostArray(5)};
}

// CL, LCL, UCL, LWL, UWL.
using Limits = std::array<long double, 5>;

void ExpectLimits(ChartCall& call, const Limits& expected, double tolerance)
{
    for (std::size_t slot = 1; slot <= 5; ++slot) {
        EXPECT_NEAR(call.results[slot], static_cast<double>(expected[slot - 1]), tolerance) << "slot " << slot;
    }
}

Limits About(long double centre, long double sigma, double k, double w, bool clamp)
{
    Limits limits{centre, centre - k * sigma, centre + k * sigma, centre - w * sigma, centre + w * sigma};
    if (clamp) limits[1] = std::max(limits[1], 0.0L), limits[3] = std::max(limits[3], 0.0L);
    return limits;
}

void ExpectPoints(ChartCall& call, const std::vector<long double>& expected, double tolerance)
{
    for (std::size_t i = 1; i <= expected.size(); ++i) {
        EXPECT_EQ(call.points(i, 1), static_cast<double>(i));
        EXPECT_NEAR(call.points(i, 2), static_cast<double>(expected[i - 1]), tolerance) << "point " << i;
    }
}

// ---- Textbook constants, computed here ----

Real NormalDensity(Real x)
{
    return std::exp(-x * x / 2) / std::sqrt(2 * std::numbers::pi_v<Real>);
}

constexpr Real kTail = 12;  // Φ(−12) ≈ 2e−33: the range's densities vanish beyond

// ∫_a^b f to 1e−9 absolute: ample for factors tabled to three decimals, and quick
// enough for the double integral of d3.
template <class F>
Real Quadrature(const F& f, Real a, Real b)
{
    int budget = 100000;
    return detail::Adaptive(f, a, b, 1e-9L, budget);
}

// d2(n) = E[range of n standard normals] = ∫ (1 − (1 − Φ(x))^n − Φ(x)^n) dx.
Real D2(int n)
{
    return Quadrature(
        [n](Real x) {
            const Real p = ReferenceNormalCdf(x);
            return 1 - std::pow(1 - p, static_cast<Real>(n)) - std::pow(p, static_cast<Real>(n));
        },
        -kTail, kTail);
}

// d3(n) = sd of that range: E[W²] from the joint density of the smallest and largest,
// n(n − 1) φ(x) φ(y) (Φ(y) − Φ(x))^(n−2) for x < y.
Real D3(int n)
{
    const Real pairs = static_cast<Real>(n) * (n - 1);
    const Real squared = Quadrature(
        [n](Real y) {
            const Real py = ReferenceNormalCdf(y);
            return NormalDensity(y) * Quadrature(
                                          [n, y, py](Real x) {
                                              return (y - x) * (y - x) * NormalDensity(x) *
                                                     std::pow(py - ReferenceNormalCdf(x), static_cast<Real>(n - 2));
                                          },
                                          -kTail, y);
        },
        -kTail, kTail);
    const Real d2 = D2(n);
    return std::sqrt(pairs * squared - d2 * d2);
}

// c4(n) = E[s]/σ = √(2/(n − 1)) Γ(n/2)/Γ((n − 1)/2).
Real C4(int n)
{
    return std::sqrt(2.0L / (n - 1)) * std::exp(std::lgamma(n / 2.0L) - std::lgamma((n - 1) / 2.0L));
}

TEST(QCChart, QuadratureReproducesKnownConstants)
{
    EXPECT_NEAR(static_cast<double>(D2(2)), 2 / std::sqrt(std::numbers::pi), 1e-9);  // E|X − Y| = 2/√π
    EXPECT_NEAR(static_cast<double>(D3(2)), std::sqrt(2 - 4 / std::numbers::pi), 1e-9);
    EXPECT_NEAR(static_cast<double>(C4(2)), std::sqrt(2 / std::numbers::pi), 1e-15);
}

// ---- Worked examples ----

TEST(QCChart, WorkedExamples)
{
    // Mean chart of 1..6 in pairs: the limits use the sd of all six values, √3.5; the
    // mean chart's lower limit is not clamped at 0.
    ChartCall mean = Chart(kMeanChart, {1, 2, 3, 4, 5, 6}, 2);
    ASSERT_EQ(mean.Run(), kOk);
    ExpectPoints(mean, {1.5, 3.5, 5.5}, 1e-15);
    const double se = std::sqrt(3.5) / std::sqrt(2.0);
    ExpectLimits(mean, {3.5, 3.5 - 3 * se, 3.5 + 3 * se, 3.5 - 2 * se, 3.5 + 2 * se}, 1e-14);
    EXPECT_LT(mean.results[2], 0);

    // c chart of 4 and 9: LCL 6.5 − 3√6.5 = −1.149 becomes 0.
    ChartCall c = Chart(kCChart, {4, 9}, 0);
    ASSERT_EQ(c.Run(), kOk);
    ExpectPoints(c, {4, 9}, 0);
    ExpectLimits(c, About(6.5, std::sqrt(6.5L), 3, 2, true), 1e-14);
    EXPECT_EQ(c.results[2], 0);
    EXPECT_GT(c.results[4], 0);

    // Limits from the first 2 of 5 points; all 5 are plotted.
    ChartCall leading = Chart(kCChart, {1, 2, 30, 40, 50}, 0, 3, 2, 2);
    ASSERT_EQ(leading.Run(), kOk);
    ExpectPoints(leading, {1, 2, 30, 40, 50}, 0);
    ExpectLimits(leading, About(1.5, std::sqrt(1.5L), 3, 2, true), 1e-14);

    // Seven values in subgroups of 3: two ranges (2 and 4), the seventh value ignored.
    ChartCall ranges = Chart(kRangeChart, {1, 2, 3, 4, 8, 6, 100}, 3);
    ASSERT_EQ(ranges.Run(), kOk);
    ExpectPoints(ranges, {2, 4}, 0);
    EXPECT_EQ(ranges.results[1], 3);
    EXPECT_EQ(ranges.points(3, 1), 0);  // no third point
}

// An empty cell counts as the mean of all valid data, in the subgroup statistic and in
// the limits: here the mean of 1, 3, 5, 9 is 4.5.
TEST(QCChart, EmptyCellsCountAsTheOverallMean)
{
    const std::vector<double> data{1, kMissing, 3, 5, kMissing, 9};
    ChartCall mean = Chart(kMeanChart, data, 2);
    ASSERT_EQ(mean.Run(), kOk);
    ExpectPoints(mean, {2.75, 4, 6.75}, 1e-15);
    const ReferenceMoments m = ReferenceMeanVariance({1, 4.5, 3, 5, 4.5, 9});
    ExpectLimits(mean, About(m.mean, m.sd() / std::sqrt(2.0L), 3, 2, false), 1e-14);

    ChartCall ranges = Chart(kRangeChart, data, 3);
    ASSERT_EQ(ranges.Run(), kOk);
    ExpectPoints(ranges, {3.5, 4.5}, 0);

    ChartCall np = Chart(kNpChart, {2, kMissing, 4}, 10);  // the empty sample has 3 defectives
    ASSERT_EQ(np.Run(), kOk);
    ExpectPoints(np, {2, 3, 4}, 0);
    ExpectLimits(np, About(3, std::sqrt(3 * (1 - 0.3L)), 3, 2, true), 1e-14);
}

// ---- Limits against the textbook constants ----

// Range and standard deviation charts for every tabled n: σ of the plotted statistic is
// CL·d3/d2 (ranges) or CL·√(1 − c4²)/c4 (standard deviations). The stored factors are
// the published three-decimal ones, derived from rounded d2 and d3: they lie within
// 0.001 of 1 ± 3σ/CL (D4 for n = 18 is 1.608 where the exact value is 1.6087), so the
// limits may differ from the exact ones by k·CL·0.001/3. One case
// per n has k = 2, w = 1 and must show LCL < LWL < CL < UWL < UCL once n ≥ 5.
TEST(QCChart, SpreadChartLimitsFromQuadratureConstants)
{
    std::mt19937_64 random(7);
    std::normal_distribution<double> normal(50, 4);
    for (int n = 2; n <= 25; ++n) {
        std::vector<double> data(static_cast<std::size_t>(4 * n));
        for (double& x : data) x = normal(random);
        const Real d3OverD2 = D3(n) / D2(n);
        const Real c4 = C4(n);
        const Real sOverS = std::sqrt(1 - c4 * c4) / c4;
        // Subgroup ranges and standard deviations, in long double.
        std::vector<long double> ranges, sds;
        for (int i = 0; i < 4; ++i) {
            const auto first = data.begin() + i * n, last = first + n;
            ranges.push_back(static_cast<long double>(*std::max_element(first, last)) - *std::min_element(first, last));
            sds.push_back(ReferenceMeanVariance(std::vector<double>(first, last)).sd());
        }
        for (const auto& [k, w] : {std::pair{3.0, 2.0}, std::pair{2.0, 1.0}, std::pair{1.0, 0.0}}) {
            for (const bool isRange : {true, false}) {
                ChartCall call = Chart(isRange ? kRangeChart : kSdChart, data, n, k, w);
                ASSERT_EQ(call.Run(), kOk) << "n = " << n;
                const std::vector<long double>& statistic = isRange ? ranges : sds;
                ExpectPoints(call, statistic, 1e-12);
                long double centre = 0;
                for (long double v : statistic) centre += v / 4;
                const Limits exact = About(centre, centre * (isRange ? d3OverD2 : sOverS), k, w, true);
                ExpectLimits(call, exact, static_cast<double>(k * centre) * 0.001 / 3);
                if (k == 2 && n >= 5) {
                    auto& r = call.results;
                    EXPECT_TRUE(0 < r[2] && r[2] < r[4] && r[4] < r[1] && r[1] < r[5] && r[5] < r[3])
                        << "n = " << n << (isRange ? " range" : " sd") << ": " << r[2] << " " << r[4] << " "
                        << r[1] << " " << r[5] << " " << r[3];
                }
            }
        }
    }
}

// p, np, c and u charts against the binomial and Poisson standard errors, with the
// limits from a leading part of the points.
TEST(QCChart, CountedChartLimitsFromBinomialAndPoissonVariances)
{
    const std::vector<double> defectives{3, 0, 5, 2, 7, 1, 4, 4, 9, 2};
    const double n = 50;
    for (const double limitCount : {-1.0, 6.0}) {
        const std::size_t m = limitCount < 0 ? defectives.size() : 6;
        long double sum = 0;
        for (std::size_t i = 0; i < m; ++i) sum += defectives[i];
        const long double mean = sum / m;
        struct Case {
            ChartFlag flag;
            long double scale, centre, sigma;
        };
        const Case cases[] = {
            {kPChart, 1 / n, mean / n, std::sqrt(mean / n * (1 - mean / n) / n)},
            {kNpChart, 1, mean, std::sqrt(mean * (1 - mean / n))},
            {kCChart, 1, mean, std::sqrt(mean)},
            {kUChart, 1 / n, mean / n, std::sqrt(mean / n / n)},
        };
        for (const Case& c : cases) {
            ChartCall call = Chart(c.flag, defectives, n, 3, 2, limitCount);
            ASSERT_EQ(call.Run(), kOk) << c.flag;
            std::vector<long double> expected;
            for (double d : defectives) expected.push_back(d * c.scale);
            ExpectPoints(call, expected, 1e-16);
            ExpectLimits(call, About(c.centre, c.sigma, 3, 2, true), 1e-13 * static_cast<double>(c.centre));
        }
    }
    // All samples without defectives: every limit 0; all defective: p limits at 1.
    ChartCall none = Chart(kPChart, {0, 0, 0}, 20);
    ASSERT_EQ(none.Run(), kOk);
    ExpectLimits(none, {0, 0, 0, 0, 0}, 0);
    ChartCall all = Chart(kPChart, {20, 20}, 20);
    ASSERT_EQ(all.Run(), kOk);
    ExpectLimits(all, {1, 1, 1, 1, 1}, 1e-15);
}

// Mean and standard deviation charts keep their spread at a large common offset and at
// scales where the squares of the deviations would underflow or overflow.
TEST(QCChart, MeasuredChartsAtExtremeScales)
{
    const std::vector<double> deviations{0.3, 0.1, 0.45, 0.2, 0.35, 0.05, 0.4, 0.25};
    struct Case {
        double offset, scale, tolerance;
    };
    for (const Case& c : {Case{1e9, 1, 2e-6}, Case{0, 1e-200, 1e-13}, Case{0, 1e200, 1e-13}}) {
        std::vector<double> data;
        for (double d : deviations) data.push_back(c.offset + d * c.scale);
        ChartCall mean = Chart(kMeanChart, data, 4);
        ASSERT_EQ(mean.Run(), kOk);
        const ReferenceMoments m = ReferenceMeanVariance(data, c.offset);
        const long double se = m.sd() / 2;
        EXPECT_NEAR(mean.results[1] - c.offset, static_cast<double>(m.mean), c.tolerance * c.scale);
        EXPECT_NEAR((mean.results[3] - mean.results[1]) / static_cast<double>(3 * se), 1, c.tolerance);

        ChartCall sd = Chart(kSdChart, data, 4);
        ASSERT_EQ(sd.Run(), kOk);
        for (std::ptrdiff_t i = 0; i < 2; ++i) {
            const std::vector<double> subgroup(data.begin() + 4 * i, data.begin() + 4 * i + 4);
            EXPECT_NEAR(sd.points(static_cast<std::size_t>(i) + 1, 2) / static_cast<double>(ReferenceMeanVariance(subgroup, c.offset).sd()), 1,
                        c.tolerance);
        }
    }
}

}  // namespace
}  // namespace sheetstat::testing
