// nkRepMeasures: a worked example, the table layout, incomplete subjects, exactly
// additive and constant data, status paths, and the table against the computational
// formulas in long double and under a large common offset.
#include <cmath>
#include <random>
#include <vector>

#include "analyses/groups/anova_table_reference.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.0;

struct RepMeasuresRun {
    int32_t status;
    RealHostArray table;
};

// `columns` one treatment per column; the table is 5 × 6 filled with kUntouched.
RepMeasuresRun RunRepMeasures(const std::vector<std::vector<double>>& columns, std::size_t rows = 5,
                              std::size_t cols = 6)
{
    RealHostArray data = RealHostArray::FromColumns(columns);
    RealHostArray table = RealHostArray::FromColumns(std::vector<std::vector<double>>(cols, std::vector<double>(rows, kUntouched)));
    const int32_t status = nkRepMeasures(data.ref(), table.ref());
    return {status, table};
}

// The layout around the numbers: columns 3 and 4 MissingValue, rows 4 and 5 of the
// residual and the total untouched.
void ExpectLayout(RealHostArray& table)
{
    for (std::size_t i = 1; i <= 5; ++i) {
        EXPECT_MISSING(table(i, 3));
        EXPECT_MISSING(table(i, 4));
    }
    for (const std::size_t c : {5u, 6u}) {
        EXPECT_EQ(table(4, c), kUntouched);
        EXPECT_EQ(table(5, c), kUntouched);
    }
}

void ExpectMatchesReference(RealHostArray& table, const std::vector<std::vector<double>>& columns, double tolerance)
{
    const ReferenceAnova r = ReferenceMixedDesign(columns, std::vector<double>(columns[0].size(), 0));
    ExpectFTestMatches(table, 1, 5, r, tolerance);
    ExpectFTestMatches(table, 2, 5, r, tolerance);
    ExpectSourceMatches(table, 5, r, tolerance);
    ExpectSourceMatches(table, 6, r, tolerance);
    ExpectLayout(table);
}

// Four subjects under three treatments: treatment totals 12, 20, 28, subject totals
// 15, 15, 17, 13, Σx² = 344, so SS_T = 1328/4 − 300 = 32, SS_S = 908/3 − 300 = 8/3,
// SS_total = 44 and SS_E = 28/3 on 6 df.
const std::vector<std::vector<double>> kExample = {{3, 2, 4, 3}, {5, 6, 4, 5}, {7, 7, 9, 5}};

TEST(RepMeasures, WorkedExample)
{
    RepMeasuresRun run = RunRepMeasures(kExample);
    ASSERT_EQ(run.status, kOk);
    const double expected[3][5] = {{32, 2, 16, 16 / (28.0 / 18)}, {8.0 / 3, 3, 8.0 / 9, (8.0 / 9) / (28.0 / 18)},
                                   {28.0 / 3, 6, 28.0 / 18}};
    for (const std::size_t c : {1u, 2u, 5u}) {
        const double* column = expected[c == 5 ? 2 : c - 1];
        for (std::size_t i = 1; i <= (c == 5 ? 3u : 4u); ++i) EXPECT_NEAR(run.table(i, c), column[i - 1], 1e-13);
    }
    EXPECT_EQ(run.table(1, 6), 44);
    EXPECT_EQ(run.table(2, 6), 11);
    EXPECT_NEAR(run.table(3, 6), 4, 1e-15);
    EXPECT_NEAR(run.table(4, 1), 10.2857, 5e-5);
    ExpectMatchesReference(run.table, kExample, 1e-14);
}

TEST(RepMeasures, IncompleteSubjectsAreLeftOutOfEverySum)
{
    std::vector<std::vector<double>> withGaps = kExample;
    for (auto& column : withGaps) column.insert(column.begin() + 2, {100, 200});
    withGaps[0][2] = kMissing;  // a subject with a single empty cell
    withGaps[2][3] = kMissing;
    RepMeasuresRun gaps = RunRepMeasures(withGaps), example = RunRepMeasures(kExample);
    ASSERT_EQ(gaps.status, kOk);
    for (std::size_t c = 1; c <= 6; ++c) {
        for (std::size_t i = 1; i <= 5; ++i) EXPECT_EQ(gaps.table(i, c), example.table(i, c)) << i << "," << c;
    }
}

