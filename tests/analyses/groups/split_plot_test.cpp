// nkSplitPlot: a worked example, incomplete subjects, groups without a complete
// subject, degenerate designs, status paths, and the table against the computational
// formulas in long double and under a large common offset.
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "analyses/groups/anova_table_reference.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.0;

struct SplitPlotRun {
    int32_t status;
    RealHostArray table;
};

SplitPlotRun RunSplitPlot(double groups, const std::vector<std::vector<double>>& columns,
                          const std::vector<double>& codes, std::size_t tableRows = 5, std::size_t tableCols = 6)
{
    RealHostArray options = RealHostArray::FromValues({groups});
    RealHostArray data = RealHostArray::FromColumns(columns);
    RealHostArray codeArray = RealHostArray::FromValues(codes);
    RealHostArray table = RealHostArray::FromColumns(
        std::vector<std::vector<double>>(tableCols, std::vector<double>(tableRows, kUntouched)));
    const int32_t status = nkSplitPlot(options.ref(), data.ref(), codeArray.ref(), table.ref());
    return {status, table};
}

// Rows 1 to 3 of every column; F and p of columns 1, 2, 4 (against the residual, 5)
// and 3 (against subjects, 2) where both have degrees of freedom.
void ExpectMatchesReference(RealHostArray& table, const std::vector<std::vector<double>>& columns,
                            const std::vector<double>& codes, double tolerance)
{
    const ReferenceAnova r = ReferenceMixedDesign(columns, codes);
    for (std::size_t c = 1; c <= 6; ++c) ExpectSourceMatches(table, c, r, tolerance);
    for (const auto& [c, error] : {std::pair{1u, 5u}, std::pair{2u, 5u}, std::pair{3u, 2u}, std::pair{4u, 5u}}) {
        if (r.df[c - 1] > 0 && r.df[error - 1] > 0) ExpectFTestMatches(table, c, error, r, tolerance);
    }
    for (const std::size_t c : {5u, 6u}) {
        EXPECT_EQ(table(4, c), kUntouched);
        EXPECT_EQ(table(5, c), kUntouched);
    }
}

void ExpectSameTable(RealHostArray& table, RealHostArray& expected)
{
    for (std::size_t c = 1; c <= 6; ++c) {
        for (std::size_t i = 1; i <= 5; ++i) {
            EXPECT_EQ(std::bit_cast<uint64_t>(table(i, c)), std::bit_cast<uint64_t>(expected(i, c)))
                << "row " << i << ", column " << c << ": " << table(i, c) << " vs " << expected(i, c);
        }
    }
}

// Two groups of 2 and 3 subjects under 3 treatments: G = 72, CF = 72²/15, group totals
// 16 and 56, subject totals 6, 10, 18, 18, 20, treatment totals 15, 24, 33, cell
// totals 3, 5, 8 and 12, 19, 25, Σx² = 432. So SS_A = 2048/45, SS_subjects = 32/9,
// SS_B = 162/5, SS_AB = 97/45, SS_residual = 25/9, SS_total = 432/5.
const std::vector<std::vector<double>> kExample = {{1, 2, 4, 3, 5}, {2, 3, 6, 6, 7}, {3, 5, 8, 9, 8}};
const std::vector<double> kExampleCodes = {0, 0, 1, 1, 1};

TEST(SplitPlot, WorkedExample)
{
    SplitPlotRun run = RunSplitPlot(2, kExample, kExampleCodes);
    ASSERT_EQ(run.status, kOk);
    const double ss[6] = {162.0 / 5, 32.0 / 9, 2048.0 / 45, 97.0 / 45, 25.0 / 9, 432.0 / 5};
    const double df[6] = {2, 3, 1, 2, 6, 14};
    for (std::size_t c = 1; c <= 6; ++c) {
        EXPECT_NEAR(run.table(1, c), ss[c - 1], 1e-13) << c;
        EXPECT_EQ(run.table(2, c), df[c - 1]) << c;
    }
    EXPECT_NEAR(run.table(4, 3), (2048.0 / 45) / (32.0 / 27), 1e-12);  // A against subjects: 38.4
    EXPECT_NEAR(run.table(4, 1), (162.0 / 10) / (25.0 / 54), 1e-12);   // B against the residual: 34.992
    ExpectMatchesReference(run.table, kExample, kExampleCodes, 1e-14);
}

