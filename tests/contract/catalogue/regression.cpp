// Correlation and regression: one catalogue.push_back block per export, as in descriptive.cpp.
#include "contract/export_catalogue.hpp"

namespace sheetstat::contract {
namespace {

// Two lists of two variables with four cases, different identifiers (so every cell
// is computed and every data cell read).
const std::vector<std::vector<double>> kListA = {{1, 2, 4, 3}, {0.5, 0.1, 0.9, 0.3}};
const std::vector<std::vector<double>> kListB = {{2, 1, 5, 7}, {-1, -3, -2, -8}};

// The arguments of a correlation matrix: ids, data, then the three result matrices.
std::vector<Parameter> ListParameters(const char* coefficients)
{
    return {{"idsA", Role::In, IntValues({1, 2})},
            {"idsB", Role::In, IntValues({3, 4})},
            {"dataA", Role::In, Columns(kListA)},
            {"dataB", Role::In, Columns(kListB)},
            {"counts", Role::Out, Cells(2, 2)},
            {coefficients, Role::Out, Cells(2, 2)},
            {"probabilities", Role::Out, Cells(2, 2)}};
}

// The shape checks and degenerate lists all four correlation matrices share.
std::vector<StatusPath> ListPaths(const char* coefficients, bool checksBeforeWriting, bool hasControl = false)
{
    return {{"counts one row short", Set("counts", Cells(1, 2)), kBadArray, kWritesNothing},
            {"counts one column short", Set("counts", Cells(2, 1)), kBadArray, kWritesNothing},
            {"coefficients one row short", Set(coefficients, Cells(1, 2)), kBadArray, kWritesNothing},
            {"idsA one short", Set("idsA", IntValues({1})), kBadArray, kWritesNothing},
            {"idsB one short", Set("idsB", IntValues({3})), kBadArray, kWritesNothing},
            {"dataA one column", Set("dataA", Columns({kListA[0]})), kBadArray, kWritesNothing},
            {"dataB one column", Set("dataB", Columns({kListB[0]})), kBadArray, kWritesNothing},
            {"dataA one case short", Set("dataA", Cells(3, 2, 1)), kBadArray, kWritesNothing},
            {"larger counts and coefficients, longer ids and dataA",
             [=](Arguments& a) {
                 a["counts"] = Cells(3, 3);
                 a[coefficients] = Cells(2, 4);
                 a["idsA"] = IntValues({1, 2, 9});
                 a["dataA"] = Columns({{1, 2, 4, 3, 8}, {0.5, 0.1, 0.9, 0.3, 7}, {1, 1, 1, 1, 1}});
             },
             kOk},
            {"no variable in list A", Set("probabilities", Cells(0, 2)), kInsufficientData, checksBeforeWriting},
            {"no variable in list B", Set("probabilities", Cells(2, 0)), kInsufficientData, checksBeforeWriting},
            {"the same list twice",
             [](Arguments& a) {
                 a["idsB"] = IntValues({1, 2});
                 a["dataB"] = Columns(kListA);
             },
             kOk},
            {"no complete case", Set("dataB", Cells(4, 2, kMissing)), kOk},
            {"no case",
             [=](Arguments& a) {
                 a["dataA"] = Cells(0, 2);
                 a["dataB"] = Cells(0, 2);
                 if (hasControl) a["control"] = Slots(0);
             },
             kOk}};
}

}  // namespace

void AddRegressionExports(std::vector<CatalogueEntry>& catalogue)
{
    std::vector<Parameter> pearson = ListParameters("correlations");
    pearson.push_back({"results", Role::Out, Slots(2)});
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkPearson), pearson,
        Rows({{"results one slot", Set("results", Slots(1)), kBadArray, kWritesNothing},
              {"a data cell not a number", SetCell("dataB", 2, 1, kNaN), kBadArray, kWritesNothing},
              {"results three slots", Set("results", Slots(3)), kOk}},
             ListPaths("correlations", false))});

    std::vector<Parameter> partial = ListParameters("correlations");
    partial.insert(partial.begin() + 4, {"control", Role::In, Values({3, 1, 2, 2})});
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkPartial), partial,
        Rows({{"control longer than the data", Set("control", Values({3, 1, 2, 2, 5})), kBadArray, kWritesNothing},
              {"control shorter than the data", Set("control", Values({3, 1, 2})), kOk},
              {"control empty", Set("control", Slots(0)), kOk},
              {"control constant", Set("control", Values({2, 2, 2, 2})), kOk}},
             ListPaths("correlations", true, true))});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkSpearman), ListParameters("coefficients"),
                         ListPaths("coefficients", true)});
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkKendall), ListParameters("coefficients"),
                         ListPaths("coefficients", true)});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkCrossCorrel),
        // The options slot is there for the interface; its value is never read (an
        // empty cell here, so that the non-finite sweep leaves it alone).
        {{"options", Role::In, Values({kMissing})},
         {"data", Role::In, Columns({{1, 3, 2, 5, 4, 6}, {2, 1, 4, 3, 6, 5}})},
         {"result", Role::Out, Cells(5, 2)}},
        {{"no options", Set("options", Slots(0)), kBadArray, kWritesNothing},
         {"options not a number", Set("options", Values({kNaN})), kOk},
         {"result with an even number of rows", Set("result", Cells(4, 2)), kBadArray, kWritesNothing},
         {"result without rows", Set("result", Cells(0, 2)), kBadArray, kWritesNothing},
         {"result one column", Set("result", Cells(5, 1)), kBadArray, kWritesNothing},
         {"data one column", Set("data", Columns({{1, 3, 2, 5, 4, 6}})), kBadArray, kWritesNothing},
         {"a third data column and result column", [](Arguments& a) {
              a["data"] = Cells(6, 3, 1);
              a["result"] = Cells(3, 3);
          }, kOk},
         {"lags beyond the data", Set("result", Cells(15, 2)), kOk},
         {"no data", Set("data", Cells(0, 2)), kOk}}});
}

}  // namespace sheetstat::contract
