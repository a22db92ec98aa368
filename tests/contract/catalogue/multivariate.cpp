// Multivariate analysis.
#include "contract/export_catalogue.hpp"

namespace sheetstat::contract {
namespace {

// nkCluster: every array sized for n objects, one variable.
Change Objects(const std::vector<double>& values)
{
    const std::size_t n = values.size();
    return [=](Arguments& a) {
        a["data"] = Columns({values});
        a["labels"] = Slots(n);
        a["history"] = Cells(n, 6);
        a["dendrogram"] = Cells(5 * n, 2);
        a["pairs"] = a["leaves"] = Cells(n, 2);
    };
}

// nkCluster: the labels supplied (option slot 1 on).
Change SuppliedLabels(const std::vector<double>& labels)
{
    return [=](Arguments& a) {
        a["options"](1, 1) = 1;
        a["labels"] = Values(labels);
    };
}

// nkFactorA options: principal components, one extraction, at most 2 factors of
// eigenvalue 0.5 or more, varimax with Kaiser normalisation. Slot 8 is not used.
std::vector<double> FactorOptions()
{
    return {0, 0, 0.001, 0, 2, 0.5, 1, kMissing, 0, 1};
}

constexpr double kPredict = kPredictMarker;

// nkDiscrim: data and group codes together (columns x1, x2).
Change DiscrimCases(const std::vector<double>& x1, const std::vector<double>& x2, const std::vector<double>& codes)
{
    return [=](Arguments& a) {
        a["data"] = Columns({x1, x2});
        a["groups"] = Values(codes);
    };
}

// a + b·x for each x, rounded as computed.
std::vector<double> LinearIn(std::vector<double> x, double b, double a)
{
    for (double& value : x) value = b * value + a;
    return x;
}

}  // namespace

void AddMultivariateExports(std::vector<CatalogueEntry>& catalogue)
{
    // Single linkage of four objects on two variables; option slot 2 is never read.
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkCluster),
        {{"options", Role::In, Values({0, kMissing, 0, 0, 0, 0})},
         {"data", Role::In, Columns({{0, 1, 2, 3}, {1, 0, 1, 0}})},
         {"labels", Role::Out, Slots(4)},
         {"history", Role::Out, Cells(4, 6)},
         {"dendrogram", Role::Out, Cells(20, 2)},
         {"pairs", Role::Out, Cells(4, 2)},
         {"leaves", Role::Out, Cells(4, 2)},
         {"stats", Role::Out, Slots(1)}},
        {{"five option slots", Set("options", Values({0, kMissing, 0, 0, 0})), kBadArray, kWritesNothing},
         {"no stats slot", Set("stats", Slots(0)), kBadArray, kWritesNothing},
         {"history five columns", Set("history", Cells(4, 5)), kBadArray, kWritesNothing},
         {"history three rows", Set("history", Cells(3, 6)), kBadArray, kWritesNothing},
         {"dendrogram 5N - 1 rows", Set("dendrogram", Cells(19, 2)), kBadArray, kWritesNothing},
         {"dendrogram one column", Set("dendrogram", Cells(20, 1)), kBadArray, kWritesNothing},
         {"data a row short", Set("data", Columns({{0, 1, 2}})), kBadArray, kWritesNothing},
         {"data a row too many", Set("data", Columns({{0, 1, 2, 3, 4}})), kBadArray, kWritesNothing},
         {"data without a column", Set("data", Cells(4, 0)), kBadArray, kWritesNothing},
         {"labels three slots", Set("labels", Slots(3)), kBadArray, kWritesNothing},
         {"pairs a row too many", Set("pairs", Cells(5, 2)), kBadArray, kWritesNothing},
         {"pairs one column", Set("pairs", Cells(4, 1)), kBadArray, kWritesNothing},
         {"leaves one column", Set("leaves", Cells(4, 1)), kBadArray, kWritesNothing},
         {"option slot 2 is not read", SetCell("options", 2, 1, kNaN), kOk},
         {"complete linkage", SetCell("options", 3, 1, 1), kOk},
         {"average linkage", SetCell("options", 4, 1, 1), kOk},
         {"centroid linkage", SetCell("options", 5, 1, 1), kOk},
         {"Ward linkage", SetCell("options", 6, 1, 1), kOk},
         {"labels supplied", SuppliedLabels({10, 20, 20, 40}), kOk},
         {"a supplied label NaN", SuppliedLabels({1, 2, 3, kNaN}), kBadArray, kWritesNothing},
         {"labels not supplied are not read", Set("labels", Values({1, 2, 3, kNaN})), kOk},
         {"one object", Objects({1}), kInsufficientData, kWritesNothing},
         {"no object", Objects({}), kInsufficientData, kWritesNothing}}});

    // The tree (2, 3), (0, 1), (0, 2) of four objects cut into one cluster; the closing
    // row is not read.
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkSeparate),
        {{"options", Role::In, Values({1})},
         {"pairs", Role::In, Columns({{2, 0, 0, kMissing}, {3, 1, 2, kMissing}})},
         {"membership", Role::Out, Slots(4)}},
        Rows({{"no option slot", Set("options", Slots(0)), kBadArray, kWritesNothing},
              {"membership shorter than N", Set("membership", Slots(3)), kBadArray, kWritesNothing},
              {"pairs one column", Set("pairs", Columns({{2, 0, 0, 0}})), kBadArray, kWritesNothing},
              {"no pairs", Set("pairs", Cells(0, 2)), kBadArray, kWritesNothing},
              {"a longer membership", Set("membership", Slots(5)), kOk},
              {"k = 2.9: the third merge is not read",
               [](Arguments& a) { a["options"] = Values({2.9}); a["pairs"](3, 1) = kNaN; }, kOk},
              {"a pair of one object", SetCell("pairs", 2, 1, 1), kBadArray, kWritesNothing},
              {"a member beyond N", SetCell("pairs", 1, 2, 4), kBadArray, kWritesNothing},
              {"a member below 0", SetCell("pairs", 1, 1, -1), kBadArray, kWritesNothing},
              {"a member no longer a representative",
               [](Arguments& a) { a["pairs"](3, 1) = 3; a["pairs"](3, 2) = 0; }, kBadArray, kWritesNothing},
              {"a joined member no longer a representative", SetCell("pairs", 3, 2, 1), kBadArray, kWritesNothing}},
             EachValue("k", "options", 1, 1, {0.5, 5}, kBadArray, kWritesNothing))});
    // Three variables over six rows, the fourth incomplete; two factors retained.
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkFactorA),
        {{"options", Role::In, Values(FactorOptions())},
         {"data", Role::InOut, Columns({{1, 2, 3, 4, 5, 7}, {2, 1, 4, 3, 6, 5}, {3, 5, 1, kMissing, 4, 2}})},
         {"communalities", Role::Out, Cells(3, 2)},
         {"eigenvalues", Role::Out, Cells(3, 3)},
         {"loadings", Role::Out, Cells(5, 4)},
         {"scores", Role::Out, Cells(6, 2)},
         {"stats", Role::Out, Slots(3)}},
        Rows({{"options nine slots", Set("options", Slots(9)), kBadArray, kWritesNothing},
              {"stats two slots", Set("stats", Slots(2)), kBadArray, kWritesNothing},
              {"one variable", Set("data", Columns({{1, 2, 3}})), kBadArray, kWritesNothing},
              {"eigenvalues a row short", Set("eigenvalues", Cells(2, 3)), kBadArray, kWritesNothing},
              {"eigenvalues two columns", Set("eigenvalues", Cells(3, 2)), kBadArray, kWritesNothing},
              {"communalities one column", Set("communalities", Cells(3, 1)), kBadArray, kWritesNothing},
              {"communalities a row short", Set("communalities", Cells(2, 2)), kBadArray, kWritesNothing},
              {"loadings a row short", Set("loadings", Cells(4, 4)), kBadArray, kWritesNothing},
              {"loadings a column short for 2 factors", Set("loadings", Cells(5, 3)), kBadArray, kWritesNothing},
              {"scores a row short", Set("scores", Cells(5, 2)), kBadArray, kWritesNothing},
              {"scores a column short for 2 factors", Set("scores", Cells(6, 1)), kBadArray, kWritesNothing},
              {"iterating with no pass allowed", [](Arguments& a) { a["options"](2, 1) = 1; a["options"](4, 1) = 0.9; },
               kBadArray, kWritesNothing},
              {"iterating 3 passes with room for 2",
               [](Arguments& a) { a["options"](2, 1) = 1; a["options"](4, 1) = 3; a["communalities"] = Cells(3, 3); },
               kBadArray, kWritesNothing},
              {"rotation flag beyond 32 bits", SetCell("options", 7, 1, 1e10), kBadArray, kWritesNothing},
              {"one complete case", Set("data", Columns({{1, 2, 3}, {2, kMissing, 1}, {kMissing, 3, 2}})), kInsufficientData,
               kWritesNothing},
              {"constant over the complete cases", Set("data", Columns({{1, 2, 3}, {4, 4, 5}, {6, 5, kMissing}})),
               kInsufficientData, kWritesNothing},
              {"no factor allowed", SetCell("options", 5, 1, 0.99), kInsufficientData, kWritesNothing},
              {"no eigenvalue large enough", SetCell("options", 6, 1, 3), kInsufficientData, kWritesNothing},
              {"iterated principal axes",
               [](Arguments& a) {
                   a["options"] = Values({1, 1, 1e-4, 25, 2, 0.1, 1, kMissing, 0, 1});
                   a["communalities"] = Cells(3, 26);
               },
               kOk},
              {"quartimax without normalisation",
               [](Arguments& a) { a["options"](7, 1) = 0; a["options"](10, 1) = 0; }, kOk},
              {"unrotated, more factors allowed than variables",
               [](Arguments& a) {
                   a["options"](9, 1) = 1;
                   a["options"](5, 1) = 9;
                   a["options"](6, 1) = 0;
                   a["loadings"] = Cells(5, 5);
                   a["scores"] = Cells(6, 3);
               },
               kOk},
              {"values spanning the double range", Set("data", Columns({{1.5e308, -1.5e308, 1}, {1, 2, 4}, {3, 1, 2}})),
               kNumericalFailure}})});
    // Three groups of two variables, a row with an empty cell and two rows marked for
    // prediction (one of them with an empty cell).
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkDiscrim),
        {{"options", Role::In, Values({0, 0})},
         {"data", Role::InOut, Columns({{1, 2, 2, 3, 4, kMissing, 5, 3, 5, 6, 1, 2, kMissing, 3},
                                        {2, 1, 3, 2, 5, 3, 4, 4, 6, 6, 6, 7, 2, 8}})},
         {"groups", Role::InOut, Values({0, 0, 0, 0, 1, 1, 1, kPredict, 1, 1, 2, 2, kPredict, 2.9})},
         {"predictions", Role::Out, Cells(3, 2)},
         {"functionTable", Role::Out, Cells(8, 2)},
         {"rawCoefficients", Role::Out, Cells(3, 2)},
         {"standardisedCoefficients", Role::Out, Cells(2, 2)},
         {"centroids", Role::Out, Cells(3, 2)},
         {"groupDistances", Role::Out, Cells(3, 3)},
         {"classificationTable", Role::Out, Cells(4, 3)},
         {"stats", Role::Out, Slots(1)}},
        Rows({{"options one slot", Set("options", Slots(1)), kBadArray, kWritesNothing},
              {"stats without a slot", Set("stats", Slots(0)), kBadArray, kWritesNothing},
              {"function table seven rows", Set("functionTable", Cells(7, 2)), kBadArray, kWritesNothing},
              {"function table one column for two functions", Set("functionTable", Cells(8, 1)), kBadArray,
               kWritesNothing},
              {"raw coefficients without the constant row", Set("rawCoefficients", Cells(2, 2)), kBadArray,
               kWritesNothing},
              {"standardised coefficients one column", Set("standardisedCoefficients", Cells(2, 1)), kBadArray,
               kWritesNothing},
              {"standardised coefficients one row", Set("standardisedCoefficients", Cells(1, 2)), kBadArray,
               kWritesNothing},
              {"centroids one column", Set("centroids", Cells(3, 1)), kBadArray, kWritesNothing},
              {"one group", [](Arguments& a) { a["centroids"] = Cells(1, 1); a["groups"] = Values(std::vector<double>(14, 0)); },
               kBadArray, kWritesNothing},
              {"group distances two rows", Set("groupDistances", Cells(2, 3)), kBadArray, kWritesNothing},
              {"group distances two columns", Set("groupDistances", Cells(3, 2)), kBadArray, kWritesNothing},
              {"classification table without the sizes row", Set("classificationTable", Cells(3, 3)), kBadArray,
               kWritesNothing},
              {"classification table two columns", Set("classificationTable", Cells(4, 2)), kBadArray,
               kWritesNothing},
              {"predictions without the end line", Set("predictions", Cells(2, 2)), kBadArray, kWritesNothing},
              {"predictions one column", Set("predictions", Cells(3, 1)), kBadArray, kWritesNothing},
              {"no data column", Set("data", Cells(14, 0)), kBadArray, kWritesNothing},
              {"groups longer than the data",
               Set("groups", Values({0, 0, 0, 0, 1, 1, 1, kPredict, 1, 1, 2, 2, kPredict, 2, 2})), kBadArray,
               kWritesNothing},
              {"a code out of range in a row with an empty cell", SetCell("groups", 6, 1, 3), kBadArray,
               kWritesNothing},
              {"groups shorter than the data: later rows not read",
               Set("groups", Values({0, 0, 0, 0, 1, 1, 1, kPredict, 1, 1, 2, 2})), kOk},
              {"equal priors", Set("options", Values({1, 0})), kOk},
              {"two groups, one function",
               [](Arguments& a) {
                   a["groups"] = Values({0, 0, 0, 0, 1, 1, 1, kPredict, 1, 1, 0, 1, kPredict, 1});
                   a["centroids"] = Cells(2, 1);
               },
               kOk},
              {"no marked row",
               [](Arguments& a) {
                   a["groups"] = Values({0, 0, 0, 0, 1, 1, 1, 0, 1, 1, 2, 2, kMissing, 2});
                   a["predictions"] = Cells(1, 2);
               },
               kOk},
              {"larger result arrays",
               [](Arguments& a) {
                   a["predictions"] = Cells(5, 3);
                   a["functionTable"] = Cells(9, 3);
                   a["centroids"] = Cells(3, 3);
                   a["groupDistances"] = Cells(4, 4);
                   a["classificationTable"] = Cells(5, 4);
               },
               kOk},
              {"two complete cases", DiscrimCases({1, 2, kMissing}, {1, 3, 2}, {0, 1, 2}), kInsufficientData,
               kWritesNothing},
              {"an empty group", Set("groups", Values({0, 0, 0, 0, 1, 1, 1, kPredict, 1, 1, 1, 1, kPredict, 1})),
               kInsufficientData, kWritesNothing},
              {"fewer than p + g complete cases",
               DiscrimCases({1, 2, 4, 7}, {2, 1, 5, 8}, {0, 0, 1, 2}), kInsufficientData, kWritesNothing},
              {"a constant variable",
               DiscrimCases({1, 2, 2, 3, 4, 5, 5, 6}, {2, 2, 2, 2, 2, 2, 2, 2}, {0, 0, 1, 1, 1, 2, 2, 2}),
               kInsufficientData},
              {"collinear variables: a zero pivot",
               DiscrimCases({1, 2, 2, 3, 4, 5, 5, 6}, {2, 4, 4, 6, 8, 10, 10, 12}, {0, 0, 1, 1, 1, 2, 2, 2}),
               kNumericalFailure},
              {"collinear variables: inverted, with a tolerance below 1e-10",
               DiscrimCases({1, 2, 2, 3, 4, 5, 5, 6}, LinearIn({1, 2, 2, 3, 4, 5, 5, 6}, 0.1, 0.7),
                            {0, 0, 1, 1, 1, 2, 2, 2}),
               kNumericalFailure},
              {"groups separated beyond an eigenvalue of 1e8",
               DiscrimCases({0, 1e-6, 2e-6, 10, 10 + 1e-6, 10 + 3e-6, 20, 20 + 2e-6, 20 + 1e-6},
                            {1, 2, 4, 3, 1, 2, 4, 3, 1}, {0, 0, 0, 1, 1, 1, 2, 2, 2}),
               kNumericalFailure}},
             EachValue("code", "groups", 1, 1, {3, -1, 1e300, kNaN}, kBadArray))});
}

}  // namespace sheetstat::contract
