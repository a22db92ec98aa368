#include "engine.hpp"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <map>

#include "data_table.hpp"
#include "errors.hpp"

namespace sheetstat::host {
namespace {

// The table's columns read as the form needs them.
struct Inputs {
    std::vector<std::size_t> columns;               // table columns named
    std::vector<std::string> names;                 // their header names
    std::vector<std::vector<double>> numbers;       // CodeKind::None: per named column
    Categories codes;                               // coded columns: codes and shared labels
    std::vector<std::string> rowClasses, columnClasses;  // CodeKind::Categories: per column
    std::vector<Categories> groups;                 // per --by column
};

struct CallPlan {
    std::string label;
    std::vector<std::size_t> columns;  // positions in Inputs::columns
    std::vector<std::size_t> rows;     // table rows (0-based) of the call's cases
    std::vector<double> options;       // the options array, slot by slot
};

std::string Plural(std::size_t n, std::string_view word)
{
    return fmt::format("{} {}{}", n, word, n == 1 ? "" : "s");
}

// Cell (row, column), 0-based, of an array; MissingValue outside it.
double Cell(const RealHostArray& array, std::size_t row, std::size_t column)
{
    if (array.descriptor().dimensions == 1) return row < array.rows() && column == 0 ? array[row + 1] : kMissing;
    return row < array.rows() && column < array.cols() ? array(row + 1, column + 1) : kMissing;
}

// ---- Options ----

double ParseOption(const AnalysisSpec& analysis, const OptionSpec& option, const std::string& text)
{
    if (!option.choices.empty()) {
        for (const Choice& c : option.choices)
            if (c.name == text) return c.value;
        std::vector<std::string_view> names;
        for (const Choice& c : option.choices) names.push_back(c.name);
        throw UsageError(fmt::format("{}: --{} must be one of {} (not '{}')", analysis.name, option.flag,
                                     fmt::join(names, ", "), text));
    }
    const auto value = ParseNumber(text);
    if (!value) throw UsageError(fmt::format("{}: --{} needs a number, not '{}'", analysis.name, option.flag, text));
    const bool whole = !option.integer || *value == std::floor(*value);
    if (!whole || *value < option.min || *value > option.max) {
        std::string range = option.integer ? "a whole number" : "a number";
        if (std::isfinite(option.min) && std::isfinite(option.max))
            range += fmt::format(" from {} to {}", option.min, option.max);
        else if (std::isfinite(option.min))
            range += fmt::format(" of at least {}", option.min);
        else if (std::isfinite(option.max))
            range += fmt::format(" of at most {}", option.max);
        throw UsageError(fmt::format("{}: --{} must be {} (not {})", analysis.name, option.flag, range, text));
    }
    return *value;
}

// ---- Quantities ----

class CallContext {
public:
    CallContext(const FormSpec& form, const Inputs& inputs, const CallPlan& call, const CsvTable& table)
        : form_(form), inputs_(inputs), call_(call), table_(table) {}

    std::size_t Evaluate(Extent e) const
    {
        const std::size_t q = e.of == Quantity::Option ? OptionSlot(e.slot) : Measure(e.of);
        const long long n = static_cast<long long>(e.scale) * static_cast<long long>(q) + e.offset;
        return n < 0 ? 0 : static_cast<std::size_t>(n);
    }

    // The data quantity `q` of this call.
    std::size_t Measure(Quantity q) const
    {
        switch (q) {
        case Quantity::Fixed: return 0;
        case Quantity::Cases: return call_.rows.size();
        case Quantity::Columns: return call_.columns.size();
        case Quantity::Groups: return inputs_.groups.empty() ? 0 : inputs_.groups[0].labels.size();
        case Quantity::Groups2: return inputs_.groups.size() < 2 ? 0 : inputs_.groups[1].labels.size();
        case Quantity::Classes: return form_.codes == CodeKind::None ? WholeClasses() : inputs_.codes.labels.size();
        case Quantity::RowClasses: return inputs_.rowClasses.size();
        case Quantity::ColumnClasses: return inputs_.columnClasses.size();
        case Quantity::Predictions: {
            const bool inGroups = form_.byColumns > 0;
            std::size_t n = 0;
            for (const std::size_t i : call_.rows) n += IsPredict(inGroups ? GroupCode(0, i) : Number(0, i)) ? 1U : 0U;
            return n;
        }
        case Quantity::Option: return 0;  // see Evaluate
        }
        return 0;
    }

