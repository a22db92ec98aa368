// How the engine lays out a result table from a call's arrays: transposed tables with
// picked positions, trimmed rows (empty tails and lists closed by -1), rows named by a
// code in the array, and runs of group labels.
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

}  // namespace
}  // namespace sheetstat::host
