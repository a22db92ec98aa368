// The three ways a report is written: aligned tables for people, and CSV or JSON for
// machines with every number in its shortest round-trip form (std::to_chars) and
// empty results as an empty field (CSV) or null (JSON).
#pragma once

#include <string>

#include "report.hpp"

namespace sheetstat::host {

enum class Format { Table, Csv, Json };

// The shortest decimal text that reads back as exactly `x`.
std::string ShortestNumber(double x);

std::string WriteTable(const Report& report);
// Long format: one line per number: table,row,column,value.
std::string WriteCsv(const Report& report);
// {"analysis": NAME, "tables": {NAME: {"title", "columns": [...], "rows": {LABEL: [...]}}}}
std::string WriteJson(const Report& report);

std::string Write(const Report& report, Format format);

}  // namespace sheetstat::host