// Rows with an empty cell or code leave every sum; codes are truncated (1.9 is group 1,
// −0.5 group 0); data rows beyond the codes are not read.
TEST(SplitPlot, IncompleteSubjectsAndCodes)
{
    std::vector<std::vector<double>> columns = kExample;
    for (auto& column : columns) column.insert(column.begin() + 1, {50, 60});
    columns[1][2] = kMissing;
    for (auto& column : columns) column.push_back(std::nan(""));
    SplitPlotRun gaps = RunSplitPlot(2.7, columns, {0, kMissing, 1, -0.5, 1.9, 1, 1});
    SplitPlotRun example = RunSplitPlot(2, kExample, kExampleCodes);
    ASSERT_EQ(gaps.status, kOk);
    ExpectSameTable(gaps.table, example.table);
}

// A declared group without a complete subject takes no part: the table is that of the
// groups present, whatever their codes and however many groups are declared.
TEST(SplitPlot, GroupsWithoutCompleteSubjects)
{
    SplitPlotRun example = RunSplitPlot(2, kExample, kExampleCodes);
    std::vector<std::vector<double>> columns = kExample;
    for (auto& column : columns) column.push_back(kMissing);  // a subject of group 1, incomplete
    for (const double declared : {4.0, 100.0, 2e9}) {
        SplitPlotRun run = RunSplitPlot(declared, columns, {3, 3, 2, 2, 2, 1});
        ASSERT_EQ(run.status, kOk) << declared;
        ExpectSameTable(run.table, example.table);
    }
}

TEST(SplitPlot, DegenerateDesigns)
{
    // One subject per group: no subjects-within-groups or residual df; A untestable.
    SplitPlotRun one = RunSplitPlot(2, {{1, 4}, {2, 7}, {4, 9}}, {0, 1});
    ASSERT_EQ(one.status, kOk);
    for (const std::size_t c : {2u, 5u}) {
        EXPECT_EQ(one.table(2, c), 0);
        EXPECT_MISSING(one.table(3, c));
    }
    for (const std::size_t c : {1u, 2u, 3u, 4u}) {
        EXPECT_MISSING(one.table(4, c));
        EXPECT_EQ(one.table(5, c), 0);
    }
    ExpectMatchesReference(one.table, {{1, 4}, {2, 7}, {4, 9}}, {0, 1}, 1e-14);

    // A single treatment: B, A × B and the residual have no df and no sum of squares.
    SplitPlotRun single = RunSplitPlot(2, {{1, 2, 4, 6, 7}}, {0, 0, 1, 1, 1});
    ASSERT_EQ(single.status, kOk);
    for (const std::size_t c : {1u, 4u, 5u}) {
        EXPECT_EQ(single.table(1, c), 0);
        EXPECT_EQ(single.table(2, c), 0);
        EXPECT_MISSING(single.table(3, c));
    }
    // Group means 3/2 and 17/3, grand mean 4: SS_A = 125/6 on 1 df, SS_subjects = 31/6 on 3.
    EXPECT_NEAR(single.table(4, 3), (125.0 / 6) / (31.0 / 18), 1e-12);

    // One subject and one treatment: the total has no df either.
    SplitPlotRun lone = RunSplitPlot(1, {{5}}, {0});
    ASSERT_EQ(lone.status, kOk);
    EXPECT_EQ(lone.table(2, 6), 0);
    EXPECT_MISSING(lone.table(3, 6));

    // Parallel profiles within each group give a residual of exactly 0, also at an
    // offset where the means are not exact: B, subjects and A × B have F MissingValue
    // and probability 0. Identical subjects within each group leave A untestable too.
    for (const double offset : {0.0, 1e8 + 1.0 / 3}) {
        const auto shifted = [offset](std::vector<double> column) {
            for (double& x : column) x += offset;
            return column;
        };
        SplitPlotRun parallel = RunSplitPlot(2, {shifted({1, 2, 5, 5, 6}), shifted({2, 3, 7, 7, 8})}, {0, 0, 1, 1, 1});
        ASSERT_EQ(parallel.status, kOk);
        EXPECT_EQ(parallel.table(1, 5), 0) << offset;
        for (const std::size_t c : {1u, 2u, 4u}) {
            EXPECT_MISSING(parallel.table(4, c));
            EXPECT_EQ(parallel.table(5, c), 0);
        }
        EXPECT_GT(parallel.table(4, 3), 0);
        SplitPlotRun identical = RunSplitPlot(2, {shifted({1, 1, 5, 5}), shifted({2, 2, 7, 7})}, {0, 0, 1, 1});
        ASSERT_EQ(identical.status, kOk);
        EXPECT_EQ(identical.table(1, 2), 0) << offset;
        EXPECT_EQ(identical.table(1, 5), 0);
        EXPECT_GT(identical.table(1, 3), 0);
        for (const std::size_t c : {1u, 2u, 3u, 4u}) {
            EXPECT_MISSING(identical.table(4, c));
            EXPECT_EQ(identical.table(5, c), 0);
        }
    }
}