    // Number of named column `k` of the call in table row `row`.
    double Number(std::size_t k, std::size_t row) const { return inputs_.numbers[call_.columns[k]][row]; }
    double Code(std::size_t k, std::size_t row) const { return inputs_.codes.codes[call_.columns[k]][row]; }
    double GroupCode(std::size_t g, std::size_t row) const { return inputs_.groups[g].codes[0][row]; }
    std::size_t Line(std::size_t row) const { return table_.line(row); }

private:
    // The whole part of an options slot of the call (0 when it is not a count).
    std::size_t OptionSlot(int slot) const
    {
        if (slot < 1 || static_cast<std::size_t>(slot) > call_.options.size()) return 0;
        const double x = call_.options[static_cast<std::size_t>(slot) - 1];
        return x >= 0 && x <= 1e6 ? static_cast<std::size_t>(x) : 0;
    }

    // Numeric class numbers: one more than the largest whole part.
    std::size_t WholeClasses() const
    {
        double high = -1;
        for (std::size_t k = 0; k < call_.columns.size(); ++k)
            for (const std::size_t i : call_.rows) {
                const double x = Number(k, i);
                if (!IsMissing(x) && !IsPredict(x)) high = std::max(high, std::trunc(x));
            }
        return high < 0 ? 0 : static_cast<std::size_t>(std::min(high, 1e6)) + 1;
    }

