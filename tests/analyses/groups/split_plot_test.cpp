// nkSplitPlot: a worked example, incomplete rows, codes and groups without a complete
// subject, degenerate and exactly parallel designs, and random designs against the
// computational formulas in long double and under a large common offset.
#include <cmath>
#include <random>
#include <vector>

#include "analyses/groups/anova_table_reference.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.0;
using Columns = std::vector<std::vector<double>>;

RealHostArray RunSplitPlot(double groups, const Columns& columns, const std::vector<double>& codes)
{
    RealHostArray options = RealHostArray::FromValues({groups}), data = RealHostArray::FromColumns(columns),
                  codeArray = RealHostArray::FromValues(codes),
                  table = RealHostArray::FromColumns(Columns(6, std::vector<double>(5, kUntouched)));
    EXPECT_EQ(nkSplitPlot(options.ref(), data.ref(), codeArray.ref(), table.ref()), kOk);
    return table;
}

// Every column against the reference (B, subjects and A × B tested against the
// residual, A against subjects); rows 4 and 5 of columns 5 and 6 untouched.
void ExpectMatchesReference(RealHostArray& table, const Columns& columns, const std::vector<double>& codes)
{
    const ReferenceAnova r = ReferenceMixedDesign(columns, codes);
    const std::size_t testedAgainst[6] = {5, 5, 2, 5, 0, 0};
    for (std::size_t c = 1; c <= 6; ++c) ExpectColumnMatches(table, c, r, 1e-13, testedAgainst[c - 1]);
    for (const std::size_t c : {5u, 6u}) EXPECT_TRUE(table(4, c) == kUntouched && table(5, c) == kUntouched);
}

// Every written cell equal to `expected` within `tolerance` relative, after scaling the
// sums of squares and mean squares (rows 1 and 3) by `ssScale`.
void ExpectSameTable(RealHostArray& table, RealHostArray& expected, double ssScale = 1, double tolerance = 0)
{
    for (std::size_t c = 1; c <= 6; ++c) {
        for (std::size_t i = 1; i <= (c < 5 ? 5u : 3u); ++i) {
            const double x = expected(i, c) * (IsMissing(expected(i, c)) || i == 2 || i >= 4 ? 1 : ssScale);
            EXPECT_NEAR(table(i, c), x, tolerance * std::fabs(x)) << "row " << i << ", column " << c;
        }
    }
}

// Two groups of 2 and 3 subjects under 3 treatments: G = 72, CF = 72²/15, group totals
// 16 and 56, subject totals 6, 10, 18, 18, 20, treatment totals 15, 24, 33, cell
// totals 3, 5, 8 and 12, 19, 25, Σx² = 432. So SS_A = 2048/45, SS_subjects = 32/9,
// SS_B = 162/5, SS_AB = 97/45, SS_residual = 25/9, SS_total = 432/5; F_A = 38.4.
const Columns kExample = {{1, 2, 4, 3, 5}, {2, 3, 6, 6, 7}, {3, 5, 8, 9, 8}};
const std::vector<double> kExampleCodes = {0, 0, 1, 1, 1};

TEST(SplitPlot, WorkedExample)
{
    RealHostArray table = RunSplitPlot(2, kExample, kExampleCodes);
    const double ss[6] = {162.0 / 5, 32.0 / 9, 2048.0 / 45, 97.0 / 45, 25.0 / 9, 432.0 / 5};
    for (std::size_t c = 1; c <= 6; ++c) EXPECT_NEAR(table(1, c), ss[c - 1], 1e-13) << c;
    EXPECT_NEAR(table(4, 3), 38.4, 1e-12);
    ExpectMatchesReference(table, kExample, kExampleCodes);
}