TEST(SplitPlot, StatusPaths)
{
    const auto statusOf = [](double groups, const std::vector<double>& codes) {
        return RunSplitPlot(groups, kExample, codes).status;
    };
    for (const double code : {-1.0, 2.0, std::nan(""), 1e300, HUGE_VAL}) {
        EXPECT_EQ(statusOf(2, {0, 0, 1, 1, code}), kBadArray) << code;
    }
    EXPECT_EQ(statusOf(2, {0, 0, 1, 1, 1, 0}), kBadArray);  // more codes than data rows
    EXPECT_EQ(statusOf(0.9, kExampleCodes), kBadArray);      // a < 1
    EXPECT_EQ(statusOf(std::nan(""), kExampleCodes), kBadArray);
    EXPECT_EQ(statusOf(2, {kMissing, 0, kMissing, 1, kMissing}), kOk);
    EXPECT_EQ(statusOf(2, std::vector<double>(5, kMissing)), kInsufficientData);
    EXPECT_EQ(statusOf(2, {}), kInsufficientData);
    EXPECT_EQ(RunSplitPlot(2, {{1, 2}, {3, std::nan("")}}, {0, 1}).status, kBadArray);
    EXPECT_EQ(RunSplitPlot(2, kExample, kExampleCodes, 4, 6).status, kBadArray);
    EXPECT_EQ(RunSplitPlot(2, kExample, kExampleCodes, 5, 5).status, kBadArray);
}

// Random unbalanced designs (some groups empty, some rows incomplete) against the
// computational formulas, then the same data mapped to 1e8 + (x − 4)/16, exact in
// doubles: the table stays within 1e-9 relative.
TEST(SplitPlot, TableMatchesComputationalFormulasAtAnyOffset)
{
    std::mt19937 generator(2718);
    std::uniform_int_distribution<int> value(0, 12), treatments(1, 6), groupCount(1, 5), subjects(8, 30);
    std::bernoulli_distribution missing(0.05);
    for (int trial = 0; trial < 20; ++trial) {
        const auto b = static_cast<std::size_t>(treatments(generator)), s = static_cast<std::size_t>(subjects(generator));
        const int a = groupCount(generator);
        std::uniform_int_distribution<int> code(0, a - 1);
        std::vector<std::vector<double>> columns(b, std::vector<double>(s));
        std::vector<double> codes(s);
        for (std::size_t e = 0; e < s; ++e) {
            codes[e] = code(generator);
            for (auto& column : columns) column[e] = missing(generator) ? kMissing : value(generator);
        }
        SplitPlotRun run = RunSplitPlot(a + 1, columns, codes);  // group a never occurs
        ASSERT_EQ(run.status, kOk);
        SCOPED_TRACE(::testing::Message() << "trial " << trial);
        ExpectMatchesReference(run.table, columns, codes, 1e-13);

        for (auto& column : columns) {
            for (double& x : column) x = IsMissing(x) ? x : 1e8 + (x - 4) / 16;
        }
        SplitPlotRun shifted = RunSplitPlot(a + 1, columns, codes);
        ASSERT_EQ(shifted.status, kOk);
        for (std::size_t c = 1; c <= 6; ++c) {
            for (std::size_t i = 1; i <= (c < 5 ? 5u : 3u); ++i) {
                const double x = run.table(i, c);
                if (IsMissing(x)) {
                    EXPECT_MISSING(shifted.table(i, c));
                    continue;
                }
                const double scale = i == 2 || i >= 4 ? 1 : 1.0 / 256;  // SS and MS scale by (1/16)²
                EXPECT_NEAR(shifted.table(i, c), x * scale, 1e-9 * std::fabs(x * scale)) << "row " << i << ", column " << c;
            }
        }
    }
}

}  // namespace
}  // namespace sheetstat::testing