    const FormSpec& form_;
    const Inputs& inputs_;
    const CallPlan& call_;
    const CsvTable& table_;
};

// ---- Arrays ----

// `earlier`: the first export's arrays after its call, for a follow-up's Fill::Earlier.
RealHostArray BuildArgument(const ArgumentSpec& argument, const CallContext& context, const CallPlan& call,
                            const Inputs& inputs, const std::vector<RealHostArray>* earlier = nullptr)
{
    if (argument.fill == Fill::Earlier) return earlier->at(static_cast<std::size_t>(argument.from));
    const std::size_t rows = context.Evaluate(argument.rows);
    const bool twoDimensional = !(argument.cols.of == Quantity::Fixed && argument.cols.offset == 0);
    const std::size_t cols = twoDimensional ? context.Evaluate(argument.cols) : 1;
    RealHostArray array = twoDimensional ? RealHostArray(rows, cols, 1) : RealHostArray(rows, 1);
    auto set = [&](std::size_t i, std::size_t j, double x) {
        if (twoDimensional) array(i, j) = x;
        else array[i] = x;
    };
    for (std::size_t j = 1; j <= cols; ++j)
        for (std::size_t i = 1; i <= rows; ++i) set(i, j, kMissing);
    switch (argument.fill) {
    case Fill::Options: {
        const std::size_t first = argument.from > 0 ? static_cast<std::size_t>(argument.from) - 1 : 0;
        const std::size_t row = static_cast<std::size_t>(std::max(argument.row, 1));
        const std::size_t count = twoDimensional ? (row <= rows ? cols : 0) : rows;
        for (std::size_t k = 0; k < count && first + k < call.options.size(); ++k) {
            if (twoDimensional) array(row, k + 1) = call.options[first + k];
            else array[k + 1] = call.options[first + k];
        }
        const TakenSlot& take = argument.take;
        if (take.slot > 0 && static_cast<std::size_t>(take.slot) <= rows && earlier != nullptr && !twoDimensional)
            array[static_cast<std::size_t>(take.slot)] =
                Cell(earlier->at(static_cast<std::size_t>(take.argument)), static_cast<std::size_t>(take.position) - 1, 0);
        break;
    }
    case Fill::Vector:
        if (static_cast<std::size_t>(argument.from) < call.columns.size())
            for (std::size_t i = 0; i < rows; ++i)
                array[i + 1] = context.Number(static_cast<std::size_t>(argument.from), call.rows[i]);
        break;
    case Fill::Numbers:
    case Fill::Codes:
        // From named column `from` on, then the ones before it: a dependent variable named
        // first can go last, or stay out when the array has one column fewer.
        for (std::size_t j = 0; j < call.columns.size() && j < cols; ++j) {
            const std::size_t k = (j + static_cast<std::size_t>(argument.from)) % call.columns.size();
            for (std::size_t i = 0; i < rows; ++i)
                set(i + 1, j + 1, argument.fill == Fill::Codes ? context.Code(k, call.rows[i]) : context.Number(k, call.rows[i]));
        }
        break;
    case Fill::GroupCodes:
        for (std::size_t i = 0; i < rows; ++i) array[i + 1] = context.GroupCode(0, call.rows[i]);
        break;
    case Fill::GroupCodeColumns:
        for (std::size_t g = 0; g < inputs.groups.size() && g < cols; ++g)
            for (std::size_t i = 0; i < rows; ++i) array(i + 1, g + 1) = context.GroupCode(g, call.rows[i]);
        break;
    case Fill::Rows:
        for (std::size_t k = 0; k < call.columns.size() && k < rows; ++k)
            for (std::size_t i = 0; i < cols; ++i) array(k + 1, i + 1) = context.Number(k, call.rows[i]);
        break;
    case Fill::NumbersWithGroupCodes: {
        const std::size_t named = std::min(call.columns.size(), cols);
        for (std::size_t i = 0; i < rows; ++i) {
            for (std::size_t k = 0; k < named; ++k) array(i + 1, k + 1) = context.Number(k, call.rows[i]);
            for (std::size_t g = 0; g < inputs.groups.size() && named + g < cols; ++g)
                array(i + 1, named + g + 1) = context.GroupCode(g, call.rows[i]);
        }
        break;
    }
    case Fill::GroupColumns:
        for (std::size_t i = 0; i < rows; ++i)
            if (const double g = context.GroupCode(0, call.rows[i]); !IsMissing(g) && g < static_cast<double>(cols))
                array(i + 1, static_cast<std::size_t>(g) + 1) = context.Number(0, call.rows[i]);
        break;
    case Fill::LineNumbers:
        for (std::size_t i = 0; i < rows; ++i) array[i + 1] = static_cast<double>(context.Line(call.rows[i]));
        break;
    case Fill::Result:
    case Fill::Unused:
    case Fill::Earlier:
    case Fill::Identifiers:  // built by IdentifierArray
        break;
    }
    return array;
}

// ---- Messages ----

// "group 'B' has 1 value" or "column 'x' has 0 values": the smallest sample of the call.
std::string SmallestSample(const FormSpec& form, const CallContext& context, const CallPlan& call,
                           const Inputs& inputs)
{
    auto usable = [](double x) { return !IsMissing(x) && !IsPredict(x); };
    const bool byGroups = form.byColumns > 0 && form.repeat == Repeat::Once && !inputs.groups.empty();
    if (byGroups) {
        std::vector<std::size_t> counts(inputs.groups[0].labels.size(), 0);
        for (const std::size_t i : call.rows) {
            const double g = context.GroupCode(0, i);
            if (usable(context.Number(0, i)) && usable(g)) ++counts[static_cast<std::size_t>(g)];
        }
        const auto smallest = std::min_element(counts.begin(), counts.end());
        if (smallest == counts.end()) return "no group has values";
        return fmt::format("group '{}' has {}", inputs.groups[0].labels[static_cast<std::size_t>(smallest - counts.begin())],
                           Plural(*smallest, "value"));
    }
    if (inputs.numbers.empty()) return fmt::format("{}", call.label);
    std::size_t best = 0, bestCount = SIZE_MAX;
    for (std::size_t k = 0; k < call.columns.size(); ++k) {
        std::size_t n = 0;
        for (const std::size_t i : call.rows) n += usable(context.Number(k, i)) ? 1U : 0U;
        if (n < bestCount) {
            bestCount = n;
            best = k;
        }
    }
    const std::string who = form.repeat == Repeat::EachColumn ? call.label : inputs.names[call.columns[best]];
    return fmt::format("'{}' has {}", who, Plural(bestCount, "value"));
}

std::string StatusError(const AnalysisSpec& analysis, int32_t status, const std::string& smallest,
                        const std::string& callLabel)
{
    std::string text(StatusMessage(analysis, status));
    auto replace = [&](std::string_view key, const std::string& value) {
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    };
    replace("{smallest}", smallest);
    replace("{call}", "'" + callLabel + "'");
    return fmt::format("{}: {} (status {})", analysis.name, text, status);
}

// ---- Tables ----

// The labels of `labels` for a table side that shows `extent` array positions.
std::vector<std::string> ResolveLabels(const Labels& labels, const CallResult& call, std::size_t extent)
{
    std::vector<std::string> out;
    switch (labels.source) {
    case LabelSource::Fixed: break;
    case LabelSource::Columns: out = call.labels.columns; break;
    case LabelSource::Groups: out = call.labels.groups; break;
    case LabelSource::Groups2: out = call.labels.groups2; break;
    case LabelSource::Classes: out = call.labels.classes; break;
    case LabelSource::RowClasses: out = call.labels.rowClasses; break;
    case LabelSource::ColumnClasses: out = call.labels.columnClasses; break;
    case LabelSource::Lines:
        for (const std::size_t line : call.labels.lines) out.push_back(fmt::format("line {}", line));
        break;
    case LabelSource::Calls: out.push_back(call.label); break;
    case LabelSource::Index:
        for (std::size_t k = 1; k <= extent; ++k) out.push_back(fmt::format("{}", k));
        break;
    case LabelSource::Powers:
        for (std::size_t k = 0; k < extent; ++k)
            out.push_back(k == 0 ? std::string("constant") : k == 1 ? std::string("x") : fmt::format("x^{}", k));
        break;
    case LabelSource::GroupRuns: {
        const RealHostArray& runs = call.arrays.at(static_cast<std::size_t>(labels.runs));
        const std::size_t groups = runs.descriptor().dimensions == 1 ? 1 : runs.cols();
        for (std::size_t g = 0; g < groups && out.size() < extent; ++g) {
            const double n = runs.descriptor().dimensions == 1 ? runs[1] : runs(1, g + 1);
            const std::string prefix = g < call.labels.groups.size() ? call.labels.groups[g] + " " : "";
            for (double k = 1; !IsMissing(n) && k <= n && out.size() < extent; ++k)
                out.push_back(fmt::format("{}{}", prefix, k));
        }
        break;
    }
    }
    if (labels.source != LabelSource::Fixed && labels.from > 0)
        out.erase(out.begin(), out.begin() + std::min<std::ptrdiff_t>(labels.from, static_cast<std::ptrdiff_t>(out.size())));
    const std::vector<std::string> names(labels.names.begin(), labels.names.end());
    out.insert(labels.namesFirst ? out.begin() : out.end(), names.begin(), names.end());
    return out;
}

// Keys stay unique for JSON and CSV readers, e.g. a group named "total": "total (2)".
void MakeUnique(std::vector<std::string>& labels)
{
    std::map<std::string, std::size_t> seen;
    for (std::string& label : labels)
        if (const std::size_t n = ++seen[label]; n > 1) label += fmt::format(" ({})", n);
}

// The array position (0-based) that table position k shows.
std::size_t PositionOf(const Labels& labels, std::size_t k)
{
    return k < labels.positions.size() ? static_cast<std::size_t>(labels.positions[k]) - 1 : k;
}

}  // namespace

ResultTable LayOutTable(const TableSpec& shape, const CallResult& call)
{
    ResultTable out;
    out.name = std::string(shape.name);
    out.title = std::string(shape.title);
    const RealHostArray& shown =
        call.arrays.at(static_cast<std::size_t>(shape.joined.empty() ? shape.argument : shape.joined.front()));
    const bool oneDimensional = shown.descriptor().dimensions == 1;
    const std::size_t arrayRows = shown.rows(), arrayCols = oneDimensional ? 1 : shown.cols();
    out.rows = ResolveLabels(shape.rows, call, shape.transposed ? arrayCols : arrayRows);
    out.columns = ResolveLabels(shape.columns, call, shape.transposed ? arrayRows : arrayCols);
    out.values.assign(out.rows.size() * out.columns.size(), kMissing);
    auto value = [&](std::size_t r, std::size_t c) {
        const std::size_t i = PositionOf(shape.rows, r), j = PositionOf(shape.columns, c);
        if (!shape.slots.empty()) {
            const std::size_t at = i * shape.columns.names.size() + j;
            const int slot = at < shape.slots.size() ? shape.slots[at] : 0;
            return slot > 0 ? Cell(shown, static_cast<std::size_t>(slot) - 1, 0) : kMissing;
        }
        if (!shape.joined.empty())
            return c < shape.joined.size() ? Cell(call.arrays.at(static_cast<std::size_t>(shape.joined[c])), i, 0) : kMissing;
        return shape.transposed ? Cell(shown, j, i) : Cell(shown, i, j);
    };
    for (std::size_t r = 0; r < out.rows.size(); ++r)
        for (std::size_t c = 0; c < out.columns.size(); ++c) out.values[r * out.columns.size() + c] = value(r, c);

    std::size_t kept = out.rows.size();
    const std::size_t width = out.columns.size();
    auto at = [&](std::size_t r, std::size_t c) { return out.values[r * width + c]; };
    if (shape.trim == Trim::EmptyRows)
        while (kept > 0 && std::all_of(out.values.begin() + static_cast<std::ptrdiff_t>((kept - 1) * width),
                                       out.values.begin() + static_cast<std::ptrdiff_t>(kept * width), IsMissing))
            --kept;
    if (shape.trim == Trim::EndMarker)  // the list ends at the row whose first array cell is -1
        for (std::size_t r = 0; r < kept; ++r) {
            const std::size_t p = PositionOf(shape.rows, r);
            if (p >= arrayRows || Cell(shown, p, 0) == -1) kept = r;
        }
    // The table rows kept, by their place before trimming.
    std::vector<std::size_t> rows;
    for (std::size_t r = 0; r < kept; ++r)
        if (shape.trim != Trim::UnfilledRows || (width > 0 && !IsMissing(at(r, 0)))) rows.push_back(r);

    if (shape.rows.codeColumn > 0) {
        const std::vector<std::string> named = ResolveLabels(shape.rows, call, kept);
        const std::size_t codeAt = static_cast<std::size_t>(shape.rows.codeColumn) - 1;
        for (const std::size_t r : rows) {
            const std::size_t p = PositionOf(shape.rows, r);
            const double code = shape.transposed ? Cell(shown, codeAt, p) : Cell(shown, p, codeAt);
            if (IsMissing(code)) continue;
            const double index = code - shape.rows.codeBase;
            const bool known = index >= 0 && index < static_cast<double>(named.size()) && index == std::floor(index);
            out.rows[r] = known ? named[static_cast<std::size_t>(index)] : fmt::format("{}", code);
        }
    }
    if (rows.size() != out.rows.size()) {
        std::vector<std::string> labels;
        std::vector<double> values;
        for (const std::size_t r : rows) {
            labels.push_back(out.rows[r]);
            values.insert(values.end(), out.values.begin() + static_cast<std::ptrdiff_t>(r * width),
                          out.values.begin() + static_cast<std::ptrdiff_t>((r + 1) * width));
        }
        out.rows = std::move(labels);
        out.values = std::move(values);
    }
    if (shape.layout != nullptr) shape.layout(shape, call, out);
    MakeUnique(out.rows);
    MakeUnique(out.columns);
    return out;
}

namespace {

// Tables of a repeated analysis: 1-D results labelled by call become one table with
// a column per call (gathered column by column in `perCall`, laid out by
// FinishTables); every other table is one per call.
struct CallColumns {
    std::size_t table;                 // index in the report
    std::vector<double> columnMajor;   // one column per call
};

void AddTables(const FormSpec& form, std::span<const TableSpec> tables, const CallResult& call, Report& report,
               std::vector<CallColumns>& perCall)
{
    perCall.resize(tables.size(), {SIZE_MAX, {}});
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const TableSpec& shape = tables[t];
        ResultTable built = LayOutTable(shape, call);
        if (form.repeat == Repeat::EachColumn && shape.columns.source == LabelSource::Calls) {
            if (perCall[t].table == SIZE_MAX) {
                perCall[t].table = report.tables.size();
                report.tables.push_back({built.name, built.title, built.rows, {}, {}});
            }
            report.tables[perCall[t].table].columns.push_back(built.columns.front());
            perCall[t].columnMajor.insert(perCall[t].columnMajor.end(), built.values.begin(), built.values.end());
            continue;
        }
        if (shape.trim != Trim::None && built.rows.empty()) continue;  // nothing to show (no prediction asked)
        if (form.repeat == Repeat::EachColumn) {
            built.name += ":" + call.label;
            built.title += ": " + call.label;
        }
        report.tables.push_back(std::move(built));
    }
}

void FinishTables(const std::vector<CallColumns>& perCall, Report& report)
{
    for (const CallColumns& gathered : perCall) {
        if (gathered.table == SIZE_MAX) continue;
        ResultTable& t = report.tables[gathered.table];
        const std::size_t rows = t.rows.size(), cols = t.columns.size();
        t.values.resize(rows * cols);
        for (std::size_t c = 0; c < cols; ++c)
            for (std::size_t r = 0; r < rows; ++r) t.values[r * cols + c] = gathered.columnMajor[c * rows + r];
    }
}

// ---- Charts ----

std::string ReplaceAll(std::string text, std::string_view key, const std::string& value)
{
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
    return text;
}

ChartData BuildChart(const ChartSpec& shape, const CallResult& call, const CallContext& context)
{
    ChartData chart;
    // "{columns}": the named columns; "{column1}", "{column2}": the first and second of them.
    const std::string named = fmt::format("{}", fmt::join(call.labels.columns, ", "));
    auto expand = [&](std::string_view text) {
        std::string out = ReplaceAll(std::string(text), "{columns}", named);
        for (std::size_t k = 0; k < call.labels.columns.size(); ++k)
            out = ReplaceAll(std::move(out), fmt::format("{{column{}}}", k + 1), call.labels.columns[k]);
        return out;
    };
    chart.title = expand(shape.title);
    chart.xLabel = expand(shape.xLabel);
    chart.yLabel = expand(shape.yLabel);
    if (shape.xAxis == AxisKind::Classes) chart.classLabels = call.labels.classes;
    for (const SeriesSpec& s : shape.series) {
        const RealHostArray& array = call.arrays.at(static_cast<std::size_t>(s.argument));
        const std::size_t columns = array.descriptor().dimensions == 1 ? 1 : array.cols();
        const std::size_t first = s.column == 0 ? 0 : static_cast<std::size_t>(s.column) - 1;
        const std::size_t last = s.column == 0 ? columns : std::min(columns, first + 1);
        for (std::size_t j = first; j < last; ++j) {
            Series series{s.kind,
                          ReplaceAll(std::string(s.label), "{column}",
                                     j < call.labels.columns.size() ? call.labels.columns[j] : std::string()),
                          {},
                          {}};
            const std::size_t rows = std::min(context.Evaluate(s.rows), array.rows());
            for (std::size_t i = 0; i < rows; ++i) {
                const double y = Cell(array, i, j);
                const double x = s.xColumn > 0 ? Cell(array, i, static_cast<std::size_t>(s.xColumn) - 1)
                                               : s.x0 + s.dx * static_cast<double>(i);
                if (IsMissing(y) || IsMissing(x)) continue;
                series.x.push_back(x);
                series.y.push_back(y);
            }
            if (!series.x.empty()) chart.series.push_back(std::move(series));
        }
    }
    if (shape.custom != nullptr) shape.custom(call, chart);
    return chart;
}

// ---- Inputs ----

// A `?` in a --by column asks for a prediction: its cases get PredictMarker for a code,
// and `?` is no group.
void MarkPredictions(Categories& groups)
{
    const auto found = std::find(groups.labels.begin(), groups.labels.end(), "?");
    if (found == groups.labels.end()) return;
    const double marked = static_cast<double>(found - groups.labels.begin());
    groups.labels.erase(found);
    for (double& code : groups.codes[0]) {
        if (IsMissing(code)) continue;
        if (code == marked) code = kPredict;
        else if (code > marked) code -= 1;
    }
}

Inputs ReadInputs(const Request& request, const FormSpec& form, const CsvTable& table)
{
    const AnalysisSpec& analysis = *request.analysis;
    Inputs inputs;
    for (const std::string& name : request.columns) {
        inputs.columns.push_back(ResolveColumn(table, name));
        inputs.names.push_back(table.header()[inputs.columns.back()]);
    }
    std::vector<std::size_t> byColumns;
    for (const std::string& name : request.by) byColumns.push_back(ResolveColumn(table, name));

    switch (form.codes) {
    case CodeKind::None:
        for (std::size_t k = 0; k < inputs.columns.size(); ++k)
            inputs.numbers.push_back(
                NumericColumn(table, inputs.columns[k], form.predictions && form.byColumns == 0 && k == 0));
        break;
    case CodeKind::Categories:
        inputs.codes.codes.resize(inputs.columns.size());
        for (std::size_t k = 0; k < inputs.columns.size(); ++k) {
            Categories own = Categorize(table, std::span(&inputs.columns[k], 1));
            inputs.codes.codes[k] = std::move(own.codes[0]);
            (k == 0 ? inputs.rowClasses : inputs.columnClasses) = std::move(own.labels);
        }
        break;
    case CodeKind::SharedCategories:
        inputs.codes = Categorize(table, inputs.columns);
        break;
    case CodeKind::Classes: {
        ClassBinning binning;
        for (const OptionSpec& option : analysis.options) {
            const auto given = request.options.find(std::string(option.flag));
            if (given == request.options.end()) continue;
            const double value = ParseOption(analysis, option, given->second);
            if (option.flag == "width") binning.width = value;
            if (option.flag == "from") binning.from = value;
        }
        inputs.codes = Classify(table, inputs.columns, binning);
        break;
    }
    }
    const std::size_t classes = inputs.codes.labels.size();
    if ((form.minClasses > 0 && classes < static_cast<std::size_t>(form.minClasses)) ||
        (form.maxClasses > 0 && classes > static_cast<std::size_t>(form.maxClasses)))
        throw UsageError(fmt::format("{}: the columns {} must hold {} distinct values together, but hold {}{}{}",
                                     analysis.name, fmt::join(inputs.names, ", "), form.maxClasses, classes,
                                     classes == 0 ? "" : ": ", fmt::join(inputs.codes.labels, ", ")));

    for (const std::size_t column : byColumns) {
        inputs.groups.push_back(Categorize(table, std::span(&column, 1)));
        if (form.predictions && inputs.groups.size() == 1) MarkPredictions(inputs.groups.back());
        const std::size_t groups = inputs.groups.back().labels.size();
        const std::string& name = table.header()[column];
        if (groups == 0) throw UsageError(fmt::format("{}: the group column '{}' is empty", analysis.name, name));
        if ((form.minGroups > 0 && groups < static_cast<std::size_t>(form.minGroups)) ||
            (form.maxGroups > 0 && groups > static_cast<std::size_t>(form.maxGroups)))
            throw UsageError(fmt::format("{} compares {} groups, but '{}' has {}: {}", analysis.name, form.maxGroups,
                                         name, groups, fmt::join(inputs.groups.back().labels, ", ")));
    }
    return inputs;
}

// Whether every named and --by cell of table row `i` is filled.
bool IsComplete(const Inputs& inputs, std::size_t i)
{
    for (const auto& column : inputs.numbers)
        if (IsMissing(column[i])) return false;
    for (const auto& column : inputs.codes.codes)
        if (IsMissing(column[i])) return false;
    for (const Categories& groups : inputs.groups)
        if (IsMissing(groups.codes[0][i])) return false;
    return true;
}

std::vector<CallPlan> PlanCalls(const FormSpec& form, const Inputs& inputs, const CsvTable& table)
{
    std::vector<std::size_t> all;
    all.reserve(table.rows());
    for (std::size_t i = 0; i < table.rows(); ++i)
        if (!form.completeRows || IsComplete(inputs, i)) all.push_back(i);
    std::vector<CallPlan> calls;
    if (form.repeat == Repeat::Once) {
        CallPlan call{fmt::format("{}", fmt::join(inputs.names, ", ")), {}, all, {}};
        for (std::size_t k = 0; k < inputs.columns.size(); ++k) call.columns.push_back(k);
        calls.push_back(std::move(call));
        return calls;
    }
    for (std::size_t k = 0; k < inputs.columns.size(); ++k) {
        if (inputs.groups.empty()) {
            calls.push_back({inputs.names[k], {k}, all, {}});
            continue;
        }
        const Categories& groups = inputs.groups[0];
        const std::size_t firstCall = calls.size();
        for (std::size_t g = 0; g < groups.labels.size(); ++g)
            calls.push_back({fmt::format("{}: {}", inputs.names[k], groups.labels[g]), {k}, {}, {}});
        for (const std::size_t i : all)
            if (const double g = groups.codes[0][i]; !IsMissing(g))
                calls[firstCall + static_cast<std::size_t>(g)].rows.push_back(i);
    }
    return calls;
}

std::vector<double> BuildOptions(const Request& request, const FormSpec& form, const CallContext& context)
{
    const AnalysisSpec& analysis = *request.analysis;
    int slots = 0;
    for (const OptionSpec& option : analysis.options) {
        slots = std::max(slots, option.slot);
        if (option.selectsSlot)
            for (const Choice& c : option.choices) slots = std::max(slots, option.slot + static_cast<int>(c.value));
    }
    for (const Preset& preset : form.presets) slots = std::max(slots, preset.slot);
    std::vector<double> values(static_cast<std::size_t>(slots), 0.0);
    for (const OptionSpec& option : analysis.options) {
        if (option.slot == 0) continue;
        const auto given = request.options.find(std::string(option.flag));
        double value = option.defaultValue;
        if (given != request.options.end()) {
            value = ParseOption(analysis, option, given->second);
        } else if (std::isnan(value)) {
            value = static_cast<double>(context.Evaluate(option.derived));
            value = std::clamp(value, std::isfinite(option.min) ? option.min : value,
                               std::isfinite(option.max) ? option.max : value);
        }
        if (!option.selectsSlot) {
            values[static_cast<std::size_t>(option.slot) - 1] = value;
        } else if (value == kEverySlot) {
            for (const Choice& c : option.choices)
                if (c.value >= 0) values[static_cast<std::size_t>(option.slot + static_cast<int>(c.value)) - 1] = 1;
        } else if (value >= 0) {
            values[static_cast<std::size_t>(option.slot + static_cast<int>(value)) - 1] = 1;
        }
    }
    for (const Preset& preset : form.presets) {
        const bool derived = !(preset.derived.of == Quantity::Fixed && preset.derived.offset == 0);
        values[static_cast<std::size_t>(preset.slot) - 1] =
            derived ? static_cast<double>(context.Evaluate(preset.derived)) : preset.value;
    }
    return values;
}

// The export's arguments: the arrays built, or for Fill::Identifiers arrays of 4-byte
// integers 1, 2, ... made here (kept in `identifiers`, which must outlive the call).
std::vector<HostArray**> References(std::span<const ArgumentSpec> specs, const CallContext& context,
                                    std::vector<RealHostArray>& arrays, std::vector<IntHostArray>& identifiers)
{
    identifiers.reserve(specs.size());
    std::vector<HostArray**> references;
    for (std::size_t k = 0; k < specs.size(); ++k) {
        if (specs[k].fill != Fill::Identifiers) {
            references.push_back(arrays[k].ref());
            continue;
        }
        const std::size_t n = context.Evaluate(specs[k].rows);
        IntHostArray& ids = identifiers.emplace_back(n);
        for (std::size_t i = 1; i <= n; ++i) ids[i] = static_cast<int32_t>(i);
        references.push_back(ids.ref());
    }
    return references;
}

}  // namespace

