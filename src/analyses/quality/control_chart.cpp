// Shewhart control charts: the plotted statistic of each subgroup or sample, the
// centre line CL, the control limits CL ± k·σ and the warning limits CL ± w·σ, σ the
// standard error of the plotted statistic estimated from the first M points.
//
// Measured data come in subgroups of n consecutive values:
// - mean chart: subgroup means; σ = s/√n with s the standard deviation of all
//   individual values of the first M subgroups (an overall estimate: wider than the
//   R̄/d2 of the textbook chart when the process mean shifts between subgroups);
// - range chart: subgroup ranges, σ = CL·d3/d2;
// - standard deviation chart: subgroup standard deviations, σ = CL·√(1 − c4²)/c4.
// d3/d2 and √(1 − c4²)/c4 are taken from the usual three-sigma factors,
// (D4 − 1)/3 and (B4 − 1)/3 (ASTM Manual on Presentation of Data and Control Chart
// Analysis, table of factors); at k = 3 the limits are the tabled CL·D3, CL·D4 and
// CL·B3, CL·B4 themselves.
//
// Counted data give one value per sample of n (binomial and Poisson standard errors):
// - p chart: the number of defectives d, plotted as d/n; σ = √(CL(1 − CL)/n);
// - np chart: the number of defectives d; σ = √(CL(1 − CL/n));
// - c chart: the number of defects c; σ = √CL;
// - u chart: the number of defects in n units, plotted as c/n; σ = √(CL/n).
//
// An empty cell counts as the mean of all valid data. Every chart but the mean chart
// clamps negative lower limits to 0. Of the valid data the chart needs only their
// number, mean and extremes: the pass that checks the values takes them, rather than
// a full sample summary, which would sort a copy of the data. Sums of squares are
// taken in two passes, in units of the data's range (moments_in_units.hpp).
#include <cmath>
#include <cstddef>

#include "analyses/quality/moments_in_units.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kOptionSlots = 11;
constexpr std::size_t kResultSlots = 5;

// In the order of the option slots 4 to 10.
enum class Chart { Mean, Range, StandardDeviation, Proportion, Defectives, Defects, DefectsPerUnit };
constexpr std::size_t kFirstChartSlot = 4;
constexpr std::size_t kChartKinds = 7;

// Three-sigma factors of the range and standard deviation charts, n = 2..25.
struct SpreadFactors {
    double B3, B4, D3, D4;
};
constexpr std::size_t kSmallestFactorN = 2;
constexpr std::size_t kLargestFactorN = 25;
constexpr SpreadFactors kFactors[kLargestFactorN - kSmallestFactorN + 1] = {
    {0, 3.267, 0, 3.267},         {0, 2.568, 0, 2.575},         {0, 2.266, 0, 2.282},
    {0, 2.089, 0, 2.115},         {0.030, 1.970, 0, 2.004},     {0.118, 1.882, 0.076, 1.924},
    {0.185, 1.815, 0.136, 1.864}, {0.239, 1.761, 0.184, 1.816}, {0.284, 1.716, 0.223, 1.777},
    {0.321, 1.679, 0.256, 1.744}, {0.354, 1.646, 0.283, 1.717}, {0.382, 1.618, 0.307, 1.693},
    {0.406, 1.594, 0.328, 1.672}, {0.428, 1.572, 0.347, 1.653}, {0.448, 1.552, 0.363, 1.637},
    {0.466, 1.534, 0.378, 1.622}, {0.482, 1.518, 0.391, 1.608}, {0.497, 1.503, 0.403, 1.597},
    {0.510, 1.490, 0.415, 1.585}, {0.523, 1.477, 0.425, 1.575}, {0.534, 1.466, 0.434, 1.566},
    {0.545, 1.455, 0.443, 1.557}, {0.555, 1.445, 0.451, 1.548}, {0.565, 1.435, 0.459, 1.541},
};

bool IsMeasured(Chart chart)
{
    return chart == Chart::Mean || chart == Chart::Range || chart == Chart::StandardDeviation;
}

struct ChartSettings {
    Chart chart = Chart::Mean;
    double n = 0;  // subgroup or sample size, truncated (not used by the c chart)
    double k = 0;  // control-limit multiplier
    double w = 0;  // warning-limit multiplier
    double limitCount = -1;  // L truncated: −1 = all points
};

