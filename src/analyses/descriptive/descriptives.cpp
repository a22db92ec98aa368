// Descriptive statistics of one sample: count, mean, spread, order statistics and
// percentiles, shape (moment coefficients of skewness and kurtosis), geometric mean
// and the smallest gap between neighbouring values (DescribeSample); and the export
// that runs it over one host column (nkDescriptives).
//
// Spread and shape come from sums of powers of the deviations from the mean, taken
// in a second pass over the values (the two-pass algorithm with the correction term
// of Chan, Golub and LeVeque 1983), not from raw power sums Σx², Σx³, Σx⁴, which
// cancel catastrophically when the values share a large common offset (1e9 + small
// deviations). The deviations are measured in units of the sample range, so that
// the powers neither underflow nor overflow whatever the scale of the data.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>

#include "analyses/descriptive/describe_sample.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/math_functions.hpp"
#include "numeric/running_moments.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {
namespace {

// Slots 10..18: the percentile levels p. Below the median the position (m + 1)·p
// must not fall before the first value, above it not beyond the last; the other
// end cannot be passed at these levels.
struct PercentileSlot {
    std::size_t slot;
    double p;
    bool upper;
};
constexpr PercentileSlot kPercentiles[] = {
    {10, 0.01, false}, {11, 0.05, false}, {12, 0.10, false}, {13, 0.25, false}, {14, 0.50, false},
    {15, 0.75, true},  {16, 0.90, true},  {17, 0.95, true},  {18, 0.99, true},
};

struct ValidValues {
    std::size_t m = 0;
    CompensatedSum sum;
    double logSum = 0;
    // Every valid value is > 0, so the geometric mean exists.
    bool allPositive = true;
};

// Copies the valid values (every cell but MissingValue) into x[1..m] in input order,
// with their sum (compensated, so that the sum and the mean are within about an ulp
// whatever the order and offset of the values) and the sum of their natural
// logarithms. A value that is not a finite number is status 8.
ValidValues CopyValidValues(const double* values, std::size_t count, RealVector& x)
{
    ValidValues valid;
    for (std::size_t k = 0; k < count; ++k) {
        const double value = values[k];
        if (IsMissing(value)) continue;
        RequireFinite(value);
        x[static_cast<std::ptrdiff_t>(++valid.m)] = value;
        valid.sum.Add(value);
        if (value > 0) {
            valid.logSum += std::log(value);
        } else {
            valid.allPositive = false;
        }
    }
    return valid;
}

// The smallest positive difference between neighbours of x(1) ≤ ... ≤ x(m), m ≥ 2;
// the range when no difference is positive (then all values are equal and it is 0).
double SmallestPositiveGap(const RealVector& x, std::ptrdiff_t m)
{
    double gap = x[m] - x[1];
    for (std::ptrdiff_t i = 2; i <= m; ++i) {
        const double d = x[i] - x[i - 1];
        if (d > 0 && d < gap) gap = d;
    }
    return gap;
}

// Sums about the sample mean of the deviations u = (x − mean)/range, range > 0:
// Σ(u − ū)² and the central moments m2, m3, m4 (each divided by m).
struct ScaledMoments {
    double sumSquares = 0;
    double m2 = 0;
    double m3 = 0;
    double m4 = 0;
};

ScaledMoments MomentsAboutMean(const RealVector& x, std::ptrdiff_t m, double mean, double range)
{
    double U1 = 0, U2 = 0, U3 = 0, U4 = 0;
    for (std::ptrdiff_t i = 1; i <= m; ++i) {
        const double u = (x[i] - mean) / range;
        const double u2 = u * u;
        U1 += u;
        U2 += u2;
        U3 += u2 * u;
        U4 += u2 * u2;
    }
    // ū = U1/m is the rounding error of the mean (in units of the range). The power
    // sums about ū follow from those about the mean by the binomial expansion; with
    // ū tiny these identities lose nothing.
    const double M = static_cast<double>(m);
    const double c = U1 / M;
    ScaledMoments moments;
    moments.sumSquares = std::max(U2 - c * U1, 0.0);
    moments.m2 = moments.sumSquares / M;
    moments.m3 = U3 / M - 3 * c * U2 / M + 2 * c * c * c;
    moments.m4 = U4 / M - 4 * c * U3 / M + 6 * c * c * U2 / M - 3 * c * c * c * c;
    return moments;
}

// The percentile at 1-based position (m + 1)·p of x(1) ≤ ... ≤ x(m), interpolated
// linearly between its two neighbouring order statistics; MissingValue when the
// position lies outside the values on the side the level guards.
double Percentile(const RealVector& x, std::size_t m, const PercentileSlot& level)
{
    const double pos = static_cast<double>(m + 1) * level.p - 1;  // 0-based position
    const bool inside = level.upper ? pos <= static_cast<double>(m) - 1 : pos >= 0;
    if (!inside) return kMissingValue;
    const auto k = static_cast<std::ptrdiff_t>(pos);
    const double f = pos - static_cast<double>(k);
    if (f == 0) return x[k + 1];
    return x[k + 1] + f * (x[k + 2] - x[k + 1]);
}

// Slots 3, 4, 5, 19, 20, 23, 24 of a sample of m ≥ 2 sorted values.
void DescribeSpreadAndShape(const RealVector& x, std::size_t m, double mean, SampleSummary& s)
{
    const auto last = static_cast<std::ptrdiff_t>(m);
    const double M = static_cast<double>(m);
    const double range = x[last] - x[1];
    // Equal values have no spread at all: exactly 0, not a rounding residue.
    const ScaledMoments d = range > 0 ? MomentsAboutMean(x, last, mean, range) : ScaledMoments{};

    const double varianceInRangeUnits = d.sumSquares / (M - 1);
    const double variance = varianceInRangeUnits * range * range;
    const double sd = std::sqrt(varianceInRangeUnits) * range;
    s[5] = variance;
    s[4] = sd;
    if (mean != 0) {
        s[23] = sd / mean;
        s[24] = sd / mean * 100 / std::sqrt(M);
    }
    s[3] = sd / std::sqrt(M);
    if (variance > 0) {
        // Moment coefficients g1 = m3/m2^1.5 and g2 = m4/m2² − 3; both are free of
        // scale, so the moments in range units give them directly (m2 ≥ 1/(2m) there).
        s[19] = d.m3 / SafePow(d.m2, 1.5);
        s[20] = d.m4 / (d.m2 * d.m2) - 3;
    }
}

void Descriptives(HostArray** data, HostArray** results)
{
    RealArrayView values(data), out(results);
    Require(out.count() >= kSampleSummarySlots);
    DescribeSample(values.data(), values.count(), out.data());
}

}  // namespace

