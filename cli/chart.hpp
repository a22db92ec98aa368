// Writes a chart as a standalone SVG file through PLplot's SVG driver: axes with
// ticks and labels, a title, the series (bars, lines, points, steps) and a legend.
#pragma once

#include <string>

#include "report.hpp"

namespace sheetstat::host {

// Throws UsageError when the file cannot be written.
void WriteSvg(const ChartData& chart, const std::string& path);

// The colours series are drawn in, in order (a palette that colour-blind readers
// can tell apart); series k uses kSeriesColors[k % count].
inline constexpr unsigned kSeriesColors[] = {0x0072B2, 0xD55E00, 0x009E73, 0xCC79A7, 0xE69F00, 0x56B4E9};

}  // namespace sheetstat::host
