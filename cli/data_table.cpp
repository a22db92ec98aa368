#include "data_table.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <fmt/format.h>

#include "errors.hpp"

namespace sheetstat::host {
namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string Shorten(std::string_view cell)
{
    return cell.size() <= 40 ? std::string(cell) : std::string(cell.substr(0, 37)) + "...";
}

std::string FormatClassBound(double x)
{
    return fmt::format("{:.6g}", x);
}

// A round class width near `span / classes`: 1, 2 or 5 times a power of ten.
double RoundWidth(double span, double classes)
{
    const double raw = span / classes;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double step : {1.0, 2.0, 5.0, 10.0})
        if (step * magnitude >= raw) return step * magnitude;
    return 10 * magnitude;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view cell)
{
    cell = Trim(cell);
    if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
    if (cell.empty() || cell.front() == '+') return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (error != std::errc() || end != cell.data() + cell.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::size_t ResolveColumn(const CsvTable& table, std::string_view name)
{
    const auto& header = table.header();
    for (std::size_t j = 0; j < header.size(); ++j)
        if (header[j] == name) return j;
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (error == std::errc() && end == name.data() + name.size() && number >= 1 && number <= header.size())
        return number - 1;
    throw UsageError(fmt::format("{}: no column '{}' (the columns are: {}; or give a column number 1 to {})",
                                 table.source(), name, fmt::join(header, ", "), header.size()));
}

std::vector<double> NumericColumn(const CsvTable& table, std::size_t column, bool allowPredict)
{
    std::vector<double> values(table.rows());
    for (std::size_t i = 0; i < table.rows(); ++i) {
        const std::string_view cell = Trim(table.cell(i, column));
        if (cell.empty()) {
            values[i] = kMissing;
        } else if (cell == "?" && allowPredict) {
            values[i] = kPredict;
        } else if (const auto number = ParseNumber(cell)) {
            values[i] = *number;
        } else {
            throw UsageError(fmt::format("{}: line {}, column '{}': '{}' is not a number{}", table.source(),
                                         table.line(i), table.header()[column], Shorten(cell),
                                         cell == "?" ? " (a ? asks for a prediction only in a dependent column)"
                                                     : " (leave the cell empty for a missing value)"));
        }
    }
    return values;
}

Categories Categorize(const CsvTable& table, std::span<const std::size_t> columns)
{
    bool numeric = true;
    for (const std::size_t column : columns)
        for (std::size_t i = 0; i < table.rows() && numeric; ++i) {
            const std::string_view cell = Trim(table.cell(i, column));
            numeric = cell.empty() || ParseNumber(cell).has_value();
        }
    Categories result;
    result.codes.assign(columns.size(), std::vector<double>(table.rows(), kMissing));
    if (numeric) {
        std::map<double, std::string> distinct;
        for (const std::size_t column : columns)
            for (std::size_t i = 0; i < table.rows(); ++i)
                if (const auto x = ParseNumber(table.cell(i, column))) distinct.emplace(*x + 0.0, std::string(Trim(table.cell(i, column))));
        std::map<double, double> code;
        for (const auto& [value, label] : distinct) {
            code.emplace(value, static_cast<double>(result.labels.size()));
            result.labels.push_back(label);
        }
        for (std::size_t j = 0; j < columns.size(); ++j)
            for (std::size_t i = 0; i < table.rows(); ++i)
                if (const auto x = ParseNumber(table.cell(i, columns[j]))) result.codes[j][i] = code.at(*x + 0.0);
        return result;
    }
    std::map<std::string, double, std::less<>> code;
    for (const std::size_t column : columns)
        for (std::size_t i = 0; i < table.rows(); ++i)
            if (const std::string_view cell = Trim(table.cell(i, column)); !cell.empty()) code.emplace(std::string(cell), 0.0);
    for (auto& [label, c] : code) {
        c = static_cast<double>(result.labels.size());
        result.labels.push_back(label);
    }
    for (std::size_t j = 0; j < columns.size(); ++j)
        for (std::size_t i = 0; i < table.rows(); ++i)
            if (const std::string_view cell = Trim(table.cell(i, columns[j])); !cell.empty())
                result.codes[j][i] = code.find(cell)->second;
    return result;
}

Categories Classify(const CsvTable& table, std::span<const std::size_t> columns, const ClassBinning& binning)
{
    std::vector<std::vector<double>> values;
    try {
        for (const std::size_t column : columns) values.push_back(NumericColumn(table, column));
    } catch (const UsageError&) {
        if (binning.width > 0) throw;  // classes of a width need numbers
        return Categorize(table, columns);
    }
    double low = HUGE_VAL, high = -HUGE_VAL;
    std::size_t count = 0;
    bool whole = true;
    for (const auto& column : values)
        for (const double x : column) {
            if (IsMissing(x)) continue;
            low = std::min(low, x);
            high = std::max(high, x);
            ++count;
            whole = whole && x >= 0 && x <= kMaxWholeClass && x == std::floor(x);
        }
    Categories result;
    result.codes = values;
    if (count == 0) return result;
    if (whole && binning.width <= 0) {
        for (double c = 0; c <= high; ++c) result.labels.push_back(fmt::format("{}", c));
        return result;
    }
    double width = binning.width;
    if (width <= 0)
        width = high > low ? RoundWidth(high - low, std::ceil(std::log2(static_cast<double>(count))) + 1) : 1;
    const double from = binning.from.value_or(std::floor(low / width) * width);
    if (low < from)
        throw UsageError(fmt::format("{}: the value {} lies below the first class, which starts at {} (--from)",
                                     table.source(), low, from));
    auto lower = [&](double c) { return from + c * width; };
    const double classes = std::floor((high - from) / width) + 1;
    if (!(classes <= kMaxWholeClass))
        throw UsageError(fmt::format("{}: classes of width {} from {} would make more than {} classes (choose a "
                                     "larger --width)",
                                     table.source(), width, from, kMaxWholeClass));
    for (auto& column : result.codes)
        for (double& x : column) {
            if (IsMissing(x)) continue;
            // A value on a class bound opens that class, also when the bound, a decimal
            // like 0.3 = 3 * 0.1, is not exactly representable: bounds are compared to
            // within a billionth of the width.
            const double slack = width * 1e-9;
            double c = std::floor((x - from) / width);
            if (lower(c) > x + slack) c -= 1;
            if (lower(c + 1) <= x + slack) c += 1;
            x = std::max(c, 0.0);
        }
    double used = 0;
    for (const auto& column : result.codes)
        for (const double c : column)
            if (!IsMissing(c)) used = std::max(used, c + 1);
    for (double c = 0; c < used; ++c)
        result.labels.push_back(fmt::format("[{}, {})", FormatClassBound(lower(c)), FormatClassBound(lower(c + 1))));
    return result;
}

}  // namespace sheetstat::host
