// The host's view of a CSV table as the analyses need it: columns picked by name or
// number, cells read as numbers (an empty cell is MissingValue, `?` a prediction
// request where a column allows it), and columns of labels or numbers turned into
// category codes 0, 1, 2, ... in ascending order of their distinct values.
#pragma once

#include <bit>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "csv_reader.hpp"
#include "sheetstat/sheetstat.h"

namespace sheetstat::host {

inline constexpr double kMissing = std::bit_cast<double>(SHEETSTAT_MISSING_VALUE_BITS);
inline constexpr double kPredict = std::bit_cast<double>(SHEETSTAT_PREDICT_MARKER_BITS);
inline bool IsMissing(double x) noexcept { return std::bit_cast<uint64_t>(x) == SHEETSTAT_MISSING_VALUE_BITS; }
inline bool IsPredict(double x) noexcept { return std::bit_cast<uint64_t>(x) == SHEETSTAT_PREDICT_MARKER_BITS; }

// A cell as a number: surrounding blanks ignored, an optional sign, decimal or
// exponent notation. nullopt for anything else, including NaN and infinities.
std::optional<double> ParseNumber(std::string_view cell);

// The 0-based column named `name` (a header name, or else a 1-based column number).
// UsageError naming the available columns otherwise.
std::size_t ResolveColumn(const CsvTable& table, std::string_view name);

// Every cell of a column as a number: empty -> MissingValue; `?` -> PredictMarker when
// `allowPredict`; anything else that is not a number is a UsageError naming the line,
// the column and the cell.
std::vector<double> NumericColumn(const CsvTable& table, std::size_t column, bool allowPredict = false);

// Codes of one or more columns over their distinct non-empty values in ascending
// order: numeric order when every value is a number (1 and 1.0 are one value),
// otherwise text order. labels[c] names code c; codes[j][i] is the code of row i of
// column j, or MissingValue for an empty cell.
struct Categories {
    std::vector<std::string> labels;
    std::vector<std::vector<double>> codes;
};
Categories Categorize(const CsvTable& table, std::span<const std::size_t> columns);

// Classes of a frequency table over one or more columns. Whole numbers 0..kMaxWholeClass
// are their own class codes; other numbers fall into classes of equal width
// [from + c*width, from + (c+1)*width), `width` and `from` chosen from the data
// (Sturges' rule, a round width) unless given; labels are categories as above.
struct ClassBinning {
    double width = 0;  // > 0: classes of this width
    std::optional<double> from;
};
inline constexpr double kMaxWholeClass = 100000;
Categories Classify(const CsvTable& table, std::span<const std::size_t> columns, const ClassBinning& binning);

}  // namespace sheetstat::host
