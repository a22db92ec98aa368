#include "chart.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fmt/format.h>
#include <plplot/plplot.h>

#include "errors.hpp"

namespace sheetstat::host {
namespace {

constexpr PLINT kBackground = 0, kInk = 1, kFirstSeries = 2;
constexpr std::size_t kSeriesColorCount = std::size(kSeriesColors);
constexpr const char* kPointGlyph = "\u25CF";  // a filled circle (the SVG driver writes Unicode text)

// PLplot reads '#' as the start of an escape sequence.
std::string PlainText(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '#') out += '#';
        out += c;
    }
    return out;
}

struct ClassAxis {
    const std::vector<std::string>* labels;
};

// Tick labels of a class axis: the class name at whole positions.
void LabelClass(PLINT axis, PLFLT value, char* label, PLINT length, PLPointer data)
{
    const auto& labels = *static_cast<const ClassAxis*>(data)->labels;
    std::string text;
    const double position = std::round(value);
    if (axis == PL_X_AXIS && std::fabs(value - position) < 1e-9 && position >= 0 &&
        position < static_cast<double>(labels.size()))
        text = PlainText(labels[static_cast<std::size_t>(position)]);
    else if (axis != PL_X_AXIS)
        text = fmt::format("{:g}", value);
    std::snprintf(label, static_cast<std::size_t>(length), "%s", text.c_str());
}

struct Range {
    double low = HUGE_VAL, high = -HUGE_VAL;
    void Add(double x)
    {
        low = std::min(low, x);
        high = std::max(high, x);
    }
    // Widened by a margin on each side, and never empty.
    void Pad(double share)
    {
        if (!(low <= high)) low = 0, high = 1;
        if (low == high) low -= 0.5, high += 0.5;
        const double margin = (high - low) * share;
        low -= margin;
        high += margin;
    }
};

std::vector<double> StepPoints(const std::vector<double>& v, bool xs)
{
    std::vector<double> out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (i > 0) out.push_back(xs ? v[i] : v[i - 1]);
        out.push_back(v[i]);
    }
    return out;
}

}  // namespace

