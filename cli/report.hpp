// What an analysis run produces for the writers and the chart: labelled tables of
// numbers (MissingValue where the library left a quantity empty), and the arrays of
// the last call for charts.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "registry.hpp"
#include "sheetstat/host_array.hpp"

namespace sheetstat::host {

struct ResultTable {
    std::string name;   // key for machines
    std::string title;  // heading for people
    std::vector<std::string> rows, columns;
    std::vector<double> values;  // rows.size() x columns.size(), row after row

    double at(std::size_t row, std::size_t column) const { return values[row * columns.size() + column]; }
};

struct Report {
    std::string analysis;
    std::vector<ResultTable> tables;
};

// The labels a call's results are read with.
struct CallLabels {
    std::vector<std::string> columns;  // the named columns of the call
    std::vector<std::string> groups, groups2, classes, rowClasses, columnClasses;
    std::vector<std::size_t> lines;  // the file line of each case of the call
};

// One call of an export: its label, its argument arrays after the call, its labels.
struct CallResult {
    std::string label;
    std::vector<RealHostArray> arrays;
    CallLabels labels;
};

// A chart as data: series of points in one coordinate system.
struct Series {
    SeriesKind kind;
    std::string label;
    std::vector<double> x, y;
};

struct ChartData {
    std::string title, xLabel, yLabel;
    std::vector<std::string> classLabels;  // when not empty: x positions 0, 1, ... are these classes
    std::vector<Series> series;
    // When > 0: a right-hand axis shows y * rightScale under `rightLabel` (e.g. percentages
    // of a total beside the counts).
    double rightScale = 0;
    std::string rightLabel;
};

}  // namespace sheetstat::host
