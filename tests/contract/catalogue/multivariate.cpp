// Multivariate analysis: one catalogue.push_back block per export, as in descriptive.cpp.
#include "contract/export_catalogue.hpp"

namespace sheetstat::contract {
namespace {

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