void WriteSvg(const ChartData& chart, const std::string& path)
{
    // PLplot ends the process when it cannot open its file: find out first.
    if (std::FILE* probe = std::fopen(path.c_str(), "wb")) {
        std::fclose(probe);
    } else {
        throw UsageError(fmt::format("cannot write the chart to {}", path));
    }

    const std::size_t barSeries = static_cast<std::size_t>(std::count_if(
        chart.series.begin(), chart.series.end(), [](const Series& s) { return s.kind == SeriesKind::Bars; }));
    const double barWidth = barSeries == 0 ? 0 : 0.8 / static_cast<double>(barSeries);
    Range x, y;
    if (barSeries > 0) y.Add(0);
    for (const Series& s : chart.series)
        for (std::size_t i = 0; i < s.x.size(); ++i) {
            x.Add(s.x[i]);
            y.Add(s.y[i]);
        }
    if (!chart.classLabels.empty()) {
        x.Add(-0.5);
        x.Add(static_cast<double>(chart.classLabels.size()) - 0.5);
        x.Pad(0.0);
    } else {
        if (barSeries > 0) x.Add(x.low - 0.5), x.Add(x.high + 0.5);
        x.Pad(0.05);
    }
    y.Pad(0.05);
    if (barSeries > 0) y.low = 0;
    y.high += (y.high - y.low) * (0.05 + 0.05 * static_cast<double>(chart.series.size()));  // room for the legend

    PLINT stream = 0;
    plmkstrm(&stream);
    plsdev("svg");
    plsfnam(path.c_str());
    plspage(0, 0, 800, 560, 0, 0);
    plscol0(kBackground, 255, 255, 255);
    plscol0(kInk, 0, 0, 0);
    for (std::size_t k = 0; k < kSeriesColorCount; ++k) {
        const unsigned rgb = kSeriesColors[k];
        plscol0(kFirstSeries + static_cast<PLINT>(k), static_cast<PLINT>(rgb >> 16),
                static_cast<PLINT>((rgb >> 8) & 0xFF), static_cast<PLINT>(rgb & 0xFF));
    }
    plinit();
    pladv(0);
    plvsta();
    const bool rightAxis = chart.rightScale > 0;
    if (rightAxis) {  // room for the right-hand axis's numbers and label
        PLFLT left = 0, right = 0, bottom = 0, top = 0;
        plgvpd(&left, &right, &bottom, &top);
        plvpor(left, right - 0.08, bottom, top);
    }
    plwind(x.low, x.high, y.low, y.high);
    plcol0(kInk);
    ClassAxis classes{&chart.classLabels};
    std::string xOptions = "bcnst";
    PLFLT xTick = 0;
    PLINT xSub = 0;
    if (!chart.classLabels.empty()) {
        plslabelfunc(LabelClass, &classes);
        xOptions = "bcnto";
        xTick = std::max(1.0, std::ceil(static_cast<double>(chart.classLabels.size()) / 12.0));
        xSub = 1;
    }
    plbox(xOptions.c_str(), xTick, xSub, rightAxis ? "bnstv" : "bcnstv", 0, 0);
    pllab(PlainText(chart.xLabel).c_str(), PlainText(chart.yLabel).c_str(), PlainText(chart.title).c_str());
    if (rightAxis) {  // the same heights in the right-hand axis's units, then back to the data's window
        plwind(x.low, x.high, y.low * chart.rightScale, y.high * chart.rightScale);
        plbox("", 0, 0, "cmstv", 0, 0);
        plmtex("r", 4.0, 0.5, 0.5, PlainText(chart.rightLabel).c_str());
        plwind(x.low, x.high, y.low, y.high);
    }

    std::vector<PLINT> legendOptions, textColors, boxColors, boxPatterns, lineColors, lineStyles, symbolColors,
        symbolNumbers;
    std::vector<PLFLT> boxScales, boxWidths, lineWidths, symbolScales;
    std::vector<std::string> texts, symbols;
    std::size_t barIndex = 0;
    for (std::size_t k = 0; k < chart.series.size(); ++k) {
        const Series& s = chart.series[k];
        const PLINT color = kFirstSeries + static_cast<PLINT>(k % kSeriesColorCount);
        const PLINT n = static_cast<PLINT>(s.x.size());
        plcol0(color);
        plwidth(2);
        PLINT option = PL_LEGEND_LINE;
        switch (s.kind) {
        case SeriesKind::Bars: {
            const double offset = (static_cast<double>(barIndex++) - static_cast<double>(barSeries - 1) / 2) * barWidth;
            for (std::size_t i = 0; i < s.x.size(); ++i) {
                const double left = s.x[i] + offset - barWidth / 2, right = left + barWidth;
                PLFLT bx[4] = {left, left, right, right}, by[4] = {0, s.y[i], s.y[i], 0};
                plcol0(color);
                plfill(4, bx, by);
                plcol0(kInk);
                plwidth(0.5);
                plline(4, bx, by);
            }
            option = PL_LEGEND_COLOR_BOX;
            break;
        }
        case SeriesKind::Line: plline(n, s.x.data(), s.y.data()); break;
        case SeriesKind::Points:
            plstring(n, s.x.data(), s.y.data(), kPointGlyph);
            option = PL_LEGEND_SYMBOL;
            break;
        case SeriesKind::LinePoints:
            plline(n, s.x.data(), s.y.data());
            plstring(n, s.x.data(), s.y.data(), kPointGlyph);
            option = PL_LEGEND_LINE | PL_LEGEND_SYMBOL;
            break;
        case SeriesKind::Segments:
            for (std::size_t i = 0; i + 1 < s.x.size(); i += 2) pljoin(s.x[i], s.y[i], s.x[i + 1], s.y[i + 1]);
            break;
        case SeriesKind::Steps: {
            std::vector<double> sx = StepPoints(s.x, true), sy = StepPoints(s.y, false);
            plline(static_cast<PLINT>(sx.size()), sx.data(), sy.data());
            break;
        }
        }
        legendOptions.push_back(option);
        texts.push_back(PlainText(s.label));
        textColors.push_back(kInk);
        boxColors.push_back(color);
        boxPatterns.push_back(0);
        boxScales.push_back(0.8);
        boxWidths.push_back(1);
        lineColors.push_back(color);
        lineStyles.push_back(1);
        lineWidths.push_back(2);
        symbolColors.push_back(color);
        symbolScales.push_back(0.8);
        symbolNumbers.push_back(1);
        symbols.push_back(kPointGlyph);
    }
    if (!chart.series.empty()) {
        std::vector<const char*> textPointers, symbolPointers;
        for (const std::string& t : texts) textPointers.push_back(t.c_str());
        for (const std::string& t : symbols) symbolPointers.push_back(t.c_str());
        PLFLT width = 0, height = 0;
        plwidth(1);
        pllegend(&width, &height, PL_LEGEND_BACKGROUND | PL_LEGEND_BOUNDING_BOX,
                 PL_POSITION_TOP | PL_POSITION_RIGHT | PL_POSITION_INSIDE, 0.02, 0.02, 0.08, kBackground, kInk, 1, 0,
                 0, static_cast<PLINT>(chart.series.size()), legendOptions.data(), 1.0, 0.9, 1.8, 0.0,
                 textColors.data(), textPointers.data(), boxColors.data(), boxPatterns.data(), boxScales.data(),
                 boxWidths.data(), lineColors.data(), lineStyles.data(), lineWidths.data(), symbolColors.data(),
                 symbolScales.data(), symbolNumbers.data(), symbolPointers.data());
    }
    plend1();
}

}  // namespace sheetstat::host