// Data that fit the additive model exactly have no residual: F is MissingValue and its
// probability 0 for both rows, also at an offset where the means are not exact; all
// equal data likewise, with every sum 0.
TEST(RepMeasures, ExactlyAdditiveAndConstantData)
{
    const std::vector<std::vector<double>> additive = {{1, 2, 5}, {1.5, 2.5, 5.5}, {4, 5, 8}, {1.25, 2.25, 5.25}};
    for (const double offset : {0.0, 1e8 + 1.0 / 3}) {
        std::vector<std::vector<double>> columns = additive;
        for (auto& column : columns) {
            for (double& x : column) x += offset;
        }
        RepMeasuresRun run = RunRepMeasures(columns);
        ASSERT_EQ(run.status, kOk) << offset;
        EXPECT_EQ(run.table(1, 5), 0) << offset;
        EXPECT_EQ(run.table(3, 5), 0);
        for (const std::size_t c : {1u, 2u}) {
            EXPECT_GT(run.table(1, c), 0);
            EXPECT_MISSING(run.table(4, c));
            EXPECT_EQ(run.table(5, c), 0);
        }
    }
    RepMeasuresRun constant = RunRepMeasures({{1e8 + 0.1, 1e8 + 0.1}, {1e8 + 0.1, 1e8 + 0.1}, {1e8 + 0.1, 1e8 + 0.1}});
    ASSERT_EQ(constant.status, kOk);
    for (const std::size_t c : {1u, 2u, 5u, 6u}) EXPECT_EQ(constant.table(1, c), 0) << c;
    for (const std::size_t c : {1u, 2u}) {
        EXPECT_MISSING(constant.table(4, c));
        EXPECT_EQ(constant.table(5, c), 0);
    }
    ExpectLayout(constant.table);
}

TEST(RepMeasures, StatusPaths)
{
    EXPECT_EQ(RunRepMeasures({{1, 2, 3}}).status, kInsufficientData);  // one treatment
    EXPECT_EQ(RunRepMeasures({{1, 2, kMissing}, {3, kMissing, 4}}).status, kInsufficientData);  // one complete subject
    EXPECT_EQ(RunRepMeasures({{1, 2, 3}, {4, 5, std::nan("")}}).status, kBadArray);
    EXPECT_EQ(RunRepMeasures({{1, 2, 3}, {4, 5, HUGE_VAL}}).status, kBadArray);
    RepMeasuresRun small = RunRepMeasures(kExample, 5, 5);
    EXPECT_EQ(small.status, kBadArray);
    EXPECT_EQ(RunRepMeasures(kExample, 4, 6).status, kBadArray);
    for (std::size_t c = 1; c <= 5; ++c) EXPECT_EQ(small.table(1, c), kUntouched);
}

// Random integer designs against the computational formulas, then the same data less
// 4 and plus 1e8 (exact in doubles): the table stays within 1e-9 relative.
TEST(RepMeasures, TableMatchesComputationalFormulasAtAnyOffset)
{
    std::mt19937 generator(4711);
    std::uniform_int_distribution<int> value(0, 12), size(2, 9);
    for (int trial = 0; trial < 20; ++trial) {
        const std::size_t k = static_cast<std::size_t>(size(generator)), n = static_cast<std::size_t>(size(generator)) + 1;
        std::vector<std::vector<double>> columns(k, std::vector<double>(n));
        for (auto& column : columns) {
            for (double& x : column) x = value(generator);
        }
        RepMeasuresRun run = RunRepMeasures(columns);
        ASSERT_EQ(run.status, kOk);
        ExpectMatchesReference(run.table, columns, 1e-13);

        for (auto& column : columns) {
            for (double& x : column) x = 1e8 + (x - 4) / 16;
        }
        RepMeasuresRun shifted = RunRepMeasures(columns);
        ASSERT_EQ(shifted.status, kOk);
        for (const std::size_t c : {1u, 2u, 5u, 6u}) {
            for (std::size_t i = 1; i <= (c < 5 ? 5u : 3u); ++i) {
                const double scale = i == 2 || i >= 4 ? 1 : 1.0 / 256;  // SS and MS scale by (1/16)²
                EXPECT_NEAR(shifted.table(i, c), run.table(i, c) * scale, 1e-9 * std::fabs(run.table(i, c) * scale))
                    << "row " << i << ", column " << c;
            }
        }
    }
}

}  // namespace
}  // namespace sheetstat::testing
