// Table of means: worked examples, one- and two-way tables, the column mode, empty
// cells and codes, and a large common offset.
#include <cmath>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat {
namespace {

using testing::kMissing;
using testing::kOk;

// The six arguments of nkMeans, with tables of K + 1 rows and J columns.
struct MeansCall {
    RealHostArray options;
    RealHostArray data;
    RealHostArray counts, means, sds;
    RealHostArray results;

    MeansCall(double mode, const std::vector<std::vector<double>>& columns, std::size_t tableRows,
              std::size_t tableCols)
        : options(RealHostArray::FromValues({mode})), data(RealHostArray::FromColumns(columns)),
          counts(tableRows, tableCols, 1), means(tableRows, tableCols, 1), sds(tableRows, tableCols, 1), results(3)
    {
    }

    int32_t Run()
    {
        return nkMeans(options.ref(), data.ref(), counts.ref(), means.ref(), sds.ref(), results.ref());
    }
};

// Reference count, mean and standard deviation of a list of values.
struct Reference {
    double count, mean, sd;
};
Reference Describe(const std::vector<double>& values)
{
    const testing::ReferenceMoments m = testing::ReferenceMeanVariance(values);
    return {static_cast<double>(m.count), static_cast<double>(m.mean),
            values.size() < 2 ? kMissing : static_cast<double>(m.sd())};
}

TEST(Means, OneWayWorkedExample)
{
    MeansCall call(0, {{10, 12, 20}, {0, 0, 1}}, 3, 1);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.counts.Column(1), (std::vector<double>{2, 1, 3}));
    EXPECT_EQ(call.means.Column(1), (std::vector<double>{11, 20, 14}));
    EXPECT_DOUBLE_EQ(call.sds(1, 1), std::sqrt(2.0));
    EXPECT_MISSING(call.sds(2, 1));
    EXPECT_DOUBLE_EQ(call.sds(3, 1), std::sqrt(28.0));
    EXPECT_EQ(call.results[1], 3);
    EXPECT_DOUBLE_EQ(call.results[2], 14);
    EXPECT_DOUBLE_EQ(call.results[3], std::sqrt(28.0));
}

TEST(Means, TwoWayTableAgainstDirectGrouping)
{
    const std::vector<double> x = {3.5, 4.25, 1.0, 8.0, 2.5, 6.0, 7.75, 5.5, 9.0, 0.5, 4.0, 3.0};
    const std::vector<double> rowCode = {0, 1, 2, 0, 1, 2, 0, 1, 2.9, 0, 1, 2};
    const std::vector<double> colCode = {0, 0, 0, 1, 1, 1, 0, 1, 1, 0, 0, 1.5};
    MeansCall call(0, {x, rowCode, colCode}, 4, 2);
    ASSERT_EQ(call.Run(), kOk);

    std::map<std::pair<int, int>, std::vector<double>> cells;
    std::vector<double> all;
    for (std::size_t k = 0; k < x.size(); ++k) {
        const int r = static_cast<int>(rowCode[k]), c = static_cast<int>(colCode[k]);
        cells[{r, c}].push_back(x[k]);
        cells[{3, c}].push_back(x[k]);  // column totals
        all.push_back(x[k]);
    }
    for (const auto& [cell, values] : cells) {
        const std::size_t i = static_cast<std::size_t>(cell.first) + 1, j = static_cast<std::size_t>(cell.second) + 1;
        const Reference expected = Describe(values);
        EXPECT_EQ(call.counts(i, j), expected.count) << i << "," << j;
        EXPECT_NEAR(call.means(i, j), expected.mean, 1e-13) << i << "," << j;
        if (values.size() < 2) {
            EXPECT_MISSING(call.sds(i, j));
        } else {
            EXPECT_NEAR(call.sds(i, j), expected.sd, 1e-13) << i << "," << j;
        }
    }
    const Reference grand = Describe(all);
    EXPECT_EQ(call.results[1], grand.count);
    EXPECT_NEAR(call.results[2], grand.mean, 1e-13);
    EXPECT_NEAR(call.results[3], grand.sd, 1e-13);
}

