// Descriptive statistics and one-sample analyses.
#include "contract/export_catalogue.hpp"

namespace sheetstat::contract {
namespace {

// nkMeans: the three tables of one shape.
Change MeansTables(std::size_t rows, std::size_t cols)
{
    return [=](Arguments& a) { a["countTable"] = a["meanTable"] = a["sdTable"] = Cells(rows, cols); };
}

// nkCrosstabs: the counts given (source 0) in the observed table, margins included.
Change GivenCounts(const std::vector<std::vector<double>>& columns)
{
    return [=](Arguments& a) {
        a["options"] = Values({0});
        a["observed"] = Columns(columns);
    };
}

}  // namespace

void AddDescriptiveExports(std::vector<CatalogueEntry>& catalogue)
{
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkDescriptives),
        {{"data", Role::In, Values({4, kMissing, 2, 9, 9})},
         {"results", Role::Out, Slots(24)}},
        Rows({{"results one slot short", Set("results", Slots(23)), kBadArray, kWritesNothing},
              {"no data", Set("data", Slots(0)), kOk},
              {"a value NaN: nothing written", SetCell("data", 3, 1, kNaN), kBadArray, kWritesNothing}})});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkMeans),
        {{"options", Role::In, Values({0})},
         {"data", Role::In, Columns({{10, 12, 20}, {0, 0, 1}})},
         {"countTable", Role::Out, Cells(3, 1)},
         {"meanTable", Role::Out, Cells(3, 1)},
         {"sdTable", Role::Out, Cells(3, 1)},
         {"results", Role::Out, Slots(3)}},
        Rows({{"no options", Set("options", Slots(0)), kBadArray, kWritesNothing},
              {"mode NaN", SetCell("options", 1, 1, kNaN), kBadArray, kWritesNothing},
              {"results two slots", Set("results", Slots(2)), kBadArray, kWritesNothing},
              {"countTable a row short", Set("countTable", Cells(2, 1)), kBadArray, kWritesNothing},
              {"sdTable without rows", Set("sdTable", Cells(0, 1)), kBadArray, kWritesNothing},
              {"no row-code column", Set("data", Columns({{1, 2}})), kBadArray},
              {"two-way table without a column-code column", MeansTables(3, 2), kBadArray},
              {"column code outside the table",
               [](Arguments& a) { a["data"] = Columns({{1}, {0}, {2}}); MeansTables(3, 2)(a); }, kBadArray},
              {"column mode: a table row per data column, 3 for 2",
               [](Arguments& a) { a["options"] = Values({1}); MeansTables(4, 1)(a); }, kBadArray},
              {"column mode with two table columns",
               [](Arguments& a) { a["options"] = Values({1}); MeansTables(3, 2)(a); }, kBadArray},
              {"column mode", [](Arguments& a) { a["options"] = Values({1}); }, kOk},
              {"column mode: a value NaN", [](Arguments& a) { a["options"] = Values({1}); a["data"](2, 2) = kNaN; },
               kBadArray},
              {"tables of only the totals row, a row code of -0.5",
               [](Arguments& a) { a["data"] = Columns({{5}, {-0.5}}); MeansTables(1, 1)(a); }, kBadArray,
               kWritesNothing},
              {"column mode without data, tables of only the totals row",
               [](Arguments& a) {
                   a["options"] = Values({1});
                   a["data"] = Cells(0, 0);
                   MeansTables(1, 1)(a);
               },
               kBadArray, kWritesNothing},
              {"two-way table",
               [](Arguments& a) { a["data"] = Columns({{1, 2}, {0, 1}, {1, 0}}); MeansTables(3, 2)(a); }, kOk},
              {"data overflow the sum of squares", Set("data", Columns({{1e300, -1e300}, {0, 0}})),
               kNumericalFailure}},
             EachValue("row code", "data", 3, 2, {2, -1, 1e300, kNaN}, kBadArray))});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkFrequencies),
        {{"options", Role::In, Values({1})},
         {"data", Role::In, Columns({{0, 1, 1, 2}})},
         {"counts", Role::Out, Cells(4, 1)},
         {"normalCurve", Role::Out, Cells(13, 1)}},
        Rows({{"no options", Set("options", Slots(0)), kBadArray, kWritesNothing},
              {"mode NaN", SetCell("options", 1, 1, kNaN), kBadArray, kWritesNothing},
              {"counts without a totals row", Set("counts", Cells(0, 1)), kBadArray, kWritesNothing},
              {"counts without a column", Set("counts", Cells(3, 0)), kBadArray, kWritesNothing},
              {"normalCurve without a column", Set("normalCurve", Cells(12, 0)), kBadArray, kWritesNothing},
              {"counts only a totals row", [](Arguments& a) { a["data"] = Columns({{0}}); a["counts"] = Cells(1, 1); },
               kBadArray},
              {"counts only a totals row, nothing to count",
               [](Arguments& a) { a["data"] = Columns({{kMissing}}); a["counts"] = Cells(1, 1); }, kBadArray,
               kWritesNothing},
              {"two data columns, three count columns",
               [](Arguments& a) { a["data"] = Columns({{0}, {1}}); a["counts"] = Cells(3, 3); }, kBadArray,
               kWritesNothing},
              {"pairs from one data column",
               [](Arguments& a) { a["options"] = Values({0}); a["data"] = Columns({{0}}); a["counts"] = Cells(3, 2); },
               kBadArray, kWritesNothing},
              {"pairs from three data columns",
               [](Arguments& a) {
                   a["options"] = Values({0});
                   a["data"] = Columns({{0}, {0}, {0}});
                   a["counts"] = Cells(3, 2);
               },
               kBadArray, kWritesNothing},
              {"pairs with code -0.5 and no column classes",
               [](Arguments& a) { a["options"] = Values({0}); a["data"] = Columns({{0}, {-0.5}}); a["counts"] = Cells(3, 0); },
               kBadArray},
              {"pairs", [](Arguments& a) { a["options"] = Values({0}); a["data"] = Columns({{0, 1}, {1, 1}}); a["counts"] = Cells(3, 2); },
               kOk},
              {"two columns counted side by side",
               [](Arguments& a) { a["data"] = Columns({{0, 2}, {1, 1}}); a["counts"] = Cells(4, 2); }, kOk}},
             EachValue("code", "data", 3, 1, {3, -1, -1.5, 1e300, kNaN, kInfinity}, kBadArray))});
    // Pairs are counted from the last row up; a bad code in row 2 stops the count.
    for (const std::pair<double, double>& codes : std::vector<std::pair<double, double>>{{3, 0}, {0, 2}, {-1, 0}, {0, -1}, {0, 1e300}}) {
        catalogue.back().statusPaths.push_back(
            {"pair with a code outside the table", [codes](Arguments& a) {
                 a["options"] = Values({0});
                 a["data"] = Columns({{1, codes.first, 2}, {0, codes.second, 1}});
                 a["counts"] = Cells(4, 2);
             },
             kBadArray});
    }

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkRandomness),
        {{"data", Role::InOut, Columns({{5, kMissing, 1, 4, 4, 2}})},
         {"results", Role::Out, Cells(10, 1)}},
        Rows({{"results nine rows", Set("results", Cells(9, 1)), kBadArray, kWritesNothing},
              {"more series than data columns", Set("results", Cells(10, 2)), kBadArray, kWritesNothing},
              {"no series asked for", Set("results", Cells(10, 0)), kOk},
              {"a second series with a NaN: nothing rewritten",
               [](Arguments& a) {
                   a["data"] = Columns({{kMissing, 1, 3, 2}, {4, 1, kNaN, 2}});
                   a["results"] = Cells(10, 2);
               },
               kBadArray, kWritesNothing}})});
    for (const std::vector<double>& tooShort : {std::vector<double>{kMissing, 2, kMissing, 1},
                                                {kMissing, 1, kMissing, kMissing}, {kMissing, kMissing, kMissing, kMissing}}) {
        catalogue.back().statusPaths.push_back(
            {"a second series of fewer than 3 values: nothing rewritten", [tooShort](Arguments& a) {
                 a["data"] = Columns({{kMissing, 1, 3, 2}, tooShort});
                 a["results"] = Cells(10, 2);
             },
             kInsufficientData, kWritesNothing});
    }

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkOutliers),
        {{"data", Role::InOut, Columns({{1, 2, kMissing, 4}, {0, 0, 0, 0}, {0, 0, 0, 0}}), 2}},
        {{"two columns", Set("data", Columns({{1, 2, 3}, {0, 0, 0}})), kBadArray, kWritesNothing},
         {"the last value NaN: nothing written", SetCell("data", 4, 1, kNaN), kBadArray, kWritesNothing}}});
    for (const std::vector<double>& sample : {std::vector<double>{}, {kMissing, kMissing}, {kMissing, 5, kMissing},
                                              {7, 7, kMissing, 7}, {1e9 + 0.5, 1e9 + 0.5}}) {
        catalogue.back().statusPaths.push_back(
            {"fewer than 2 values or no spread",
             Set("data", Columns({sample, std::vector<double>(sample.size()), std::vector<double>(sample.size())})),
             kInsufficientData, kWritesNothing});
    }

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkKSNormalTest),
        {{"data", Role::InOut, Values({2, 5, 1, 4})},
         {"results", Role::Out, Slots(3)}},
        {{"results two slots", Set("results", Slots(2)), kBadArray, kWritesNothing},
         {"no data", Set("data", Slots(0)), kInsufficientData},
         {"no value", Set("data", Values({kMissing, kMissing})), kInsufficientData},
         {"one value", Set("data", Values({kMissing, 7, kMissing})), kInsufficientData},
         {"no spread", Set("data", Values({0.1, 0.1, kMissing, 0.1, 0.1, 0.1, 0.1, 0.1})), kInsufficientData}}});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkChiSqNormalTest),
        {{"options", Role::In, Values({6})},
         {"data", Role::In, Values({0, 1, 2, 2, 3, 3, 4, 5})},
         {"results", Role::Out, Slots(4)}},
        Rows({{"no options", Set("options", Slots(0)), kBadArray, kWritesNothing},
              {"results three slots", Set("results", Slots(3)), kBadArray, kWritesNothing},
              {"classes NaN", SetCell("options", 1, 1, kNaN), kBadArray},
              {"fewer than 5 classes", SetCell("options", 1, 1, 4.9), kInsufficientData},
              {"one value", Set("data", Values({3, kMissing})), kInsufficientData},
              {"equal values with a fraction", Set("data", Values({2.3, 2.3, 2.3, 2.3, 2.3, 2.3, 2.3})),
               kInsufficientData}},
             EachValue("class outside 0..5", "data", 8, 1, {6, -1, kNaN, 1e300}, kBadArray))});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkChiSquare),
        {{"data", Role::In, Columns({{18, 22, 20}, {1, 1, 1}})},
         {"results", Role::Out, Slots(3)}},
        {{"results two slots", Set("results", Slots(2)), kBadArray, kWritesNothing},
         {"three columns", Set("data", Columns({{5, 6}, {5, 6}, {1, 1}})), kBadArray, kWritesNothing},
         {"one column", Set("data", Columns({{5, 6}})), kBadArray, kWritesNothing},
         {"one category", Set("data", Columns({{5}, {5}})), kInsufficientData},
         {"no category", Set("data", Cells(0, 2)), kInsufficientData},
         {"empty observed cell", SetCell("data", 2, 1, kMissing), kEmptyCell},
         {"empty expected cell", SetCell("data", 1, 2, kMissing), kEmptyCell},
         {"expected frequency 0", SetCell("data", 2, 2, 0), kEmptyCell},
         {"no observations", Set("data", Columns({{0, 0, 0}, {1, 2, 3}})), kInsufficientData},
         {"a negative observed frequency", SetCell("data", 2, 1, -1), kBadArray},
         {"a negative expected frequency", SetCell("data", 2, 2, -1), kBadArray},
         {"frequencies near the underflow threshold", Set("data", Columns({{1e-300, 3e-300}, {1e-300, 1e-300}})), kOk},
         {"an expected frequency of the smallest double", Set("data", Columns({{18, 1, 0}, {1, 1, 5e-324}})), kOk}}});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkCrosstabs),
        {{"options", Role::In, Values({1})},
         {"data", Role::In, Columns({{0, 1, 1, 0, 1}, {0, 1, 0, 0, 1}})},
         {"observed", Role::Out, Cells(3, 3)},
         {"expected", Role::Out, Cells(2, 2)},
         {"contributions", Role::Out, Cells(2, 2)},
         {"results", Role::Out, Slots(7)}},
        Rows({{"no options", Set("options", Slots(0)), kBadArray, kWritesNothing},
              {"source NaN", SetCell("options", 1, 1, kNaN), kBadArray, kWritesNothing},
              {"results six slots", Set("results", Slots(6)), kBadArray, kWritesNothing},
              {"one data column", Set("data", Cells(1, 1)), kBadArray, kWritesNothing},
              {"three data columns", Set("data", Cells(1, 3)), kBadArray, kWritesNothing},
              {"observed without the margin row", Set("observed", Cells(2, 3)), kBadArray, kWritesNothing},
              {"observed without the margin column", Set("observed", Cells(3, 2)), kBadArray, kWritesNothing},
              {"expected a row short", Set("expected", Cells(1, 2)), kBadArray, kWritesNothing},
              {"expected a column short", Set("expected", Cells(2, 1)), kBadArray, kWritesNothing},
              {"given counts", GivenCounts({{3, 1, 0}, {1, 3, 0}, {0, 0, 0}}), kOk},
              {"given count NaN", GivenCounts({{3, 1, 0}, {1, kNaN, 0}, {0, 0, 0}}), kBadArray},
              {"given count beyond 32 bits", GivenCounts({{3e9, 1, 0}, {1, 3, 0}, {0, 0, 0}}), kBadArray},
              {"a negative given count", GivenCounts({{5, 1, 0}, {1, -3, 0}, {0, 0, 0}}), kBadArray},
              {"an empty given count holds no case", GivenCounts({{3, 1, 0}, {kMissing, 3, 0}, {0, 0, 0}}), kOk},
              {"a table without rows, a row code of -0.5",
               [](Arguments& a) {
                   a["data"] = Columns({{-0.5}, {0}});
                   a["observed"] = Cells(1, 3);
                   a["expected"] = a["contributions"] = Cells(0, 2);
               },
               kBadArray, kWritesNothing},
              {"a table without columns, a column code of -0.5",
               [](Arguments& a) {
                   a["data"] = Columns({{0}, {-0.5}});
                   a["observed"] = Cells(3, 1);
                   a["expected"] = a["contributions"] = Cells(2, 0);
               },
               kBadArray, kWritesNothing},
              {"given counts truncating to 0", GivenCounts({{0, 0, 0}, {0.9, 0, 0}, {0, 0, 0}}), kInsufficientData},
              {"no complete case", Set("data", Columns({{kMissing, 1}, {0, kMissing}})), kInsufficientData}},
             EachValue("row code", "data", 2, 1, {2, -1, kNaN, 1e300}, kBadArray),
             EachValue("column code", "data", 2, 2, {2, -1, kNaN, 1e300}, kBadArray))});
}

}  // namespace sheetstat::contract
