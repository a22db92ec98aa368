// nkRepMeasures: a worked example with its layout and incomplete subjects, exactly
// additive and constant data, and random designs against the computational formulas
// and the split plot of one group (whose tests cover large offsets).
#include <random>
#include <vector>

#include "analyses/groups/anova_table_reference.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.0;

RealHostArray RunRepMeasures(const std::vector<std::vector<double>>& columns)
{
    RealHostArray data = RealHostArray::FromColumns(columns),
                  table = RealHostArray::FromColumns(std::vector<std::vector<double>>(6, std::vector<double>(5, kUntouched)));
    EXPECT_EQ(nkRepMeasures(data.ref(), table.ref()), kOk);
    return table;
}

void ExpectMatchesReference(RealHostArray& table, const std::vector<std::vector<double>>& columns)
{
    const ReferenceAnova r = ReferenceMixedDesign(columns, std::vector<double>(columns[0].size(), 0));
    for (const std::size_t c : {1u, 2u, 5u, 6u}) ExpectColumnMatches(table, c, r, 1e-13, c < 5 ? 5 : 0);
    for (std::size_t i = 1; i <= 5; ++i) EXPECT_TRUE(IsMissing(table(i, 3)) && IsMissing(table(i, 4))) << i;
    for (const std::size_t c : {5u, 6u}) EXPECT_TRUE(table(4, c) == kUntouched && table(5, c) == kUntouched);
}

// Four subjects under three treatments: treatment totals 12, 20, 28, subject totals
// 15, 15, 17, 13, Σx² = 344, so SS_T = 1328/4 − 300 = 32, SS_S = 908/3 − 300 = 8/3,
// SS_total = 44, SS_E = 28/3 on 6 df and F_T = 16/(28/18) = 10.2857. Subjects with an
// empty cell leave every sum.
TEST(RepMeasures, WorkedExampleAndIncompleteSubjects)
{
    const std::vector<std::vector<double>> example = {{3, 2, 4, 3}, {5, 6, 4, 5}, {7, 7, 9, 5}};
    std::vector<std::vector<double>> withGaps = example;
    for (auto& column : withGaps) column.insert(column.begin() + 2, {100, 200});
    withGaps[0][2] = withGaps[2][3] = kMissing;
    for (const auto& columns : {example, withGaps}) {
        RealHostArray table = RunRepMeasures(columns);
        EXPECT_NEAR(table(1, 2), 8.0 / 3, 1e-14);
        EXPECT_NEAR(table(4, 1), 16 / (28.0 / 18), 1e-13);
        ExpectMatchesReference(table, example);
    }
}

// Exactly additive data have no residual: F MissingValue and probability 0 for both
// rows, also at an offset where the means are not exact. All equal data: every sum 0.
TEST(RepMeasures, ExactlyAdditiveAndConstantData)
{
    for (const double offset : {0.0, 1e8 + 1.0 / 3}) {
        std::vector<std::vector<double>> columns = {{1, 2, 5}, {1.5, 2.5, 5.5}, {4, 5, 8}, {1.25, 2.25, 5.25}};
        for (auto& column : columns) {
            for (double& x : column) x += offset;
        }
        RealHostArray table = RunRepMeasures(columns);
        EXPECT_TRUE(table(1, 5) == 0 && table(3, 5) == 0) << offset;
        for (const std::size_t c : {1u, 2u}) EXPECT_TRUE(table(1, c) > 0 && IsMissing(table(4, c)) && table(5, c) == 0);
    }
    RealHostArray constant = RunRepMeasures({{1e8 + 0.1, 1e8 + 0.1}, {1e8 + 0.1, 1e8 + 0.1}});
    for (const std::size_t c : {1u, 2u, 5u, 6u}) EXPECT_EQ(constant(1, c), 0) << c;
    for (const std::size_t c : {1u, 2u}) EXPECT_TRUE(IsMissing(constant(4, c)) && constant(5, c) == 0);
}

TEST(RepMeasures, MatchesComputationalFormulasAndSplitPlotOfOneGroup)
{
    std::mt19937 generator(4711);
    std::uniform_int_distribution<int> value(0, 12), size(2, 9);
    for (int trial = 0; trial < 15; ++trial) {
        std::vector<std::vector<double>> columns(static_cast<std::size_t>(size(generator)));
        const auto n = static_cast<std::size_t>(size(generator)) + 1;
        for (auto& column : columns) {
            for (std::size_t i = 0; i < n; ++i) column.push_back(value(generator));
        }
        RealHostArray table = RunRepMeasures(columns);
        ExpectMatchesReference(table, columns);
        RealHostArray options = RealHostArray::FromValues({1}), data = RealHostArray::FromColumns(columns),
                      codes = RealHostArray::FromValues(std::vector<double>(n, 0)), splitPlot(5, 6, 1);
        ASSERT_EQ(nkSplitPlot(options.ref(), data.ref(), codes.ref(), splitPlot.ref()), kOk);
        for (const std::size_t c : {1u, 2u, 5u, 6u}) {
            for (std::size_t i = 1; i <= (c < 5 ? 5u : 3u); ++i) EXPECT_EQ(table(i, c), splitPlot(i, c)) << i << "," << c;
        }
    }
}

}  // namespace
}  // namespace sheetstat::testing
