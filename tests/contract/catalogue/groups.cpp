// Group comparisons.
#include "contract/export_catalogue.hpp"

#include <algorithm>
#include <string>

namespace sheetstat::contract {
namespace {

// Layout 1 (one data column per group, the shorter padded with MissingValue).
Change ByColumns(std::vector<double> first, std::vector<double> second)
{
    const std::size_t rows = std::max(first.size(), second.size());
    first.resize(rows, kMissing);
    second.resize(rows, kMissing);
    return [=](Arguments& a) {
        a["options"] = Values({1});
        a["data"] = Columns({first, second});
    };
}

// Layout 0 (one data column and a group code per row).
Change ByCodes(const std::vector<double>& values, const std::vector<double>& codes)
{
    return [=](Arguments& a) {
        a["data"] = Columns({values});
        a["groupCodes"] = Values(codes);
    };
}

// The layout checks of the tests of independent groups: nkTTestIndep and nkUTest
// (through the two-group layout) and nkHTest with two groups (through GroupedSample).
std::vector<StatusPath> TwoGroupLayoutPaths()
{
    return {{"layout NaN", SetCell("options", 1, 1, kNaN), kBadArray, kWritesNothing},
            {"no options", Set("options", Slots(0)), kBadArray, kWritesNothing},
            {"layout 0 with two data columns", Set("data", Columns({{1, 2, 3, 4}, {1, 2, 3, 4}})), kBadArray,
             kWritesNothing},
            {"a code short", ByCodes({1, 2, 3, 4}, {0, 1, 0}), kBadArray, kWritesNothing},
            {"a code too many", ByCodes({1, 2, 3, 4}, {0, 1, 0, 1, 0}), kBadArray, kWritesNothing},
            {"layout 1 with one data column", [](Arguments& a) { a["options"] = Values({1}); }, kBadArray,
             kWritesNothing},
            {"layout 1 with three data columns",
             [](Arguments& a) { a["options"] = Values({1}); a["data"] = Cells(4, 3, 1); }, kBadArray, kWritesNothing},
            {"layout 1 reads no codes",
             [](Arguments& a) { ByColumns({1, 2, 3}, {4, 5, 7})(a); a["groupCodes"] = NullDescriptor(); }, kOk},
            {"any non-zero layout is one column per group",
             [](Arguments& a) { ByColumns({1, 2, 3}, {4, 5, 7})(a); a["options"] = Values({-2}); }, kOk},
            {"layout 0.7 truncates to 0", SetCell("options", 1, 1, 0.7), kOk},
            {"layout 1: a value NaN", ByColumns({1, 2, 3}, {4, kNaN, 7}), kBadArray},
            {"no data", ByCodes({}, {}), kInsufficientData}};
}

// The worked data of the split plot: three subjects under two treatments, in two groups.
const std::vector<std::vector<double>> kSplitPlotData = {{1, 2, 4}, {2, 3, 6}};

// McNemar's cases: a = 2 pairs (0, 0), b = 3 (0, 1), c = 1 (1, 0), d = 2 (1, 1).
const std::vector<std::vector<double>> kMcNemarPairs = {{0, 0, 0, 0, 0, 1, 1, 1}, {0, 0, 1, 1, 1, 0, 1, 1}};

// nkAnova with two factors of two levels, eight observations in layout 0.
Change TwoFactors(double interaction, std::vector<double> values)
{
    return [=](Arguments& a) {
        a["options"] = Values({0, 2, 2, interaction});
        a["data"] = Columns({values});
        a["factorCodes"] = Columns({{0, 0, 0, 0, 1, 1, 1, 1}, {0, 0, 1, 1, 0, 0, 1, 1}});
        a["levelStats"] = Cells(2, 2);
    };
}

// nkPostHoc with k groups of `count` observations, means 1, 2, ..., k (spread by
// `spacing`), and the comparisons and subsets arrays that k groups need.
Change PostHocGroups(std::size_t k, double count, double spacing, std::size_t subsetRows)
{
    return [=](Arguments& a) {
        Argument stats = Cells(2, k);
        for (std::size_t g = 1; g <= k; ++g) {
            stats(1, g) = count;
            stats(2, g) = spacing * static_cast<double>(g);
        }
        a["levelStats"] = stats;
        a["comparisons"] = Cells(k, k);
        a["subsets"] = Cells(subsetRows, k);
    };
}

// The two-factor call with the code of B in row 2 set to each value.
std::vector<StatusPath> CodesOfB(const std::vector<double>& values)
{
    std::vector<StatusPath> rows;
    for (const double value : values) {
        rows.push_back({"code of B " + std::to_string(value),
                        [=](Arguments& a) {
                            TwoFactors(1, {1, 2, 4, 4, 5, 7, 9, 6})(a);
                            a["factorCodes"](2, 2) = value;
                        },
                        kBadArray, kWritesNothing});
    }
    return rows;
}

Change Procedure(std::size_t slot)
{
    return [=](Arguments& a) {
        for (std::size_t s = 1; s <= 8; ++s) a["options"](s, 1) = s == slot ? 1 : 0;
    };
}

std::vector<StatusPath> EveryProcedure()
{
    std::vector<StatusPath> rows;
    for (std::size_t slot = 1; slot <= 8; ++slot) {
        rows.push_back({"procedure " + std::to_string(slot), Procedure(slot), kOk});
        rows.push_back({"procedure " + std::to_string(slot) + ", every pair different",
                        [=](Arguments& a) { Procedure(slot)(a); PostHocGroups(4, 5, 10, 5)(a); }, kOk});
    }
    return rows;
}

}  // namespace

void AddGroupExports(std::vector<CatalogueEntry>& catalogue)
{
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkTTestIndep),
        {{"options", Role::In, Values({0})},
         {"data", Role::In, Columns({{1, 4, 2, 5, 3, 6}})},
         {"groupCodes", Role::In, Values({0, 1, 0, 1, 0, 1})},
         {"groupStats", Role::Out, Cells(4, 3)},
         {"results", Role::Out, Slots(8)}},
        Rows({{"groupStats three rows", Set("groupStats", Cells(3, 3)), kBadArray, kWritesNothing},
              {"groupStats two columns", Set("groupStats", Cells(4, 2)), kBadArray, kWritesNothing},
              {"groupStats four columns", Set("groupStats", Cells(4, 4)), kBadArray, kWritesNothing},
              {"results seven slots", Set("results", Slots(7)), kBadArray, kWritesNothing},
              {"group 2 with one value", ByColumns({1, 2, 3}, {4, kMissing, kMissing}), kInsufficientData},
              {"every code group 2", ByCodes({1, 2, 3}, {1, 1, 1}), kInsufficientData},
              {"group 1 without spread", ByColumns({2, 2, 2}, {4, 5, 6}), kInsufficientData, kWritesNothing},
              {"group 2 without spread", ByColumns({1, 2, 3}, {1e9, 1e9, 1e9, 1e9}), kInsufficientData}},
             TwoGroupLayoutPaths(),
             EachValue("code", "groupCodes", 4, 1, {2, -1, 1e300, kNaN}, kBadArray))});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkTTestDep),
        {{"data", Role::In, Columns({{1, 2, 4}, {0, 2, 5}})},
         {"results", Role::Out, Slots(6)}},
        {{"one column", Set("data", Columns({{1, 2, 3}})), kBadArray, kWritesNothing},
         {"three columns", Set("data", Columns({{1, 2}, {3, 4}, {5, 6}})), kBadArray, kWritesNothing},
         {"results five slots", Set("results", Slots(5)), kBadArray, kWritesNothing},
         {"no difference", Set("data", Columns({{1, 2, 3}, {1, 2, 3}})), kInsufficientData},
         {"one complete pair", Set("data", Columns({{1, 2, kMissing}, {0, kMissing, 3}})), kInsufficientData},
         {"no data", Set("data", Cells(0, 2)), kInsufficientData}}});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkUTest),
        {{"options", Role::In, Values({0})},
         {"data", Role::In, Columns({{1, 2, 2, 7, 3, 4, 5}})},
         {"groupCodes", Role::In, Values({0, 0, 0, 0, 1, 1, 1})},
         {"groupStats", Role::Out, Cells(3, 2)},
         {"results", Role::Out, Slots(3)}},
        Rows({{"groupStats two rows", Set("groupStats", Cells(2, 2)), kBadArray, kWritesNothing},
              {"groupStats one column", Set("groupStats", Cells(3, 1)), kBadArray, kWritesNothing},
              {"groupStats three columns", Set("groupStats", Cells(3, 3)), kBadArray, kWritesNothing},
              {"results two slots", Set("results", Slots(2)), kBadArray, kWritesNothing},
              {"larger result arrays", [](Arguments& a) { a["groupStats"] = Cells(4, 2); a["results"] = Slots(4); }, kOk},
              {"one value", ByColumns({1}, {}), kInsufficientData},
              {"no value", ByColumns({kMissing}, {kMissing}), kInsufficientData},
              {"group 2 with one value", ByColumns({1, 2, 3}, {4}), kInsufficientData},
              {"group 1 with one value", ByColumns({1}, {2, 3, 4}), kInsufficientData},
              {"one code in group 2", ByCodes({1, 2, 3}, {0, 0, 1}), kInsufficientData},
              {"all values equal", ByColumns({5, 5}, {5, 5, 5}), kInsufficientData}},
             TwoGroupLayoutPaths(),
             EachValue("code", "groupCodes", 5, 1, {2, -1, 1e300, kNaN}, kBadArray))});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkWilcoxon),
        {{"data", Role::In, Columns({{1, 2, 3, 4, 5}, {2, 4, 6, 3, 5}})},
         {"results", Role::Out, Slots(8)}},
        {{"one column", Set("data", Columns({{1, 2, 3, 4}})), kBadArray, kWritesNothing},
         {"three columns", Set("data", Cells(4, 3, 1)), kBadArray, kWritesNothing},
         {"results seven slots", Set("results", Slots(7)), kBadArray, kWritesNothing},
         {"no difference", Set("data", Columns({{1, 2, 3}, {1, 2, 3}})), kInsufficientData},
         {"no complete pair", Set("data", Columns({{1, kMissing}, {kMissing, 2}})), kInsufficientData},
         {"no data", Set("data", Cells(0, 2)), kInsufficientData}}});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkMcNemar),
        {{"data", Role::In, Columns(kMcNemarPairs)},
         {"table", Role::Out, Cells(3, 3)},
         {"results", Role::Out, Slots(4)}},
        Rows({{"table two columns", Set("table", Cells(3, 2)), kBadArray, kWritesNothing},
              {"table two rows", Set("table", Cells(2, 3)), kBadArray, kWritesNothing},
              {"table four rows", Set("table", Cells(4, 3)), kBadArray, kWritesNothing},
              {"results three slots", Set("results", Slots(3)), kBadArray, kWritesNothing},
              {"one data column", Set("data", Columns({{0, 1, 1}})), kBadArray, kWritesNothing},
              {"no complete pair", Set("data", Columns({{0, kMissing}, {kMissing, 1}})), kInsufficientData},
              {"no data", Set("data", Cells(0, 2)), kInsufficientData}},
             EachValue("second code", "data", 2, 2, {2, -1, 1e300, kNaN}, kBadArray),
             EachValue("first code", "data", 3, 1, {2, -1, 1e300, kNaN}, kBadArray))});
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkRepMeasures),
        {{"data", Role::In, Columns({{1, 2}, {3, 5}})},
         {"anovaTable", Role::Out, Cells(5, 6)}},
        {{"anovaTable four rows", Set("anovaTable", Cells(4, 6)), kBadArray, kWritesNothing},
         {"anovaTable five columns", Set("anovaTable", Cells(5, 5)), kBadArray, kWritesNothing},
         {"a subject with an empty cell is left out", Set("data", Columns({{1, kMissing, 2}, {3, 4, 5}})), kOk},
         {"one treatment", Set("data", Columns({{1, 2}})), kInsufficientData, kWritesNothing},
         {"one complete subject", SetCell("data", 2, 1, kMissing), kInsufficientData, kWritesNothing},
         {"no subject", Set("data", Cells(0, 2)), kInsufficientData, kWritesNothing},
         {"sums of squares overflow", Set("data", Columns({{1e300, -1e300}, {-1e300, 1e300}})), kNumericalFailure}}});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkSplitPlot),
        {{"options", Role::In, Values({2})},
         {"data", Role::In, Columns(kSplitPlotData)},
         {"groupCodes", Role::In, Values({0, 0, 1})},
         {"anovaTable", Role::Out, Cells(5, 6)}},
        Rows({{"no options", Set("options", Slots(0)), kBadArray, kWritesNothing},
              {"group count 0.9", SetCell("options", 1, 1, 0.9), kBadArray, kWritesNothing},
              {"anovaTable four rows", Set("anovaTable", Cells(4, 6)), kBadArray, kWritesNothing},
              {"anovaTable five columns", Set("anovaTable", Cells(5, 5)), kBadArray, kWritesNothing},
              {"no data column", Set("data", Cells(3, 0)), kBadArray, kWritesNothing},
              {"four codes for three rows", Set("groupCodes", Values({0, 0, 1, 1})), kBadArray, kWritesNothing},
              {"one subject, one treatment",
               [](Arguments& a) {
                   a["options"] = Values({1});
                   a["data"] = Columns({{5}});
                   a["groupCodes"] = Values({0});
               },
               kOk},
              {"data rows beyond the codes are not read",
               [](Arguments& a) { a["groupCodes"] = Values({0, 1}); a["data"](3, 1) = kNaN; }, kOk},
              {"every code empty", Set("groupCodes", Values({kMissing, kMissing, kMissing})), kInsufficientData,
               kWritesNothing},
              {"no code", Set("groupCodes", Slots(0)), kInsufficientData, kWritesNothing},
              {"sums of squares overflow", Set("data", Columns({{1e300, -1e300, 1}, {-1e300, 1e300, 1}})),
               kNumericalFailure}},
             EachValue("code of a complete row", "groupCodes", 3, 1, {-1, 2, kNaN, 1e300}, kBadArray,
                       kWritesNothing))});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkHTest),
        {{"options", Role::In, Values({0})},
         {"data", Role::In, Columns({{1, 2}})},
         {"groupCodes", Role::In, Values({0, 1})},
         {"groupStats", Role::Out, Cells(2, 2)},
         {"results", Role::Out, Slots(3)}},
        Rows({{"groupStats one row", Set("groupStats", Cells(1, 2)), kBadArray, kWritesNothing},
              {"groupStats one column", Set("groupStats", Cells(2, 1)), kBadArray, kWritesNothing},
              {"results two slots", Set("results", Slots(2)), kBadArray, kWritesNothing},
              {"groups beyond the data columns are empty",
               [](Arguments& a) { ByColumns({1, 2}, {3})(a); a["groupStats"] = Cells(2, 3); }, kOk},
              {"one value", ByCodes({1}, {0}), kInsufficientData, kWritesNothing},
              {"one non-empty group", ByCodes({1, 2}, {1, 1}), kInsufficientData, kWritesNothing},
              {"all values equal", ByColumns({4, 4}, {4}), kInsufficientData, kWritesNothing}},
             TwoGroupLayoutPaths(),
             EachValue("code", "groupCodes", 2, 1, {-1, 2, kNaN, 1e300}, kBadArray, kWritesNothing))});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkFriedman),
        {{"data", Role::In, Columns({{1, 2}, {2, 1}})},
         {"groupStats", Role::Out, Cells(2, 2)},
         {"results", Role::Out, Slots(3)}},
        {{"groupStats one row", Set("groupStats", Cells(1, 2)), kBadArray, kWritesNothing},
         {"results two slots", Set("results", Slots(2)), kBadArray, kWritesNothing},
         {"groupStats a column more than data", Set("groupStats", Cells(2, 3)), kBadArray, kWritesNothing},
         {"a block with an empty cell is skipped", Set("data", Columns({{1, kMissing, 3}, {2, 1, 1}})), kOk},
         {"one treatment", [](Arguments& a) { a["data"] = Columns({{1, 2}}); a["groupStats"] = Cells(2, 1); },
          kInsufficientData, kWritesNothing},
         {"one complete block", SetCell("data", 2, 2, kMissing), kInsufficientData, kWritesNothing}}});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkQTest),
        {{"data", Role::In, Columns({{1, 0}, {0, 1}})},
         {"results", Role::Out, Slots(3)}},
        {{"results two slots", Set("results", Slots(2)), kBadArray, kWritesNothing},
         {"one treatment", Set("data", Columns({{1, 0}})), kInsufficientData, kWritesNothing},
         {"one complete row", SetCell("data", 1, 1, kMissing), kInsufficientData, kWritesNothing},
         {"a response beyond 32 bits", SetCell("data", 1, 1, 3e9), kBadArray, kWritesNothing},
         {"a response beyond 32 bits in an incomplete row",
          Set("data", Columns({{1, 0, kMissing}, {0, 1, 3e9}})), kBadArray, kWritesNothing}}});
    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkAnova),
        {{"options", Role::In, Values({0, 3, 0, 0})},
         {"data", Role::In, Columns({{1, 2, 4, 4, 5, 6, 7, 9, 9, 8}})},
         {"factorCodes", Role::In, Columns({{0, 0, 0, 1, 1, 1, 2, 2, 2, 2}})},
         {"levelStats", Role::Out, Cells(2, 3)},
         {"results", Role::Out, Slots(25)}},
        Rows({{"options three slots", Set("options", Values({0, 3, 0})), kBadArray, kWritesNothing},
              {"results 24 slots", Set("results", Slots(24)), kBadArray, kWritesNothing},
              {"levelStats one row", Set("levelStats", Cells(1, 3)), kBadArray, kWritesNothing},
              {"levelStats two columns for 3 levels", Set("levelStats", Cells(2, 2)), kBadArray, kWritesNothing},
              {"levelStats four columns", Set("levelStats", Cells(2, 4)), kOk},
              {"factorCodes a row short", Set("factorCodes", Columns({{0, 0, 0, 1, 1, 1, 2, 2, 2}})), kBadArray,
               kWritesNothing},
              {"factorCodes a row more", Set("factorCodes", Columns({{0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 2}})), kOk},
              {"data without columns", Set("data", Cells(10, 0)), kBadArray, kWritesNothing},
              {"a second data column is not read",
               Set("data", Columns({{1, 2, 4, 4, 5, 6, 7, 9, 9, 8}, std::vector<double>(10, kNaN)})), kOk},
              {"column layout", [](Arguments& a) {
                   a["options"] = Values({1, 3, 0, 0});
                   a["data"] = Columns({{1, 2, 4, kMissing}, {4, 5, 6, kMissing}, {7, 9, 9, 8}});
                   a["factorCodes"] = NullDescriptor();
               }, kOk},
              {"column layout with 2 columns for 3 levels",
               [](Arguments& a) { a["options"] = Values({1, 3, 0, 0}); a["data"] = Cells(4, 2, 1); }, kBadArray,
               kWritesNothing},
              {"one level", Set("options", Values({0, 1, 0, 0})), kInsufficientData, kWritesNothing},
              {"level 3 empty", Set("factorCodes", Columns({{0, 0, 0, 1, 1, 1, 1, 1, 0, 0}})), kInsufficientData,
               kWritesNothing},
              {"level 3 only missing",
               [](Arguments& a) {
                   for (std::size_t i = 7; i <= 10; ++i) a["data"](i, 1) = kMissing;
               }, kInsufficientData, kWritesNothing},
              {"one value per level", [](Arguments& a) {
                   a["data"] = Columns({{1, 2, 3}});
                   a["factorCodes"] = Columns({{0, 1, 2}});
               }, kInsufficientData, kWritesNothing},
              {"more levels than observations",
               [](Arguments& a) { a["options"] = Values({0, 11, 0, 0}); a["levelStats"] = Cells(2, 11); },
               kInsufficientData, kWritesNothing},
              {"all values equal", Set("data", Cells(10, 1, 1e9)), kOk},
              {"two factors with interaction", TwoFactors(1, {1, 2, 4, 4, 5, 7, 9, 6}), kOk},
              {"two factors, additive", TwoFactors(0, {1, 2, 4, 4, 5, 7, 9, 6}), kOk},
              {"interaction exactly 0", TwoFactors(1, {1, 1, 2, 2, 3, 3, 4, 4}), SHEETSTAT_NONPOSITIVE_INTERACTION,
               kWritesNothing},
              {"two factors, one value per cell",
               [](Arguments& a) {
                   TwoFactors(1, {})(a);
                   a["data"] = Columns({{1, 2, 4, 3}});
                   a["factorCodes"] = Columns({{0, 0, 1, 1}, {0, 1, 0, 1}});
               }, kInsufficientData, kWritesNothing},
              {"two factors additive, one value per cell",
               [](Arguments& a) {
                   TwoFactors(0, {})(a);
                   a["data"] = Columns({{1, 2, 4, 3}});
                   a["factorCodes"] = Columns({{0, 0, 1, 1}, {0, 1, 0, 1}});
               }, kOk},
              {"two factors, factorCodes one column",
               [](Arguments& a) {
                   TwoFactors(1, {1, 2, 4, 4, 5, 7, 9, 6})(a);
                   a["factorCodes"] = Columns({{0, 0, 0, 0, 1, 1, 1, 1}});
               }, kBadArray, kWritesNothing},
              {"two factors, a cell empty",
               [](Arguments& a) {
                   TwoFactors(1, {1, 2, 4, 4, 5, 7, 9, 6})(a);
                   a["factorCodes"](3, 2) = a["factorCodes"](4, 2) = 0;
               }, kInsufficientData, kWritesNothing},
              {"two factors in the column layout",
               [](Arguments& a) { a["options"] = Values({1, 3, 2, 1}); a["data"] = Cells(4, 3, 1); }, kInsufficientData,
               kWritesNothing},
              {"slot 3 of 1.5: two factors, B of one level",
               [](Arguments& a) {
                   TwoFactors(1, {1, 2, 4, 4, 5, 7, 9, 6})(a);
                   a["options"](3, 1) = 1.5;
               }, kInsufficientData, kWritesNothing}},
             EachValue("code of A", "factorCodes", 4, 1, {3, -1, 1e300, -1e300}, kBadArray),
             CodesOfB({2, -1, 4294967296.0, kNaN}),
             EachValue("code -0.5 is level 0", "factorCodes", 1, 1, {-0.5}, kOk))});

    catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkPostHoc),
        {{"options", Role::In, Values({0, 0, 0, 1, 0, 0, 0, 0, 0.05, 6})},
         {"levelStats", Role::In, Columns({{3, 2}, {3, 5}, {3, 8}})},
         {"comparisons", Role::Out, Cells(3, 3)},
         {"subsets", Role::Out, Cells(4, 3)}},
        Rows({{"options nine slots", Set("options", Values({0, 0, 0, 1, 0, 0, 0, 0, 0.05})), kBadArray, kWritesNothing},
              {"levelStats one row", Set("levelStats", Cells(1, 3, 3)), kBadArray, kWritesNothing},
              {"no procedure", Procedure(0), kBadArray, kWritesNothing},
              {"a negative error sum of squares", SetCell("options", 10, 1, -1), kBadArray, kWritesNothing},
              {"error sum of squares 0", SetCell("options", 10, 1, 0), kOk},
              {"levelStats two columns", Set("levelStats", Columns({{3, 2}, {3, 5}})), kBadArray, kWritesNothing},
              {"comparisons 3 x 2", Set("comparisons", Cells(3, 2)), kBadArray, kWritesNothing},
              {"comparisons 2 x 3", Set("comparisons", Cells(2, 3)), kBadArray, kWritesNothing},
              {"subsets without rows", Set("subsets", Cells(0, 3)), kBadArray, kWritesNothing},
              {"subsets a row short", PostHocGroups(4, 5, 10, 4), kBadArray, kWritesNothing},
              {"one group", PostHocGroups(1, 5, 1, 2), kInsufficientData, kWritesNothing},
              {"a group count 0", SetCell("levelStats", 1, 2, 0.9), kInsufficientData, kWritesNothing},
              {"no error degrees of freedom", PostHocGroups(3, 1, 1, 4), kInsufficientData, kWritesNothing},
              {"Tukey with 21 groups", PostHocGroups(21, 2, 1, 22), kBadArray, kWritesNothing},
              {"Scheffe with 21 groups", [](Arguments& a) { Procedure(3)(a); PostHocGroups(21, 2, 1, 22)(a); }, kOk},
              {"Student-Newman-Keuls with 20 groups",
               [](Arguments& a) { Procedure(6)(a); PostHocGroups(20, 2, 1, 21)(a); }, kOk},
              {"the first flag wins", SetCell("options", 8, 1, 1), kOk}},
             EachValue("alpha", "options", 9, 1, {0, 1, -0.5, 2}, kBadArray),
             EveryProcedure())});
}

}  // namespace sheetstat::contract