// Rows with an empty cell or code leave every sum; codes truncate (1.9 is group 1,
// −0.5 group 0); data rows beyond the codes are not read; declared groups without a
// complete subject take no part, however many groups are declared.
TEST(SplitPlot, IncompleteRowsCodesAndGroupsWithoutSubjects)
{
    RealHostArray example = RunSplitPlot(2, kExample, kExampleCodes);
    Columns columns = kExample;
    for (auto& column : columns) column.insert(column.begin() + 1, {50, 60});
    columns[1][2] = kMissing;
    for (auto& column : columns) column.push_back(std::nan(""));
    RealHostArray gaps = RunSplitPlot(2.7, columns, {0, kMissing, 1, -0.5, 1.9, 1, 1});
    ExpectSameTable(gaps, example);
    for (auto& column : columns) column.back() = kMissing;
    for (const double declared : {4.0, 2e9}) {
        RealHostArray renumbered = RunSplitPlot(declared, columns, {3, kMissing, 0, 3, 2, 2, 2, 1});
        ExpectSameTable(renumbered, example);
    }
}

// Zero degrees of freedom, and residual or subjects sums of squares that are exactly 0
// (profiles parallel within each group; identical subjects), also at an offset where
// the means are not exact: MissingValue mean squares, F MissingValue, probability 0.
TEST(SplitPlot, DegenerateAndExactlyParallelDesigns)
{
    const struct {
        const char* what;
        Columns columns;
        std::vector<double> codes;
    } cases[] = {
        {"one subject per group", {{1, 4}, {2, 7}, {4, 9}}, {0, 1}},
        {"one treatment", {{1, 2, 4, 6, 7}}, {0, 0, 1, 1, 1}},
        {"one subject, one treatment", {{5}}, {0}},
        {"parallel profiles", {{1, 2, 5, 11, 12, 15}, {1.5, 2.5, 5.5, 11.5, 12.5, 15.5}, {4, 5, 8, 14, 15, 18}, {1.25, 2.25, 5.25, 11.25, 12.25, 15.25}}, {0, 0, 0, 1, 1, 1}},
        {"identical subjects", {{1, 1, 5, 5}, {2, 2, 7, 7}}, {0, 0, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RealHostArray table = RunSplitPlot(2, c.columns, c.codes);
        ExpectMatchesReference(table, c.columns, c.codes);
        Columns shifted = c.columns;
        for (auto& column : shifted) {
            for (double& x : column) x += 1e8 + 1.0 / 3;
        }
        RealHostArray atOffset = RunSplitPlot(2, shifted, c.codes);
        ExpectSameTable(atOffset, table, 1, 1e-9);
    }
}

// Random unbalanced designs (incomplete rows, a declared group that never occurs)
// against the computational formulas; the data mapped to 1e8 + (x − 4)/16, exact in
// doubles, give the same table to 1e-9 relative (sums of squares scaled by 1/256).
TEST(SplitPlot, RandomDesignsAtAnyOffset)
{
    std::mt19937 generator(2718);
    std::uniform_int_distribution<int> value(0, 12), treatments(1, 6), groupCount(1, 5), subjects(8, 30);
    std::bernoulli_distribution missing(0.05);
    for (int trial = 0; trial < 20; ++trial) {
        SCOPED_TRACE(::testing::Message() << "trial " << trial);
        const int a = groupCount(generator);
        std::uniform_int_distribution<int> code(0, a - 1);
        Columns columns(static_cast<std::size_t>(treatments(generator)));
        std::vector<double> codes(static_cast<std::size_t>(subjects(generator)));
        for (double& g : codes) g = code(generator);
        for (auto& column : columns) {
            for (std::size_t e = 0; e < codes.size(); ++e) column.push_back(missing(generator) ? kMissing : value(generator));
        }
        RealHostArray table = RunSplitPlot(a + 1, columns, codes);
        ExpectMatchesReference(table, columns, codes);
        for (auto& column : columns) {
            for (double& x : column) x = IsMissing(x) ? x : 1e8 + (x - 4) / 16;
        }
        RealHostArray shifted = RunSplitPlot(a + 1, columns, codes);
        ExpectSameTable(shifted, table, 1.0 / 256, 1e-9);
    }
}

}  // namespace
}  // namespace sheetstat::testing
