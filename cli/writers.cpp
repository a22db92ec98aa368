#include "writers.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "data_table.hpp"

namespace sheetstat::host {
namespace {

// Display width of UTF-8 text: one column per code point.
std::size_t Width(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Numbers for people: whole numbers as they are, others to 6 significant digits.
std::string HumanNumber(double x)
{
    if (IsMissing(x)) return "-";
    if (x == std::trunc(x) && std::fabs(x) < 1e15) return fmt::format("{:.0f}", x);
    return fmt::format("{:.6g}", x);
}

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string JsonString(std::string_view text) { return nlohmann::json(std::string(text)).dump(); }

std::string JsonNumber(double x) { return IsMissing(x) ? "null" : ShortestNumber(x); }

}  // namespace

std::string ShortestNumber(double x)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, result.ptr);
}

std::string WriteTable(const Report& report)
{
    std::string out;
    for (const ResultTable& table : report.tables) {
        std::size_t labelWidth = 0;
        for (const std::string& row : table.rows) labelWidth = std::max(labelWidth, Width(row));
        std::vector<std::size_t> widths;
        std::vector<std::vector<std::string>> cells(table.rows.size());
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            std::size_t width = Width(table.columns[c]);
            for (std::size_t r = 0; r < table.rows.size(); ++r) {
                cells[r].push_back(HumanNumber(table.at(r, c)));
                width = std::max(width, cells[r].back().size());
            }
            widths.push_back(width);
        }
        if (!out.empty()) out += '\n';
        out += table.title + '\n';
        auto pad = [](const std::string& text, std::size_t width, bool right) {
            const std::string fill(width - std::min(width, Width(text)), ' ');
            return right ? fill + text : text + fill;
        };
        std::string header = pad("", labelWidth, false);
        for (std::size_t c = 0; c < table.columns.size(); ++c) header += "  " + pad(table.columns[c], widths[c], true);
        out += header + '\n';
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            std::string line = pad(table.rows[r], labelWidth, false);
            for (std::size_t c = 0; c < table.columns.size(); ++c) line += "  " + pad(cells[r][c], widths[c], true);
            out += line + '\n';
        }
    }
    return out;
}

std::string WriteCsv(const Report& report)
{
    std::string out = "table,row,column,value\n";
    for (const ResultTable& table : report.tables)
        for (std::size_t r = 0; r < table.rows.size(); ++r)
            for (std::size_t c = 0; c < table.columns.size(); ++c) {
                const double x = table.at(r, c);
                out += fmt::format("{},{},{},{}\n", CsvField(table.name), CsvField(table.rows[r]),
                                   CsvField(table.columns[c]), IsMissing(x) ? std::string() : ShortestNumber(x));
            }
    return out;
}

std::string WriteJson(const Report& report)
{
    std::string out = fmt::format("{{\n  \"analysis\": {},\n  \"tables\": {{", JsonString(report.analysis));
    for (std::size_t t = 0; t < report.tables.size(); ++t) {
        const ResultTable& table = report.tables[t];
        std::vector<std::string> columns;
        for (const std::string& c : table.columns) columns.push_back(JsonString(c));
        out += fmt::format("{}\n    {}: {{\n      \"title\": {},\n      \"columns\": [{}],\n      \"rows\": {{",
                           t == 0 ? "" : ",", JsonString(table.name), JsonString(table.title), fmt::join(columns, ", "));
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            std::vector<std::string> values;
            for (std::size_t c = 0; c < table.columns.size(); ++c) values.push_back(JsonNumber(table.at(r, c)));
            out += fmt::format("{}\n        {}: [{}]", r == 0 ? "" : ",", JsonString(table.rows[r]),
                               fmt::join(values, ", "));
        }
        out += "\n      }\n    }";
    }
    out += "\n  }\n}\n";
    return out;
}

std::string Write(const Report& report, Format format)
{
    switch (format) {
    case Format::Csv: return WriteCsv(report);
    case Format::Json: return WriteJson(report);
    case Format::Table: break;
    }
    return WriteTable(report);
}

}  // namespace sheetstat::host