TEST(Means, ColumnModeFillsOneRowPerColumn)
{
    MeansCall call(1, {{1, 2, 3, kMissing}, {4, kMissing, 6, 8}, {kMissing, kMissing, kMissing, 10}}, 4, 1);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.counts.Column(1), (std::vector<double>{3, 3, 1, 7}));
    EXPECT_DOUBLE_EQ(call.means(1, 1), 2);
    EXPECT_DOUBLE_EQ(call.means(2, 1), 6);
    EXPECT_DOUBLE_EQ(call.means(3, 1), 10);
    EXPECT_DOUBLE_EQ(call.sds(1, 1), 1);
    EXPECT_DOUBLE_EQ(call.sds(2, 1), 2);
    EXPECT_MISSING(call.sds(3, 1));
    const Reference all = Describe({1, 2, 3, 4, 6, 8, 10});
    EXPECT_DOUBLE_EQ(call.means(4, 1), all.mean);
    EXPECT_NEAR(call.sds(4, 1), all.sd, 1e-14);
    EXPECT_NEAR(call.results[3], all.sd, 1e-14);
}

TEST(Means, EmptyCellsAndCodesAreSkippedWholeRowsAtATime)
{
    // Row 2 has an empty measurement, row 3 an empty row code, row 4 an empty column
    // code; only rows 1 and 5 count.
    MeansCall call(0, {{5, kMissing, 200, 300, 7}, {0, 0, kMissing, 1, 0}, {0, 0, 0, kMissing, 0}}, 3, 2);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.counts(1, 1), 2);
    EXPECT_EQ(call.counts(2, 1), 0);
    EXPECT_EQ(call.counts(1, 2), 0);
    EXPECT_DOUBLE_EQ(call.means(1, 1), 6);
    EXPECT_MISSING(call.means(2, 1));
    EXPECT_MISSING(call.sds(2, 1));
    EXPECT_MISSING(call.means(3, 2));  // an empty column total
    EXPECT_EQ(call.results[1], 2);

    // A one-way table does not read the column-code column at all.
    MeansCall oneWay(0, {{5, 7}, {1, 1}, {kMissing, 99}}, 3, 1);
    ASSERT_EQ(oneWay.Run(), kOk);
    EXPECT_EQ(oneWay.counts(2, 1), 2);
}

TEST(Means, SmallGroupsAndNoData)
{
    MeansCall equal(0, {{4, 4, 4, 9}, {0, 0, 0, 1}}, 3, 1);
    ASSERT_EQ(equal.Run(), kOk);
    EXPECT_EQ(equal.sds(1, 1), 0);
    EXPECT_DOUBLE_EQ(equal.means(2, 1), 9);
    EXPECT_MISSING(equal.sds(2, 1));

    MeansCall nothing(0, {{kMissing}, {0}}, 2, 1);
    ASSERT_EQ(nothing.Run(), kOk);
    EXPECT_EQ(nothing.results[1], 0);
    EXPECT_MISSING(nothing.results[2]);
    EXPECT_MISSING(nothing.results[3]);

    MeansCall single(0, {{3.5}, {0}}, 2, 1);
    ASSERT_EQ(single.Run(), kOk);
    EXPECT_EQ(single.results[2], 3.5);
    EXPECT_MISSING(single.results[3]);
}

// Groups (1e8, 1e8 + 0.3) and (1e8 + 10, 1e8 + 30): every standard deviation within
// a few ulps of the long double one of the doubles as stored, where Σx² − n·mean²
// would lose them and a running mean once left them 2.5e-8 relative off.
TEST(Means, StandardDeviationsAreExactAtALargeOffset)
{
    const std::vector<double> x = {1e8, 1e8 + 0.3, 1e8 + 10, 1e8 + 30};
    MeansCall call(0, {x, {0, 0, 1, 1}}, 3, 1);
    ASSERT_EQ(call.Run(), kOk);
    const std::vector<std::vector<double>> cells = {{x[0], x[1]}, {x[2], x[3]}, x};
    for (std::size_t i = 1; i <= 3; ++i) {
        const testing::ReferenceMoments m = testing::ReferenceMeanVariance(cells[i - 1], 1e8);
        const double sd = static_cast<double>(m.sd()), ulp = std::numeric_limits<double>::epsilon() * sd;
        EXPECT_NEAR(call.sds(i, 1), sd, 4 * ulp) << "row " << i;
        EXPECT_EQ(call.means(i, 1), static_cast<double>(1e8L + m.mean)) << "row " << i;
    }
    EXPECT_EQ(call.results[3], call.sds(3, 1));
    EXPECT_EQ(call.results[2], call.means(3, 1));
}

}  // namespace
}  // namespace sheetstat
