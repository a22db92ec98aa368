// How the engine lays out a result table from a call's arrays (transposed tables with
// picked positions, trimmed rows: empty tails and lists closed by -1, rows named by a
// code in the array, runs of group labels), and how it fills a dependent variable
// named first into the arrays a regression takes.
#include <gtest/gtest.h>

#include "data_table.hpp"
#include "engine.hpp"

namespace sheetstat::host {
namespace {

using sv = std::string_view;
using Strings = std::vector<std::string>;
using Numbers = std::vector<double>;

CallResult CallWith(const std::vector<std::vector<double>>& columns)
{
    CallResult call;
    call.arrays.push_back(RealHostArray::FromColumns(columns));
    return call;
}

TEST(LayOutTable, TransposesAndShowsOnlyThePickedPositions)
{
    // Rows are statistics, columns sources; source 3 is not part of this design.
    const CallResult call = CallWith({{1, 2}, {3, 4}, {kMissing, kMissing}, {5, 6}});
    constexpr sv sources[] = {"a", "b", "d"}, statistics[] = {"x", "y"};
    constexpr int positions[] = {1, 2, 4};
    const TableSpec spec{.name = "t", .title = "T", .argument = 0, .rows = {LabelSource::Fixed, sources, positions},
                         .columns = {LabelSource::Fixed, statistics}, .transposed = true};
    const ResultTable table = LayOutTable(spec, call);
    EXPECT_EQ(table.rows, (Strings{"a", "b", "d"}));
    EXPECT_EQ(table.columns, (Strings{"x", "y"}));
    EXPECT_EQ(table.values, (Numbers{1, 2, 3, 4, 5, 6}));
}

TEST(LayOutTable, TrimsAndNamesRowsByTheirCode)
{
    // A predictions list: input row number and prediction, closed by -1; the rows after
    // the marker are stale. Rows are named by the file line of the input row.
    CallResult predictions = CallWith({{3, 1, -1, 7}, {30, kMissing, kMissing, 70}});
    predictions.labels.lines = {2, 3, 5};
    constexpr sv columns[] = {"row", "prediction"};
    const TableSpec list{.name = "p", .title = "P", .argument = 0,
                         .rows = {.source = LabelSource::Lines, .codeColumn = 1},
                         .columns = {LabelSource::Fixed, columns}, .trim = Trim::EndMarker};
    const ResultTable listed = LayOutTable(list, predictions);
    EXPECT_EQ(listed.rows, (Strings{"line 5", "line 2"}));
    EXPECT_EQ(listed.values, (Numbers{3, 30, 1, kMissing}));

    // Arrays sized for the most the data could need lose their empty tail, not an empty
    // row inside.
    const CallResult points = CallWith({{1, kMissing, 3, kMissing, kMissing}, {4, kMissing, 6, kMissing, kMissing}});
    const TableSpec trimmed{.name = "q", .title = "Q", .argument = 0, .rows = {LabelSource::Index},
                            .columns = {LabelSource::Fixed, columns}, .trim = Trim::EmptyRows};
    EXPECT_EQ(LayOutTable(trimmed, points).rows, (Strings{"1", "2", "3"}));
}

TEST(LayOutTable, RunsOfGroupLabels)
{
    // Three lines (columns), two of group A and one of group B (run lengths in row 1 of
    // argument 1); the columns beyond the lines are not shown.
    CallResult call = CallWith({{1, 0.5}, {2, 0.25}, {1, 0.75}, {kMissing, kMissing}});
    call.arrays.push_back(RealHostArray::FromColumns({{2}, {1}}));
    call.labels.groups = {"A", "B"};
    constexpr sv columns[] = {"time", "survival"};
    const TableSpec spec{.name = "s", .title = "S", .argument = 0, .rows = {.source = LabelSource::GroupRuns, .runs = 1},
                         .columns = {LabelSource::Fixed, columns}, .transposed = true};
    const ResultTable table = LayOutTable(spec, call);
    EXPECT_EQ(table.rows, (Strings{"A 1", "A 2", "B 1"}));
    EXPECT_EQ(table.values, (Numbers{1, 0.5, 2, 0.25, 1, 0.75}));
}

// An export that computes nothing: the tables below show what the engine passed it.
int32_t PassThrough(std::span<HostArray** const>) { return 0; }

TEST(Engine, DependentNamedFirstGoesLastOrApartWithItsPredictionRequests)
{
    // As the regressions take it: the Xs then Y in one array, or the Xs apart from a Y vector.
    static constexpr ArgumentSpec arguments[] = {
        {.name = "xy", .fill = Fill::Numbers, .rows = Count(Quantity::Cases), .cols = Count(Quantity::Columns),
         .from = 1},
        {.name = "xs", .fill = Fill::Numbers, .rows = Count(Quantity::Cases), .cols = Count(Quantity::Columns, 1, -1),
         .from = 1},
        {"y", Fill::Vector, Count(Quantity::Cases)},
    };
    static constexpr sv triple[] = {"a", "b", "c"}, pair[] = {"a", "b"}, one[] = {"v"};
    static constexpr TableSpec tables[] = {
        {"xy", "", 0, {LabelSource::Lines}, {LabelSource::Fixed, triple}},
        {"xs", "", 1, {LabelSource::Lines}, {LabelSource::Fixed, pair}},
        {"y", "", 2, {LabelSource::Lines}, {LabelSource::Fixed, one}},
    };
    static constexpr FormSpec forms[] = {{.usage = "Y X...", .help = "", .minColumns = 2, .maxColumns = 0,
                                   .predictions = true, .arguments = arguments, .tables = tables}};
    const AnalysisSpec analysis{"test", "none", "", "", PassThrough, 3, {}, forms};
    const CsvTable table = CsvTable::Parse("y,x1,x2\n?,1,2\n5,3,\n", ',', "r.csv");
    const Outcome outcome = RunAnalysis({&analysis, {"y", "x1", "x2"}, {}, {}, false}, table);
    const std::vector<ResultTable>& t = outcome.report.tables;
    EXPECT_EQ(t[0].values, (Numbers{1, 2, kPredict, 3, kMissing, 5}));
    EXPECT_EQ(t[1].values, (Numbers{1, 2, 3, kMissing}));  // one column fewer: the Xs alone
    EXPECT_EQ(t[1].rows, (Strings{"line 2", "line 3"}));
    EXPECT_TRUE(IsPredict(t[2].values[0]));
    EXPECT_EQ(t[2].values[1], 5);
}

}  // namespace
}  // namespace sheetstat::host
