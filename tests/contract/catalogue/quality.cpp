// Quality control and chart series.
#include "contract/export_catalogue.hpp"

namespace sheetstat::contract {
namespace {

const std::vector<double> kSixValues = {1, 2, 3, 4, 5, 6};

// nkQCChart: the chart whose flag is option slot `flag` (4 mean, 5 range, 6 standard
// deviation, 7 p, 8 np, 9 c, 10 u) with subgroup or sample size n, on `data`, with
// chartPoints rows for `points` points.
Change Chart(std::size_t flag, double n, const std::vector<double>& data, std::size_t points)
{
    return [=](Arguments& a) {
        for (std::size_t slot = 4; slot <= 10; ++slot) a["options"](slot, 1) = slot == flag ? 1 : 0;
        a["options"](1, 1) = n;
        a["data"] = Values(data);
        a["chartPoints"] = Cells(points, 2);
    };
}

// A change followed by another.
Change Then(Change first, Change second)
{
    return [=](Arguments& a) { first(a); second(a); };
}

// nkCumulative: the values in column 1 of a five-column plot table.
Change PlotValues(const std::vector<double>& values)
{
    const std::vector<double> blank(values.size());
    return Set("plotTable", Columns({values, blank, blank, blank, blank}));
}

}  // namespace

void AddQualityExports(std::vector<CatalogueEntry>& catalogue)
{
    // Mean chart of subgroups of 2, all points setting the limits: points 1.5, 3.5, 5.5.
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkQCChart),
        {{"options", Role::In, Values({2, 3, 2, 1, 0, 0, 0, 0, 0, 0, -1})},
         {"data", Role::In, Values(kSixValues)},
         {"chartPoints", Role::Out, Cells(3, 2)},
         {"results", Role::Out, Slots(5)}},
        Rows({{"options ten slots", Set("options", Values({2, 3, 2, 1, 0, 0, 0, 0, 0, 0})), kBadArray, kWritesNothing},
              {"results four slots", Set("results", Slots(4)), kBadArray, kWritesNothing},
              {"chartPoints one column", Set("chartPoints", Cells(3, 1)), kBadArray, kWritesNothing},
              {"chartPoints a row short", Set("chartPoints", Cells(2, 2)), kBadArray, kWritesNothing},
              {"no chart flag", SetCell("options", 4, 1, 0), kBadArray, kWritesNothing},
              {"two chart flags", SetCell("options", 9, 1, 1), kBadArray, kWritesNothing},
              {"mean chart, n = 0.9", SetCell("options", 1, 1, 0.9), kBadArray, kWritesNothing},
              {"k = 0", SetCell("options", 2, 1, 0), kBadArray, kWritesNothing},
              {"w = -0.1", SetCell("options", 3, 1, -0.1), kBadArray, kWritesNothing},
              {"w = 0", SetCell("options", 3, 1, 0), kOk},
              {"L = -1.5 truncates to -1", SetCell("options", 11, 1, -1.5), kOk},
              {"L = 2", SetCell("options", 11, 1, 2), kOk},
              {"L = 1e12", SetCell("options", 11, 1, 1e12), kOk},
              {"range chart, n = 2", Chart(5, 2, kSixValues, 3), kOk},
              {"range chart, n = 1", Chart(5, 1, kSixValues, 6), kBadArray, kWritesNothing},
              {"range chart, n = 25", Chart(5, 25, std::vector<double>(50, 1), 2), kOk},
              {"range chart, n = 26", Chart(5, 26, std::vector<double>(52, 1), 2), kBadArray, kWritesNothing},
              {"standard deviation chart, n = 2", Chart(6, 2, kSixValues, 3), kOk},
              {"standard deviation chart, n = 1.5", Chart(6, 1.5, kSixValues, 6), kBadArray, kWritesNothing},
              {"p chart, n = 10", Chart(7, 10, kSixValues, 6), kOk},
              {"p chart, n = 0", Chart(7, 0, {0, 0, 0, 0, 0, 0}, 6), kBadArray, kWritesNothing},
              {"p chart, n = 10: 11 defectives", Chart(7, 10, {1, 2, 3, 4, 5, 11}, 6), kBadArray, kWritesNothing},
              {"np chart: as many defectives as n", Chart(8, 10, {1, 2, 3, 4, 5, 10}, 6), kOk},
              {"np chart: -1 defectives", Chart(8, 10, {1, 2, 3, 4, 5, -1}, 6), kBadArray, kWritesNothing},
              {"c chart with n = 0", Chart(9, 0, kSixValues, 6), kOk},
              {"c chart: -0.5 defects", Chart(9, 0, {1, 2, 3, 4, 5, -0.5}, 6), kBadArray, kWritesNothing},
              {"u chart: more defects than units", Chart(10, 2, kSixValues, 6), kOk},
              {"u chart: -2 defects", Chart(10, 2, {1, 2, 3, 4, 5, -2}, 6), kBadArray, kWritesNothing},
              {"one subgroup", Set("data", Values({1, 2, 3})), kInsufficientData, kWritesNothing},
              {"mean chart, n = 1e300: no subgroup", SetCell("options", 1, 1, 1e300), kInsufficientData, kWritesNothing},
              {"c chart with one valid value", Chart(9, 0, {kMissing, 2, kMissing}, 3), kInsufficientData,
               kWritesNothing},
              {"mean chart, n = 1, limits from one value", Then(Chart(4, 1, kSixValues, 6), SetCell("options", 11, 1, 1)),
               kInsufficientData, kWritesNothing},
              {"sums overflow", Chart(4, 2, {1e308, 1e308, -1e308, -1e308}, 2), kNumericalFailure}},
             EachValue("L", "options", 11, 1, {0, 0.5, -2}, kBadArray, kWritesNothing))});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkCapability),
        {{"specLimits", Role::In, Values({0, 12})},
         {"data", Role::In, Values({5, 6, 7})},
         {"results", Role::Out, Slots(6)}},
        {{"one limit", Set("specLimits", Values({0})), kBadArray, kWritesNothing},
         {"results five slots", Set("results", Slots(5)), kBadArray, kWritesNothing},
         {"LSL empty", SetCell("specLimits", 1, 1, kMissing), kBadArray, kWritesNothing},
         {"USL empty", SetCell("specLimits", 2, 1, kMissing), kBadArray, kWritesNothing},
         {"LSL above USL", Set("specLimits", Values({12, 0})), kBadArray, kWritesNothing},
         {"LSL = USL", Set("specLimits", Values({6, 6})), kOk},
         {"no data", Set("data", Slots(0)), kOk},
         {"no value", Set("data", Values({kMissing})), kOk},
         {"one value", Set("data", Values({2.5})), kOk},
         {"equal values", Set("data", Values({0.1, 0.1, 0.1})), kOk},
         {"the limits' distance overflows",
          [](Arguments& a) { a["specLimits"] = Values({-1e308, 1e308}); a["data"] = Values({0, 1e-300}); },
          kNumericalFailure}}});

    // x, y and a group code; the empty row is dropped: counts {1, 1}, rows (3, 4, 0), (1, 2, 1).
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkScatterPlot),
        {{"data", Role::InOut, Columns({{1, kMissing, 3}, {2, kMissing, 4}, {1, kMissing, 0}})},
         {"groupCounts", Role::Out, Slots(2)}},
        Rows({{"one data column", Set("data", Cells(3, 1)), kBadArray, kWritesNothing},
              {"four data columns", Set("data", Cells(3, 4)), kBadArray, kWritesNothing},
              {"no group count", Set("groupCounts", Slots(0)), kBadArray, kWritesNothing},
              {"no code column", Set("data", Columns({{1, kMissing, 3}, {2, 5, 4}})), kOk},
              {"a row without its code is dropped", SetCell("data", 1, 3, kMissing), kOk},
              {"the last kept x infinite", SetCell("data", 3, 1, kInfinity), kBadArray, kWritesNothing},
              {"the last kept y NaN", SetCell("data", 3, 2, kNaN), kBadArray, kWritesNothing}},
             EachValue("code of the last row", "data", 3, 3, {2, -1, kNaN, 1e300}, kBadArray, kWritesNothing))});

    // Mode 0: values {1, 2, 3} with codes {0, 1, 1}.
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkBoxWhisker),
        {{"options", Role::In, Values({0})},
         {"data", Role::In, Columns({{1, 2, 3}, {0, 1, 1}})},
         {"boxes", Role::Out, Cells(7, 2)}},
        Rows({{"no options", Set("options", Slots(0)), kBadArray, kWritesNothing},
              {"boxes six rows", Set("boxes", Cells(6, 2)), kBadArray, kWritesNothing},
              {"boxes without a column", Set("boxes", Cells(7, 0)), kBadArray, kWritesNothing},
              {"mode 0 with one data column", Set("data", Columns({{1, 2, 3}})), kBadArray, kWritesNothing},
              {"a group without values", Set("boxes", Cells(7, 3)), kOk},
              {"columns: more data columns than boxes",
               [](Arguments& a) { a["options"] = Values({1}); a["data"] = Cells(3, 3, 1); }, kOk},
              {"columns: fewer data columns than boxes",
               [](Arguments& a) { a["options"] = Values({1}); a["boxes"] = Cells(7, 3); }, kBadArray, kWritesNothing},
              {"columns: a value NaN",
               [](Arguments& a) { a["options"] = Values({1}); a["data"](3, 2) = kNaN; }, kBadArray, kWritesNothing}},
             EachValue("code", "data", 3, 2, {2, -1, kNaN}, kBadArray, kWritesNothing))});

    // Column 1 {3, 1, 2} is rewritten sorted; columns 2 to 5 receive the series.
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkCumulative),
        {{"plotTable", Role::InOut, Columns({{3, 1, 2}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}), 4},
         {"results", Role::Out, Slots(1)}},
        {{"plotTable four columns", Set("plotTable", Cells(3, 4)), kBadArray, kWritesNothing},
         {"no result slot", Set("results", Slots(0)), kBadArray, kWritesNothing},
         {"the last value NaN", SetCell("plotTable", 3, 1, kNaN), kBadArray, kWritesNothing},
         {"the last value -inf", SetCell("plotTable", 3, 1, -kInfinity), kBadArray, kWritesNothing},
         {"empty cells move out", PlotValues({kMissing, 3, kMissing, 1}), kOk},
         {"one valid value", PlotValues({kMissing, 2, kMissing}), kInsufficientData, kWritesNothing},
         {"no rows", Set("plotTable", Cells(0, 5)), kInsufficientData, kWritesNothing},
         {"equal values", PlotValues({0.1, 0.1, 0.1}), kInsufficientData, kWritesNothing}}});

    // Category totals 5, 20, 10: rows (2, 20, 57.14), (3, 10, 85.71), (1, 5, 100), total 35.
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkPareto),
        {{"data", Role::In, Columns({{2, 3}, {15, 5}, {4, 6}})},
         {"pareto", Role::Out, Cells(3, 3)},
         {"results", Role::Out, Slots(1)}},
        {{"no result slot", Set("results", Slots(0)), kBadArray, kWritesNothing},
         {"pareto two columns", Set("pareto", Cells(3, 2)), kBadArray, kWritesNothing},
         {"pareto a row short", Set("pareto", Cells(2, 3)), kBadArray, kWritesNothing},
         {"pareto a row too many", Set("pareto", Cells(4, 3)), kBadArray, kWritesNothing},
         {"no category", [](Arguments& a) { a["data"] = Cells(2, 0); a["pareto"] = Cells(0, 3); }, kBadArray,
          kWritesNothing},
         {"the last cell NaN", SetCell("data", 2, 3, kNaN), kBadArray, kWritesNothing},
         {"empty cells skipped", Set("data", Columns({{2, kMissing}, {kMissing, 5}, {4, 6}})), kOk},
         {"grand total 0", Set("data", Columns({{1, -1}, {0, 0}, {-2, 2}})), kOk},
         {"a total overflows",
          [](Arguments& a) { a["data"] = Columns({{1e308, 1e308}, {1, 2}}); a["pareto"] = Cells(2, 3); },
          kNumericalFailure}}});
}

}  // namespace sheetstat::contract
