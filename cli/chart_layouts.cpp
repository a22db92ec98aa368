#include "chart_layouts.hpp"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>

#include "data_table.hpp"

namespace sheetstat::host {
namespace {

// Cell (i, j), 1-based, of a result array; MissingValue outside it.
double At(const CallResult& call, std::size_t argument, std::size_t i, std::size_t j = 1)
{
    if (argument >= call.arrays.size()) return kMissing;
    const RealHostArray& a = call.arrays[argument];
    if (a.descriptor().dimensions == 1) return j == 1 && i >= 1 && i <= a.rows() ? a[i] : kMissing;
    return i >= 1 && i <= a.rows() && j >= 1 && j <= a.cols() ? a(i, j) : kMissing;
}

std::size_t Columns(const CallResult& call, std::size_t argument)
{
    const RealHostArray& a = call.arrays.at(argument);
    return a.descriptor().dimensions == 1 ? 1 : a.cols();
}

// A count read from a result cell (0 for an empty or negative cell).
std::size_t CountAt(const CallResult& call, std::size_t argument, std::size_t i, std::size_t j = 1)
{
    const double n = At(call, argument, i, j);
    return IsMissing(n) || !(n > 0) ? 0 : static_cast<std::size_t>(n);
}

// The names of the groups, or else of the named columns.
const std::vector<std::string>& GroupNames(const CallResult& call)
{
    return call.labels.groups.empty() ? call.labels.columns : call.labels.groups;
}

void Add(ChartData& chart, Series series)
{
    if (!series.x.empty()) chart.series.push_back(std::move(series));
}

void Segment(Series& s, double x0, double y0, double x1, double y1)
{
    if (IsMissing(y0) || IsMissing(y1)) return;
    s.x.insert(s.x.end(), {x0, x1});
    s.y.insert(s.y.end(), {y0, y1});
}

}  // namespace

void ScatterByGroup(const CallResult& call, ChartData& chart)
{
    const std::size_t groups = call.arrays.at(1).rows();
    std::size_t row = 1;
    for (std::size_t g = 0; g < groups; ++g) {
        std::string label = g < call.labels.groups.size() ? call.labels.groups[g] : "points";
        Series s{SeriesKind::Points, std::move(label), {}, {}};
        for (std::size_t n = CountAt(call, 1, g + 1); n > 0; --n, ++row) {
            s.x.push_back(At(call, 0, row, 1));
            s.y.push_back(At(call, 0, row, 2));
        }
        Add(chart, std::move(s));
    }
}

void BoxesAndWhiskers(const CallResult& call, ChartData& chart)
{
    enum Row { kMin = 1, kP5, kLower, kMedian, kUpper, kP95, kMax };
    chart.classLabels = GroupNames(call);
    Series boxes{SeriesKind::Segments, "quartiles", {}, {}}, medians{SeriesKind::Segments, "median", {}, {}},
        whiskers{SeriesKind::Segments, "5th to 95th percentile", {}, {}},
        extremes{SeriesKind::Points, "minimum, maximum", {}, {}};
    for (std::size_t g = 0; g < Columns(call, 2); ++g) {
        const auto v = [&](int row) { return At(call, 2, static_cast<std::size_t>(row), g + 1); };
        const double x = static_cast<double>(g), half = 0.3;
        if (!IsMissing(v(kLower)) && !IsMissing(v(kUpper))) {
            Segment(boxes, x - half, v(kLower), x + half, v(kLower));
            Segment(boxes, x - half, v(kUpper), x + half, v(kUpper));
            Segment(boxes, x - half, v(kLower), x - half, v(kUpper));
            Segment(boxes, x + half, v(kLower), x + half, v(kUpper));
        }
        Segment(medians, x - half, v(kMedian), x + half, v(kMedian));
        Segment(whiskers, x, v(kP5), x, v(kLower));
        Segment(whiskers, x, v(kUpper), x, v(kP95));
        for (const int row : {kMin, kMax})
            if (!IsMissing(v(row))) {
                extremes.x.push_back(x);
                extremes.y.push_back(v(row));
            }
    }
    for (Series* s : {&boxes, &medians, &whiskers, &extremes}) Add(chart, std::move(*s));
}

void ControlLimits(const CallResult& call, ChartData& chart)
{
    if (chart.series.empty()) return;
    const auto [first, last] = std::minmax_element(chart.series.front().x.begin(), chart.series.front().x.end());
    const double x0 = *first, x1 = *last;
    Series centre{SeriesKind::Line, "centre line", {}, {}}, control{SeriesKind::Segments, "control limits", {}, {}},
        warning{SeriesKind::Segments, "warning limits", {}, {}};
    Segment(centre, x0, At(call, 3, 1), x1, At(call, 3, 1));
    for (const std::size_t slot : {2U, 3U}) Segment(control, x0, At(call, 3, slot), x1, At(call, 3, slot));
    for (const std::size_t slot : {4U, 5U}) Segment(warning, x0, At(call, 3, slot), x1, At(call, 3, slot));
    for (Series* s : {&centre, &control, &warning}) Add(chart, std::move(*s));
}

void ParetoBars(const CallResult& call, ChartData& chart)
{
    const std::vector<std::string>& names = GroupNames(call);
    const double total = At(call, 2, 1);
    Series bars{SeriesKind::Bars, "total", {}, {}}, share{SeriesKind::LinePoints, "cumulative %", {}, {}};
    for (std::size_t k = 1; k <= call.arrays.at(1).rows(); ++k) {
        const double category = At(call, 1, k, 1), sum = At(call, 1, k, 2), percent = At(call, 1, k, 3);
        const bool named = !IsMissing(category) && category >= 1 && category <= static_cast<double>(names.size());
        chart.classLabels.push_back(named ? names[static_cast<std::size_t>(category) - 1] : fmt::format("{}", k));
        const double x = static_cast<double>(k - 1);
        bars.x.push_back(x);
        bars.y.push_back(sum);
        if (!IsMissing(percent) && total > 0) {
            share.x.push_back(x);
            share.y.push_back(percent * total / 100);
        }
    }
    if (!share.x.empty()) {
        chart.rightScale = 100 / total;
        chart.rightLabel = "cumulative %";
    }
    Add(chart, std::move(bars));
    Add(chart, std::move(share));
}

void Dendrogram(const CallResult& call, ChartData& chart)
{
    const std::size_t leaves = call.arrays.at(6).rows();
    for (std::size_t k = 1; k <= leaves; ++k) chart.classLabels.push_back(fmt::format("{}", At(call, 6, k, 1)));
    // Polylines broken by an empty x; positions 1..N stand at class positions 0..N-1.
    Series tree{SeriesKind::Segments, "merges", {}, {}};
    for (std::size_t i = 1; i < call.arrays.at(4).rows(); ++i) {
        const double xa = At(call, 4, i, 1), xb = At(call, 4, i + 1, 1);
        if (!IsMissing(xa) && !IsMissing(xb)) Segment(tree, xa - 1, At(call, 4, i, 2), xb - 1, At(call, 4, i + 1, 2));
    }
    Add(chart, std::move(tree));
}

void KaplanMeierCurves(const CallResult& call, ChartData& chart)
{
    Series censored{SeriesKind::Points, "censored", {}, {}};
    const std::size_t lines = Columns(call, 4);
    std::size_t line = 1;
    for (std::size_t g = 1; g <= Columns(call, 5) && line <= lines; ++g) {
        std::string label = g <= call.labels.groups.size() ? call.labels.groups[g - 1] : "all cases";
        Series curve{SeriesKind::Steps, std::move(label), {}, {}};
        double survival = 1;
        const double start = std::min(0.0, At(call, 4, 1, line));
        curve.x.push_back(start);
        curve.y.push_back(survival);
        double lastTime = start;
        for (std::size_t n = CountAt(call, 5, 1, g); n > 0 && line <= lines; --n, ++line) {
            const double t = At(call, 4, 1, line), s = At(call, 4, 5, line);
            lastTime = t;
            if (!IsMissing(s)) {
                survival = s;
                curve.x.push_back(t);
                curve.y.push_back(s);
            }
            if (CountAt(call, 4, 4, line) > 0) {
                censored.x.push_back(t);
                censored.y.push_back(survival);
            }
        }
        if (lastTime > curve.x.back()) {  // the curve runs on to the last case
            curve.x.push_back(lastTime);
            curve.y.push_back(survival);
        }
        Add(chart, std::move(curve));
    }
    Add(chart, std::move(censored));
}

void RegressionBands(const CallResult& call, ChartData& chart)
{
    constexpr std::size_t kCurve = 4;
    const std::size_t h = call.arrays.at(kCurve).rows() / 2;  // rows 1..h upper limits, h + 2..2h + 1 lower
    Series prediction{SeriesKind::Segments, "95% prediction band", {}, {}},
        confidence{SeriesKind::Segments, "95% confidence band", {}, {}};
    for (const std::size_t first : {std::size_t{1}, h + 2})
        for (std::size_t i = first; i + 1 < first + h; ++i) {
            Segment(prediction, At(call, kCurve, i, 1), At(call, kCurve, i, 3), At(call, kCurve, i + 1, 1),
                    At(call, kCurve, i + 1, 3));
            Segment(confidence, At(call, kCurve, i, 1), At(call, kCurve, i, 4), At(call, kCurve, i + 1, 1),
                    At(call, kCurve, i + 1, 4));
        }
    for (Series* s : {&prediction, &confidence}) Add(chart, std::move(*s));
}

void PolynomialBands(const CallResult& call, ChartData& chart)
{
    constexpr std::size_t kCurve = 5;
    const std::size_t points = call.arrays.at(kCurve).rows();
    Series prediction{SeriesKind::Segments, "95% prediction band", {}, {}},
        confidence{SeriesKind::Segments, "95% confidence band", {}, {}};
    for (std::size_t i = 1; i < points; ++i) {
        const double x0 = At(call, kCurve, i, 1), x1 = At(call, kCurve, i + 1, 1);
        for (const std::size_t column : {std::size_t{3}, std::size_t{4}})
            Segment(prediction, x0, At(call, kCurve, i, column), x1, At(call, kCurve, i + 1, column));
        for (const std::size_t column : {std::size_t{5}, std::size_t{6}})
            Segment(confidence, x0, At(call, kCurve, i, column), x1, At(call, kCurve, i + 1, column));
    }
    for (Series* s : {&prediction, &confidence}) Add(chart, std::move(*s));
}

namespace {

// The labels a table side takes from the data: groups, columns or file lines.
std::vector<std::string> DataLabels(const Labels& labels, const CallResult& call)
{
    switch (labels.source) {
    case LabelSource::Groups: return call.labels.groups;
    case LabelSource::Columns: return call.labels.columns;
    case LabelSource::Lines: {
        std::vector<std::string> lines;
        for (const std::size_t line : call.labels.lines) lines.push_back(fmt::format("line {}", line));
        return lines;
    }
    default: return {};
    }
}

}  // namespace

void MeansInOrder(const TableSpec& shape, const CallResult& call, ResultTable& table)
{
    const std::size_t shown = static_cast<std::size_t>(shape.argument);
    const RealHostArray& array = call.arrays.at(shown);
    const bool comparisons = array.rows() == array.cols();
    const std::size_t subsets = comparisons ? shown + 1 : shown;
    const std::size_t k = Columns(call, subsets);
    const std::vector<std::string> names = DataLabels(shape.columns, call);
    std::vector<std::string> ordered;
    for (std::size_t j = 1; j <= k; ++j) {
        const double code = At(call, subsets, 1, j);
        const bool known = !IsMissing(code) && code >= 0 && code < static_cast<double>(names.size());
        ordered.push_back(known ? names[static_cast<std::size_t>(code)] : fmt::format("{}", code));
    }
    if (comparisons) {
        table.rows = table.columns = ordered;
        return;
    }
    std::size_t count = 0;  // subsets: the rows below the order row that hold one
    while (count + 2 <= call.arrays.at(subsets).rows() && !IsMissing(At(call, subsets, count + 2, 1))) ++count;
    table.rows = ordered;
    table.columns.clear();
    table.values.clear();
    for (std::size_t s = 1; s <= count; ++s) table.columns.push_back(fmt::format("subset {}", s));
    for (std::size_t g = 1; g <= k; ++g)
        for (std::size_t s = 1; s <= count; ++s) table.values.push_back(At(call, subsets, s + 1, g));
}

void RetainedFactors(const TableSpec& shape, const CallResult& call, ResultTable& table)
{
    constexpr std::size_t kLoadings = 4, kStats = 6;
    const std::size_t m = CountAt(call, kStats, 3), p = call.labels.columns.size();
    std::vector<std::string> factors;
    for (std::size_t f = 1; f <= m; ++f) factors.push_back(fmt::format("factor {}", f));
    if (static_cast<std::size_t>(shape.argument) != kLoadings) {  // scores: the first m columns
        std::vector<double> values;
        const std::size_t width = table.columns.size();
        for (std::size_t r = 0; r < table.rows.size(); ++r)
            for (std::size_t f = 0; f < m && f < width; ++f) values.push_back(table.values[r * width + f]);
        table.columns = factors;
        table.values = std::move(values);
        return;
    }
    table.columns = factors;
    table.columns.push_back("communality");
    table.rows.clear();
    table.values.clear();
    for (std::size_t i = 1; i <= p + 2; ++i) {
        if (i <= p) {
            const double code = At(call, kLoadings, i, 1);
            const bool known = !IsMissing(code) && code >= 1 && code <= static_cast<double>(p);
            table.rows.push_back(known ? call.labels.columns[static_cast<std::size_t>(code) - 1] : fmt::format("{}", code));
        } else {
            table.rows.push_back(i == p + 1 ? "variance" : "% of variance");
        }
        for (std::size_t j = 2; j <= m + 2; ++j) table.values.push_back(At(call, kLoadings, i, j));
    }
}

}  // namespace sheetstat::host
