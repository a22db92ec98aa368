// Runs one analysis of the registry on a table, as its entry describes: picks the
// form that fits the named columns, reads and codes the columns, sizes and fills
// every argument array, calls the export (once, or per column and group), turns a
// non-zero status into its message, and lays the results out as labelled tables.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "csv_reader.hpp"
#include "registry.hpp"
#include "report.hpp"

namespace sheetstat::host {

struct Request {
    const AnalysisSpec* analysis = nullptr;
    std::vector<std::string> columns;             // as the user named them
    std::vector<std::string> by;                  // --by columns
    std::map<std::string, std::string> options;   // flag -> text, for the options given
    bool chart = false;                           // build the chart too
};

struct Outcome {
    Report report;
    std::optional<ChartData> chart;
};

// Throws UsageError for input that does not fit (exit 2) and AnalysisError for a
// non-zero status (exit 1).
Outcome RunAnalysis(const Request& request, const CsvTable& table);

// One result table of a call as `shape` lays it out: labels resolved, cells read from
// the call's arrays (transposed, picked by position, trimmed, rows named by a code).
ResultTable LayOutTable(const TableSpec& shape, const CallResult& call);

// The form of `analysis` that takes `columns` named columns and `byColumns` --by
// columns, or UsageError listing the forms.
const FormSpec& SelectForm(const AnalysisSpec& analysis, std::size_t columns, std::size_t byColumns);

}  // namespace sheetstat::host
