// Multivariate analysis: one catalogue.push_back block per export, as in descriptive.cpp.
#include "contract/export_catalogue.hpp"

namespace sheetstat::contract {
namespace {

// nkFactorA options: principal components, one extraction, at most 2 factors of
// eigenvalue 0.5 or more, varimax with Kaiser normalisation. Slot 8 is not used.
std::vector<double> FactorOptions()
{
    return {0, 0, 0.001, 0, 2, 0.5, 1, kMissing, 0, 1};
}

}  // namespace

void AddMultivariateExports(std::vector<CatalogueEntry>& catalogue)
{
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
}

}  // namespace sheetstat::contract
