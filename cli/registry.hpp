// The declarative registry of the analyses: one data entry per analysis tells the
// host everything it needs to run it on a table and lay out what comes back. The
// command line, its help, the table/CSV/JSON writers and the charts all read these
// entries (and `sheetstat registry` prints them as JSON for other hosts).
//
// An entry names the export, its options (flag, options slot, default, range), one or
// more forms of input (which columns, whether --by groups them, how the columns become
// the export's arguments), how every argument array is sized from the data, the
// labels of the result slots and cells, the status messages in words, and the chart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>
#include <utility>

#include "sheetstat/sheetstat.h"

namespace sheetstat::host {

// ---- Sizes taken from the data ----

// A count the host reads off the data of one call.
enum class Quantity : uint8_t {
    Fixed,          // none: the extent is its offset alone
    Cases,          // data rows of the call (every row of the file, or of one group)
    Columns,        // columns the user named
    Groups,         // distinct values of the (first) --by column
    Groups2,        // distinct values of the second --by column
    Classes,        // codes shared by the coded columns
    RowClasses,     // codes of the first coded column
    ColumnClasses,  // codes of the second coded column
    Predictions,    // rows whose first column holds `?` (or whose --by cell does, where the form says so)
    Option,         // the value of options slot `slot` of the call (e.g. the degree of a polynomial)
};

// scale * (the quantity) + offset.
struct Extent {
    Quantity of = Quantity::Fixed;
    int scale = 1;
    int offset = 0;
    int slot = 0;  // Quantity::Option: the options slot (1-based)
};
constexpr Extent Fixed(int n) { return {Quantity::Fixed, 0, n}; }
constexpr Extent Count(Quantity q, int scale = 1, int offset = 0) { return {q, scale, offset}; }
constexpr Extent OptionValue(int slot, int scale = 1, int offset = 0) { return {Quantity::Option, scale, offset, slot}; }

// ---- Options ----

// A named choice of a coded option, e.g. {"tukey", 1}.
struct Choice {
    std::string_view name;
    double value;
};

inline constexpr double kFromData = std::numeric_limits<double>::quiet_NaN();
// The value of a choice of a one-of-several option that sets every slot its other
// choices select (e.g. "fit all seven models").
inline constexpr double kEverySlot = -2;

struct OptionSpec {
    std::string_view flag;      // --flag on the command line
    std::string_view help;
    int slot = 0;               // options slot the value goes to (1-based); 0: read by the host
    double defaultValue = 0;    // kFromData: chosen from the data (see `derived`), or unset
    double min = -std::numeric_limits<double>::infinity();
    double max = std::numeric_limits<double>::infinity();
    bool integer = false;
    bool isSwitch = false;      // a flag without value: 1 when given, else the default
    bool required = false;      // the command line insists on it (no default makes sense)
    bool selectsSlot = false;   // one-of-several switches: value v sets slot + v to 1 (v < 0: none)
    std::span<const Choice> choices{};  // named values (the flag takes a name)
    Extent derived{};           // default when defaultValue is kFromData and this is not Fixed(0)
};

// ---- Inputs ----

// How the named columns (and --by) are read.
enum class CodeKind : uint8_t {
    None,              // numbers
    Categories,        // each column's distinct values, coded 0, 1, ... on its own
    SharedCategories,  // the distinct values of all the columns together
    Classes,           // frequency classes (whole numbers, classes of a width, or labels)
};

// How the host calls the export.
enum class Repeat : uint8_t {
    Once,        // one call with every column
    EachColumn,  // one call per named column, and per group of --by when given
};

// What the host puts into an argument array before the call.
enum class Fill : uint8_t {
    Options,                // 1-D: the options, slot by slot from slot `from` (0: slot 1); 2-D: the same
                            //      across the columns of row `row`, every other cell MissingValue
    Numbers,                // 2-D: the named columns (rows = cases) from column `from` (0-based) on,
                            //      then those before it; further columns MissingValue
    Vector,                 // 1-D: named column `from` (0-based) of the call
    Rows,                   // 2-D: the named columns as rows, one case per array column
    Codes,                  // 2-D: the named columns as codes (see CodeKind), in the order of Numbers
    GroupCodes,             // 1-D: the code of each case's --by value
    GroupCodeColumns,       // 2-D: the codes of each --by column, one column each
    NumbersWithGroupCodes,  // 2-D: the named columns, then the codes of each --by column
    GroupColumns,           // 2-D: one column per --by group, the first named column's value of each
                            //      case in its group's column (the other cells MissingValue)
    LineNumbers,            // 1-D: the file line of each case (numbers that name the cases)
    Result,                 // output only: every element MissingValue before the call
    Unused,                 // not read in this form: a 1-D array of no slots
    Earlier,                // a follow-up's input: argument `from` of the first export, after its call
    Identifiers,            // 1-D of 4-byte integers: 1, 2, ..., one per slot (variables of a list)
};

// An options slot that takes a result of the first export (a follow-up's input, e.g.
// the error sum of squares of an analysis of variance).
struct TakenSlot {
    int slot = 0;      // the slot of this options array (0: none)
    int argument = 0;  // the first export's argument
    int position = 0;  // its slot (1-based) read
};

struct ArgumentSpec {
    std::string_view name;   // the export's name for it
    Fill fill;
    Extent rows = Fixed(0);  // 1-D arrays: the slot count; 2-D: rows
    Extent cols = Fixed(0);  // 2-D arrays: columns; Fixed(0) marks a 1-D array
    int from = 0;            // see Fill
    int row = 0;             // Fill::Options into a 2-D array: the row that takes the options
    TakenSlot take{};        // Fill::Options: one slot taken from the first export's results
};

// An option slot a form fixes (e.g. the data layout): `value`, or the count `derived`
// when that is not Fixed(0) (e.g. the number of groups).
struct Preset {
    int slot;
    double value;
    Extent derived = Fixed(0);
};

// ---- Results ----

enum class LabelSource : uint8_t {
    Fixed,          // the listed names
    Columns,        // the named columns
    Groups,         // the values of --by
    Groups2,        // the values of the second --by
    Classes,        // the class or category labels
    RowClasses,     // the categories of the first coded column
    ColumnClasses,  // the categories of the second coded column
    Lines,          // "line N": the file line of each case
    Calls,          // one per call of a repeated analysis ("height", "height: A")
    Index,          // "1", "2", ...: one per row of the shown array (points, steps, lines)
    Powers,         // "constant", "x", "x^2", ...: the terms of a polynomial
    GroupRuns,      // "A 1", "A 2", "B 1", ...: runs of the --by values, their lengths in row 1 of
                    // argument `runs` (one column per group; without --by "1", "2", ...)
};

// Labels of rows or columns of a result table. For sources other than Fixed, `names`
// follow the data's labels (e.g. "total").
struct Labels {
    LabelSource source = LabelSource::Fixed;
    std::span<const std::string_view> names{};
    // Fixed: the array positions (1-based) the names label, when not every position in
    // order (positions left out are not shown).
    std::span<const int> positions{};
    // When > 0: row r takes the label numbered (1-based) by the value in column
    // `codeColumn` of row r of the shown array (e.g. categories sorted by their totals,
    // or the input row of a prediction with Lines).
    // (Transposed tables: the value in row `codeColumn` of array column r.) An empty code
    // keeps the row's own label; with no label so numbered, the value itself names it.
    int codeColumn = 0;
    int codeBase = 1;  // the code that names the first label
    int runs = 0;  // GroupRuns: the argument holding the run lengths
    int from = 0;  // sources other than Fixed: their labels from this one (0-based) on (a
                   // dependent or control column named first is not a row of the table)
    bool namesFirst = false;  // `names` come before the data's labels, not after
};

// Rows a table drops after the call: none; the trailing rows whose every cell is
// empty (arrays sized for the most the data could need); or every row from the first
// whose first cell is -1 (a list closed by an end marker).
// UnfilledRows drops every row whose first cell is empty (e.g. models not fitted).
// A table trimmed to no row is left out.
enum class Trim : uint8_t { None, EmptyRows, EndMarker, UnfilledRows };

struct TableSpec;
struct CallResult;
struct ResultTable;
// Lays out a table whose labels or shape come from the results themselves (group names
// in the order of their means, as many factors as were retained): called on the table
// as its TableSpec laid it out, it rewrites it.
using TableLayout = void (*)(const TableSpec& shape, const CallResult& call, ResultTable& table);

struct TableSpec {
    std::string_view name;   // key in JSON and CSV output
    std::string_view title;  // heading of the terminal table
    int argument;            // index of the argument array it shows
    Labels rows;             // one label per shown row (slot of a 1-D array)
    Labels columns;          // 1-D arrays: one column, or Calls for repeated analyses
    // When given: the table's columns are column 1 of each of these arguments (and
    // `argument` is not read), e.g. counts, means and deviations side by side.
    std::span<const int> joined{};
    bool transposed = false;  // the array's columns are the table's rows (sources, lines)
    Trim trim = Trim::None;
    // When given: a 1-D array shown as a grid: cell (row position i, column position j) is
    // slot slots[i * (column labels) + j] (1-based; 0 leaves the cell empty), e.g. the
    // sums of squares, degrees of freedom, F and probabilities of an analysis of variance.
    std::span<const int> slots{};
    TableLayout layout = nullptr;
};

// Status codes in words. "{call}" is replaced by the call's label, "{smallest}" by the
// group or column with the fewest values ("group 'B' has 1 value").
struct StatusText {
    int code;
    std::string_view text;
};

struct FollowUpSpec;

// One way to give the input.
struct FormSpec {
    std::string_view usage;  // the column arguments, e.g. "VALUE --by GROUP"
    std::string_view help;   // what the columns are
    int byColumns = 0;       // --by columns taken: 0, 1 or 2
    int minColumns = 1, maxColumns = 1;  // named columns (maxColumns 0: any number)
    int minGroups = 0, maxGroups = 0;    // distinct values of --by (0: no limit)
    Repeat repeat = Repeat::Once;
    CodeKind codes = CodeKind::None;
    bool predictions = false;            // `?` in the first column (in forms with --by: in the --by
                                         // column) asks for a prediction
    bool completeRows = false;           // only rows with every named and --by cell filled take part
    int minClasses = 0, maxClasses = 0;  // codes the coded columns may hold (0: no limit)
    std::span<const Preset> presets{};
    std::span<const ArgumentSpec> arguments{};
    std::span<const TableSpec> tables{};
    const FollowUpSpec* followUp = nullptr;  // this form's follow-up (else the analysis's)
};

// ---- Charts ----

// Bars: one bar per point, side by side when several series are bars; Line: a polyline;
// Points: a marker per point; Steps: a step function (Kaplan-Meier curves); Segments:
// points 1-2, 3-4, ... joined in pairs (dendrograms, whiskers, control limits);
// LinePoints: a polyline with a marker at each point (control charts).
enum class SeriesKind : uint8_t { Bars, Line, Points, Steps, Segments, LinePoints };
enum class AxisKind : uint8_t { Numbers, Classes };

// A plotted series read from a result array: rows 1..`rows` of `column` (0: one series
// per column of the array) at x = x0 + dx*(row - 1), or at the values of `xColumn`.
// Empty cells are not plotted; a series with no point is left out.
struct SeriesSpec {
    SeriesKind kind;
    std::string_view label;  // "{column}": the label of the array column
    int argument;
    int column = 1;
    Extent rows = Fixed(0);
    double x0 = 1, dx = 1;
    int xColumn = 0;
};

struct ChartData;
// Builds a chart whose layout series cannot describe (a dendrogram, boxes).
using ChartBuilder = void (*)(const CallResult& call, ChartData& chart);

struct ChartSpec {
    // In the title and axis labels "{columns}" is replaced by the named columns, "{column1}",
    // "{column2}", ... by each of them.
    std::string_view title;
    std::string_view xLabel;
    std::string_view yLabel;
    AxisKind xAxis = AxisKind::Numbers;
    std::span<const SeriesSpec> series{};
    ChartBuilder custom = nullptr;
};

// ---- The analysis ----

// Calls an export with its arguments in order.
using ExportCall = int32_t (*)(std::span<HostArray** const> arguments);

template <class R, class... A>
constexpr std::size_t ArityOf(R(SHEETSTAT_CALL*)(A...))
{
    return sizeof...(A);
}

template <auto Export>
int32_t CallExport(std::span<HostArray** const> arguments)
{
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        return Export(arguments[I]...);
    }(std::make_index_sequence<ArityOf(Export)>{});
}