void DescribeSample(const double* values, std::size_t count, double* summary)
{
    RealVector x(1, count);
    const ValidValues valid = CopyValidValues(values, count, x);
    const std::size_t m = valid.m;
    const auto last = static_cast<std::ptrdiff_t>(m);
    const double M = static_cast<double>(m);

    SampleSummary s;
    std::fill(std::begin(s.slot), std::end(s.slot), kMissingValue);
    s[1] = M;
    s[9] = valid.sum.Value();
    if (m >= 1) {
        SortReals(m, x.data());
        const double mean = valid.sum.Value() / M;
        s[2] = mean;
        s[6] = x[1];
        s[7] = x[last];
        s[8] = x[last] - x[1];
        // The mean logarithm lies between the logarithms of the smallest and the
        // largest value, so its exponential needs no clamping.
        if (valid.allPositive) s[21] = std::exp(valid.logSum / M);
        if (m >= 2) {
            s[22] = SmallestPositiveGap(x, last);
            DescribeSpreadAndShape(x, m, mean, s);
        }
    }
    for (const PercentileSlot& level : kPercentiles) s[level.slot] = Percentile(x, m, level);

    std::copy(std::begin(s.slot), std::end(s.slot), summary);
}

}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkDescriptives(HostArray** data, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::Descriptives(data, results); });
}
