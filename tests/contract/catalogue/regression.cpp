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

// ---- Regression (nkSimpleReg, nkPolyReg, nkMultiReg) ----

constexpr double kPredict = kPredictMarker;

// The model table of nkSimpleReg: row 6 requests each model, the output rows hold
// MissingValue (not read).
Argument ModelTable(const std::vector<double>& requests)
{
    Argument table = Cells(7, 7, kMissing);
    for (std::size_t k = 1; k <= 7; ++k) table(6, k) = requests[k - 1];
    return table;
}

// nkMultiReg's options: method slot (3..7), probabilities to enter and to remove,
// maximum number of variables; residuals and predictions on, with an intercept.
Change MultiRegMethod(std::size_t slot, double enter, double remove, double maxVariables)
{
    return [=](Arguments& a) {
        std::vector<double> options = {1, 1, 0, 0, 0, 0, 0, enter, remove, maxVariables, 0};
        options[slot - 1] = 1;
        a["options"] = Values(options);
    };
}

}  // namespace

void AddRegressionExports(std::vector<CatalogueEntry>& catalogue)
{
    std::vector<Parameter> pearson = ListParameters("correlations");
    pearson.push_back({"results", Role::Out, Slots(2)});
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkPearson), pearson,
        Rows({{"results one slot", Set("results", Slots(1)), kBadArray, kWritesNothing},
              {"a data cell not a number", SetCell("dataB", 2, 1, kNaN), kBadArray, kWritesNothing},
              {"an infinite cell in a row empty in the other list",
               [](Arguments& a) { a["dataA"](2, 1) = a["dataA"](2, 2) = kMissing; a["dataB"](2, 1) = -kInfinity; },
               kBadArray},
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
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkSimpleReg),
        {{"options", Role::In, Values({1, 1})},
         {"data", Role::InOut, Columns({{1, 2, 3, 4, 5, 6}, {2.1, 3.9, 6.2, 7.8, 10.1, kPredict}})},
         {"predictions", Role::Out, Cells(2, 2)},
         {"residuals", Role::Out, Cells(6, 1)},
         {"curve", Role::Out, Cells(5, 4)},
         {"models", Role::InOut, ModelTable({1, 1, 1, 1, 1, 1, 1})}},
        {{"options one slot", Set("options", Values({1})), kBadArray, kWritesNothing},
         {"models six rows", Set("models", Cells(6, 7, kMissing)), kBadArray, kWritesNothing},
         {"models six columns", Set("models", Cells(7, 6, kMissing)), kBadArray, kWritesNothing},
         {"data one column", Set("data", Columns({{1, 2, 3}})), kBadArray, kWritesNothing},
         {"data three columns", Set("data", Cells(3, 3, 1)), kBadArray, kWritesNothing},
         {"curve rows even", Set("curve", Cells(6, 4)), kBadArray, kWritesNothing},
         {"curve three rows", Set("curve", Cells(3, 4)), kBadArray, kWritesNothing},
         {"curve three columns with the line requested", Set("curve", Cells(5, 3)), kBadArray, kWritesNothing},
         {"curve two columns without the line",
          [](Arguments& a) { a["curve"] = Cells(7, 2); a["models"] = ModelTable({0, 1, 1, 1, 1, 1, 1}); }, kOk},
         {"residuals a row short", Set("residuals", Cells(5, 1)), kBadArray, kWritesNothing},
         {"residuals off, none given",
          [](Arguments& a) { a["options"] = Values({0, 1}); a["residuals"] = Cells(0, 0); }, kOk},
         {"predictions without the end line", Set("predictions", Cells(1, 2)), kBadArray, kWritesNothing},
         {"predictions off, none given",
          [](Arguments& a) { a["options"] = Values({1, 0}); a["predictions"] = Cells(0, 0); }, kOk},
         {"one usable row", Set("data", Columns({{1, 2, kMissing}, {3, kMissing, 4}})), kInsufficientData,
          kWritesNothing},
         {"no model requested", Set("models", ModelTable({0, 0, 0, 0, 0, 0, 0})), 15},
         {"every model skipped (constant X)", Set("data", Columns({{2, 2, 2}, {1, 2, 3}})), 15},
         {"two usable rows", Set("data", Columns({{1, 2}, {3, 5}})), kOk},
         {"A of the exponential model overflows", Set("data", Columns({{-2000, -1999, -1998}, {1, 2, 4}})), kOk}}});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkPolyReg),
        {{"options", Role::In, Values({1, 1, 0})},
         {"data", Role::InOut, Columns({{1, 2, 3, 4, 5, 6}, {2.1, 3.9, 9.2, 15.8, 27.1, kPredict}})},
         {"weights", Role::InOut, Values({1, 2, 1, 2, 1, 1})},
         {"predictions", Role::Out, Cells(2, 2)},
         {"residuals", Role::Out, Cells(6, 1)},
         {"curve", Role::Out, Cells(4, 2)},
         {"results", Role::Out, Slots(6)},
         {"coefficients", Role::Out, Cells(4, 3)}},
        {{"options two slots", Set("options", Values({1, 1})), kBadArray, kWritesNothing},
         {"results five slots", Set("results", Slots(5)), kBadArray, kWritesNothing},
         {"coefficients three rows", Set("coefficients", Cells(3, 3)), kBadArray, kWritesNothing},
         {"coefficients one column", Set("coefficients", Cells(4, 1)), kBadArray, kWritesNothing},
         {"data three columns", Set("data", Cells(6, 3, 1)), kBadArray, kWritesNothing},
         {"weights a slot short", Set("weights", Values({1, 1, 1, 1, 1})), kBadArray, kWritesNothing},
         {"curve one row", Set("curve", Cells(1, 2)), kBadArray, kWritesNothing},
         {"curve one column", Set("curve", Cells(4, 1)), kBadArray, kWritesNothing},
         {"curve with the band columns", Set("curve", Cells(4, 6)), kOk},
         {"residuals a row short", Set("residuals", Cells(5, 1)), kBadArray, kWritesNothing},
         {"predictions without the end line", Set("predictions", Cells(1, 2)), kBadArray, kWritesNothing},
         {"as many rows as coefficients",
          [](Arguments& a) { a["data"] = Columns({{1, 2, 3}, {1, 4, 9}}); a["weights"] = Values({1, 1, 1}); },
          kInsufficientData, kWritesNothing},
         {"no constant", Set("options", Values({1, 1, 1})), kOk},
         {"no constant, every x 0",
          [](Arguments& a) {
              a["options"] = Values({0, 0, 1});
              a["data"] = Columns({{0, 0, 0, 0}, {1, 2, 3, 5}});
              a["weights"] = Values({1, 1, 1, 1});
          }, kOk},
         {"x constant", [](Arguments& a) {
              a["data"] = Columns({{7, 7, 7, 7}, {1, 2, 3, 5}});
              a["weights"] = Values({1, 1, 1, 1});
          }, kOk},
         {"calendar years", Set("data", Columns({{1990, 1995, 2000, 2005, 2010, 2015}, {1, 3, 2, 5, 4, 6}})), kOk}}});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkMultiReg),
        {{"options", Role::In, Values({1, 1, 1, 0, 0, 0, 0, 0.05, 0.1, 2, 0})},
         {"data", Role::InOut, Columns({{1, 2, 3, 4, 5, 6}, {2, 1, 4, 3, 6, 5}})},
         {"y", Role::InOut, Values({3.1, 2.9, 7.2, 6.8, 11.1, kPredict})},
         {"weights", Role::InOut, Values({1, 1, 2, 1, 1, 1})},
         {"predictions", Role::Out, Cells(2, 2)},
         {"residuals", Role::Out, Cells(6, 1)},
         {"results", Role::Out, Slots(19)},
         {"steps", Role::Out, Cells(6, 2)},
         {"coefficients", Role::Out, Cells(5, 3)}},
        {{"options ten slots", Set("options", Values({1, 1, 1, 0, 0, 0, 0, 0.05, 0.1, 2})), kBadArray, kWritesNothing},
         {"results eighteen slots", Set("results", Slots(18)), kBadArray, kWritesNothing},
         {"steps five rows", Set("steps", Cells(5, 2)), kBadArray, kWritesNothing},
         {"coefficients four rows", Set("coefficients", Cells(4, 3)), kBadArray, kWritesNothing},
         {"coefficients two columns", Set("coefficients", Cells(5, 2)), kBadArray, kWritesNothing},
         {"steps one column, all entered", Set("steps", Cells(6, 1)), kBadArray, kWritesNothing},
         {"no method", Set("options", Values({1, 1, 0, 0, 0, 0, 0, 0.05, 0.1, 2, 0})), kBadArray, kWritesNothing},
         {"two methods", Set("options", Values({1, 1, 1, 0, 1, 0, 0, 0.05, 0.1, 2, 0})), kBadArray, kWritesNothing},
         {"y a slot short", Set("y", Values({3.1, 2.9, 7.2, 6.8, 11.1})), kBadArray, kWritesNothing},
         {"weights a slot short", Set("weights", Values({1, 1, 1, 1, 1})), kBadArray, kWritesNothing},
         {"no data column", Set("data", Cells(6, 0)), kBadArray, kWritesNothing},
         {"residuals a row short", Set("residuals", Cells(5, 1)), kBadArray, kWritesNothing},
         {"predictions without the end line", Set("predictions", Cells(1, 2)), kBadArray, kWritesNothing},
         {"stepwise, enter above remove", MultiRegMethod(4, 0.2, 0.1, 2), kBadArray, kWritesNothing},
         {"forward, enter above 1", MultiRegMethod(5, 1.5, 0.1, 2), kBadArray, kWritesNothing},
         {"backward, remove below 0", MultiRegMethod(6, 0.05, -0.1, 2), kBadArray, kWritesNothing},
         {"forward, no variable allowed", MultiRegMethod(5, 0.5, 0.5, 0), kBadArray, kWritesNothing},
         {"best subsets, three variables of two", MultiRegMethod(7, 0.5, 0.5, 3), kBadArray, kWritesNothing},
         {"stepwise", MultiRegMethod(4, 0.5, 0.5, 2), kOk},
         {"forward", MultiRegMethod(5, 0.5, 0.5, 2), kOk},
         {"backward", MultiRegMethod(6, 0.5, 0.5, 2), kOk},
         {"best subsets", MultiRegMethod(7, 0.5, 0.5, 2), kOk},
         {"no intercept", SetCell("options", 11, 1, 1), kOk},
         {"forward, the steps table full",
          [](Arguments& a) { MultiRegMethod(5, 1, 1, 2)(a); a["steps"] = Cells(6, 1); }, kBadArray},
         {"forward, nothing meets the probability to enter", MultiRegMethod(5, 0, 0.5, 2), 18},
         {"as many complete rows as variables",
          [](Arguments& a) {
              a["data"] = Columns({{1, 2}, {2, 1}});
              a["y"] = Values({1, 2});
              a["weights"] = Values({1, 1});
          }, kInsufficientData, kWritesNothing},
         {"constant y with a selection method",
          [](Arguments& a) { MultiRegMethod(5, 0.5, 0.5, 2)(a); a["y"] = Values({4, 4, 4, 4, 4, 4}); },
          kInsufficientData, kWritesNothing},
         {"constant y entering all", Set("y", Values({4, 4, 4, 4, 4, kPredict})), kOk}}});
}

}  // namespace sheetstat::contract