const FormSpec& SelectForm(const AnalysisSpec& analysis, std::size_t columns, std::size_t byColumns)
{
    for (const FormSpec& form : analysis.forms) {
        const bool columnsFit = columns >= static_cast<std::size_t>(form.minColumns) &&
                                (form.maxColumns == 0 || columns <= static_cast<std::size_t>(form.maxColumns));
        if (columnsFit && byColumns == static_cast<std::size_t>(form.byColumns)) return form;
    }
    std::vector<std::string> usages;
    for (const FormSpec& form : analysis.forms) usages.push_back(fmt::format("'{} FILE {}'", analysis.name, form.usage));
    throw UsageError(fmt::format("{}: {} and {} do not fit; use {}", analysis.name, Plural(columns, "column"),
                                 Plural(byColumns, "--by column"), fmt::join(usages, " or ")));
}

Outcome RunAnalysis(const Request& request, const CsvTable& table)
{
    const AnalysisSpec& analysis = *request.analysis;
    const FormSpec& form = SelectForm(analysis, request.columns.size(), request.by.size());
    if (request.chart && (analysis.chart == nullptr || form.repeat != Repeat::Once))
        throw UsageError(fmt::format("{}: --svg is not available {}", analysis.name,
                                     analysis.chart == nullptr ? "for this analysis" : "with --by"));
    const FollowUpSpec* next = form.followUp != nullptr ? form.followUp : analysis.followUp;
    for (const FormSpec& other : analysis.forms)
        if (other.followUp != nullptr && !other.followUp->when.empty() &&
            (next == nullptr || next->when != other.followUp->when) &&
            request.options.contains(std::string(other.followUp->when)))
            throw UsageError(fmt::format("{}: --{} is not available in the form '{}'", analysis.name,
                                         other.followUp->when, form.usage));
    const Inputs inputs = ReadInputs(request, form, table);
    std::vector<CallPlan> calls = PlanCalls(form, inputs, table);

    Outcome outcome;
    outcome.report.analysis = std::string(analysis.name);
    std::vector<CallColumns> perCall;
    std::vector<CallColumns> perCallFollowUp;
    for (std::size_t c = 0; c < calls.size(); ++c) {
        CallPlan& plan = calls[c];
        const CallContext context(form, inputs, plan, table);
        plan.options = BuildOptions(request, form, context);

        CallResult call;
        call.label = plan.label;
        for (const std::size_t k : plan.columns) call.labels.columns.push_back(inputs.names[k]);
        if (!inputs.groups.empty()) call.labels.groups = inputs.groups[0].labels;
        if (inputs.groups.size() > 1) call.labels.groups2 = inputs.groups[1].labels;
        call.labels.classes = inputs.codes.labels;
        call.labels.rowClasses = inputs.rowClasses;
        call.labels.columnClasses = inputs.columnClasses;
        for (const std::size_t i : plan.rows) call.labels.lines.push_back(table.line(i));

        call.arrays.reserve(form.arguments.size());
        for (const ArgumentSpec& shape : form.arguments) call.arrays.push_back(BuildArgument(shape, context, plan, inputs));
        std::vector<IntHostArray> identifiers;
        const std::vector<HostArray**> arguments = References(form.arguments, context, call.arrays, identifiers);

        const int32_t status = analysis.call(arguments);
        if (status != 0)
            throw AnalysisError(StatusError(analysis, status, SmallestSample(form, context, plan, inputs), plan.label));

        AddTables(form, form.tables, call, outcome.report, perCall);
        if (next != nullptr && (next->when.empty() || request.options.contains(std::string(next->when)))) {
            std::vector<RealHostArray> after;
            after.reserve(next->arguments.size());
            for (const ArgumentSpec& shape : next->arguments)
                after.push_back(BuildArgument(shape, context, plan, inputs, &call.arrays));
            std::vector<IntHostArray> moreIdentifiers;
            const std::vector<HostArray**> more = References(next->arguments, context, after, moreIdentifiers);
            if (const int32_t followed = next->call(more); followed != 0)
                throw AnalysisError(fmt::format("{}: {} (status {})", analysis.name,
                                                StatusMessage(*next, analysis, followed), followed));
            for (RealHostArray& array : after) call.arrays.push_back(std::move(array));
            AddTables(form, next->tables, call, outcome.report, perCallFollowUp);
        }
        if (request.chart && c + 1 == calls.size()) outcome.chart = BuildChart(*analysis.chart, call, context);
    }
    FinishTables(perCall, outcome.report);
    FinishTables(perCallFollowUp, outcome.report);
    return outcome;
}

}  // namespace sheetstat::host