// Options slots 1 to 11, each a finite number; status 8 for a chart flag count other
// than 1, n below 1 (outside 2..25 for the range and standard deviation charts),
// k ≤ 0, w < 0, or a limit count that is neither −1 nor at least 1.
ChartSettings ReadSettings(const RealArrayView& opts)
{
    for (std::size_t slot = 1; slot <= kOptionSlots; ++slot) RequireFinite(opts[slot]);
    ChartSettings settings;
    std::size_t flagsSet = 0;
    for (std::size_t kind = 0; kind < kChartKinds; ++kind) {
        if (opts[kFirstChartSlot + kind] == 0) continue;
        ++flagsSet;
        settings.chart = static_cast<Chart>(kind);
    }
    Require(flagsSet == 1);
    settings.n = std::trunc(opts[1]);
    if (settings.chart == Chart::Range || settings.chart == Chart::StandardDeviation) {
        Require(settings.n >= kSmallestFactorN && settings.n <= kLargestFactorN);
    } else if (settings.chart != Chart::Defects) {
        Require(settings.n >= 1);
    }
    settings.k = opts[2];
    settings.w = opts[3];
    Require(settings.k > 0 && settings.w >= 0);
    settings.limitCount = std::trunc(opts[11]);
    Require(settings.limitCount == -1 || settings.limitCount >= 1);
    return settings;
}

// Subgroups of n consecutive values (measured data) or one value per point.
std::size_t PointCount(const ChartSettings& settings, std::size_t values)
{
    if (!IsMeasured(settings.chart)) return values;
    return settings.n > static_cast<double>(values) ? 0 : values / static_cast<std::size_t>(settings.n);
}

// What the chart needs of all valid data: their number, mean, smallest and largest.
struct ValidData {
    std::size_t count = 0;
    double mean = 0;
    double low = 0, high = 0;
};

// Reads every value once: each must be finite, and counted data must lie in their
// domain (defectives 0..n, defects ≥ 0); status 8 otherwise.
ValidData ReadValidData(const RealArrayView& data, const ChartSettings& settings)
{
    const bool counted = !IsMeasured(settings.chart);
    const bool defectives = settings.chart == Chart::Proportion || settings.chart == Chart::Defectives;
    ValidData valid;
    MeanAccumulator mean;
    for (std::size_t slot = 1; slot <= data.count(); ++slot) {
        const double x = data[slot];
        if (IsMissing(x)) continue;
        RequireFinite(x);
        if (counted) Require(x >= 0 && (!defectives || x <= settings.n));
        if (valid.count == 0) valid.low = valid.high = x;
        if (x < valid.low) valid.low = x;
        if (x > valid.high) valid.high = x;
        mean.Add(x);
        ++valid.count;
    }
    valid.mean = mean.Mean();
    return valid;
}

// The data as the chart reads them: an empty cell counts as the mean of the valid data.
class ChartValues {
public:
    ChartValues(const RealArrayView& data, double fill) : data_(data), fill_(fill) {}

    double operator[](std::size_t slot) const { return IsMissing(data_[slot]) ? fill_ : data_[slot]; }

    // Calls visit(x) for slots first..first + count − 1.
    template <class Visit>
    void ForEach(std::size_t first, std::size_t count, Visit&& visit) const
    {
        for (std::size_t slot = first; slot < first + count; ++slot) visit((*this)[slot]);
    }
    // The same slots as a forEach for the moments kernels.
    auto Values(std::size_t first, std::size_t count) const
    {
        return [this, first, count](auto&& visit) { ForEach(first, count, visit); };
    }

private:
    const RealArrayView& data_;
    double fill_;
};

struct Limits {
    double centre = 0, lowerControl = 0, upperControl = 0, lowerWarning = 0, upperWarning = 0;
};

// CL ± k·σ and CL ± w·σ.
Limits LimitsAbout(double centre, double sigma, const ChartSettings& settings)
{
    return {centre, centre - settings.k * sigma, centre + settings.k * sigma, centre - settings.w * sigma,
            centre + settings.w * sigma};
}

// The chart's layout: P points, of which the first M set the limits.
struct PointLayout {
    std::size_t points = 0;
    std::size_t limitPoints = 0;
    std::size_t n = 1;  // values per point: the subgroup size of measured data, else 1
};

// Mean chart: subgroup means; CL the mean and s the standard deviation of the first
// M·n individual values, σ = s/√n.
Limits MeanChart(const ChartValues& x, const PointLayout& layout, const SpreadUnits& units,
                 const ChartSettings& settings, const RealMatrixView& points)
{
    const std::size_t n = layout.n;
    for (std::size_t i = 1; i <= layout.points; ++i) {
        points(i, 1) = static_cast<double>(i);
        points(i, 2) = MeanOf(x.Values((i - 1) * n + 1, n));
    }
    const std::size_t limitValues = layout.limitPoints * n;
    const double centre = MeanOf(x.Values(1, limitValues));
    const double s = MomentsInUnits(units, x.Values(1, limitValues)).StandardDeviation();
    return LimitsAbout(centre, s / std::sqrt(static_cast<double>(n)), settings);
}