// A second export an analysis calls after its first succeeded, on the first's results
// (e.g. cutting a cluster tree into k clusters). Its arguments may take the first
// call's arrays (Fill::Earlier); in its tables and the chart, argument indices count
// on after the first export's (first export's arity + k).
struct FollowUpSpec {
    std::string_view exportName;
    ExportCall call;
    std::size_t arity;
    std::string_view when;  // the option flag that asks for it ("": always)
    std::span<const ArgumentSpec> arguments{};
    std::span<const TableSpec> tables{};
    std::span<const StatusText> statuses{};
};

struct AnalysisSpec {
    std::string_view name;        // the subcommand
    std::string_view exportName;  // the library's export
    std::string_view summary;     // one line for `sheetstat --help`
    std::string_view help;        // more for `sheetstat NAME --help`
    ExportCall call;
    std::size_t arity;
    std::span<const OptionSpec> options{};
    std::span<const FormSpec> forms{};
    std::span<const StatusText> statuses{};
    const ChartSpec* chart = nullptr;
    const FollowUpSpec* followUp = nullptr;
};

std::span<const AnalysisSpec> Analyses();
const AnalysisSpec* FindAnalysis(std::string_view name);

// The message for status `code` of `analysis`: its own text, else the common one.
std::string_view StatusMessage(const AnalysisSpec& analysis, int code);
// The same for its follow-up export: the follow-up's own text first.
std::string_view StatusMessage(const FollowUpSpec& followUp, const AnalysisSpec& analysis, int code);

}  // namespace sheetstat::host