// Range or standard deviation chart: subgroup ranges or standard deviations, CL
// their mean over the first M subgroups, σ = CL·(F4 − 1)/3 with F4 = D4 or B4; at
// k = 3 the tabled limits CL·D3 (B3) and CL·D4 (B4).
Limits SpreadChart(const ChartValues& x, const PointLayout& layout, const SpreadUnits& units,
                   const ChartSettings& settings, const RealMatrixView& points)
{
    const std::size_t n = layout.n;
    const bool ranges = settings.chart == Chart::Range;
    CompensatedSum sum;
    for (std::size_t i = 1; i <= layout.points; ++i) {
        const std::size_t first = (i - 1) * n + 1;
        double statistic = 0;
        if (ranges) {
            double low = x[first], high = x[first];
            x.ForEach(first, n, [&](double v) {
                if (v < low) low = v;
                if (v > high) high = v;
            });
            statistic = high - low;
        } else {
            statistic = MomentsInUnits(units, x.Values(first, n)).StandardDeviation();
        }
        points(i, 1) = static_cast<double>(i);
        points(i, 2) = statistic;
        if (i <= layout.limitPoints) sum.Add(statistic);
    }
    const double centre = sum.Value() / static_cast<double>(layout.limitPoints);
    const SpreadFactors& factors = kFactors[n - kSmallestFactorN];
    const double lowerFactor = ranges ? factors.D3 : factors.B3;
    const double upperFactor = ranges ? factors.D4 : factors.B4;
    Limits limits = LimitsAbout(centre, centre * (upperFactor - 1) / 3, settings);
    if (settings.k == 3) {
        limits.lowerControl = centre * lowerFactor;
        limits.upperControl = centre * upperFactor;
    }
    return limits;
}

// p, np, c and u charts: the value (p, u: divided by n), CL its mean over the first
// M samples, σ from the binomial or Poisson variance.
Limits CountedChart(const ChartValues& x, const PointLayout& layout, const ChartSettings& settings,
                    const RealMatrixView& points)
{
    const bool perUnit = settings.chart == Chart::Proportion || settings.chart == Chart::DefectsPerUnit;
    CompensatedSum sum;
    for (std::size_t i = 1; i <= layout.points; ++i) {
        const double statistic = perUnit ? x[i] / settings.n : x[i];
        points(i, 1) = static_cast<double>(i);
        points(i, 2) = statistic;
        if (i <= layout.limitPoints) sum.Add(statistic);
    }
    const double centre = sum.Value() / static_cast<double>(layout.limitPoints);
    const double n = settings.n;
    double variance = 0;
    switch (settings.chart) {
    case Chart::Proportion: variance = centre * (1 - centre) / n; break;
    case Chart::Defectives: variance = centre * (1 - centre / n); break;
    case Chart::Defects: variance = centre; break;
    default: variance = centre / n; break;
    }
    // A centre at the end of its domain leaves a rounding residue below 0.
    return LimitsAbout(centre, std::sqrt(variance > 0 ? variance : 0.0), settings);
}

void QCChart(HostArray** options, HostArray** dataArg, HostArray** chartPoints, HostArray** results)
{
    const RealArrayView opts(options), data(dataArg), out(results);
    const RealMatrixView points(chartPoints);
    Require(opts.count() >= kOptionSlots && out.count() >= kResultSlots);
    const ChartSettings settings = ReadSettings(opts);

    PointLayout layout;
    layout.points = PointCount(settings, data.count());
    // A subgroup size above the number of values (up to 1e300) forms no subgroup and
    // is never converted to an integer.
    if (IsMeasured(settings.chart) && layout.points > 0) layout.n = static_cast<std::size_t>(settings.n);
    Require(points.cols() >= 2 && points.rows() >= layout.points);

    const ValidData valid = ReadValidData(data, settings);
    Require(layout.points >= 2 && valid.count >= 2, Status::InsufficientData);
    const double limitCount = settings.limitCount;
    layout.limitPoints = limitCount == -1 || limitCount >= static_cast<double>(layout.points)
                             ? layout.points
                             : static_cast<std::size_t>(limitCount);
    // The standard deviation of the individual values needs two of them.
    if (settings.chart == Chart::Mean) Require(layout.limitPoints * layout.n >= 2, Status::InsufficientData);

    const ChartValues x(data, valid.mean);
    const SpreadUnits units = SpreadUnits::Spanning(valid.low, valid.high);
    Limits limits;
    switch (settings.chart) {
    case Chart::Mean: limits = MeanChart(x, layout, units, settings, points); break;
    case Chart::Range:
    case Chart::StandardDeviation: limits = SpreadChart(x, layout, units, settings, points); break;
    default: limits = CountedChart(x, layout, settings, points); break;
    }
    if (settings.chart != Chart::Mean) {
        if (limits.lowerControl < 0) limits.lowerControl = 0;
        if (limits.lowerWarning < 0) limits.lowerWarning = 0;
    }
    out[1] = limits.centre;
    out[2] = limits.lowerControl;
    out[3] = limits.upperControl;
    out[4] = limits.lowerWarning;
    out[5] = limits.upperWarning;
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkQCChart(HostArray** options, HostArray** data,
                                                          HostArray** chartPoints, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::QCChart(options, data, chartPoints, results); });
}
