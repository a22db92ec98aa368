// nkScatterPlot: the worked example, compaction in input order, and grouping by code
// (each group's points intact, groups ascending).
#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct ScatterCall {
    RealHostArray data, counts;

    int32_t Run() { return nkScatterPlot(data.ref(), counts.ref()); }
};

ScatterCall Scatter(const std::vector<std::vector<double>>& columns, std::size_t groups)
{
    return {RealHostArray::FromColumns(columns), RealHostArray::FromValues(std::vector<double>(groups, -1))};
}

TEST(ScatterPlot, WorkedExample)
{
    // Row 2 has no x; a missing code would drop a row the same way.
    ScatterCall call = Scatter({{1, kMissing, 3, 8}, {2, 5, 4, 9}, {1, 0, 0, kMissing}}, 2);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.counts.Slots(), (std::vector<double>{1, 1}));
    EXPECT_EQ(call.data.Column(1)[0], 3);
    EXPECT_EQ(call.data.Column(2)[0], 4);
    EXPECT_EQ(call.data.Column(3)[0], 0);
    EXPECT_EQ(call.data.Column(1)[1], 1);
    EXPECT_EQ(call.data.Column(2)[1], 2);
    EXPECT_EQ(call.data.Column(3)[1], 1);
    EXPECT_EQ(call.data.Column(1)[2], 3);  // rows 3 and 4 as they were
    EXPECT_EQ(call.data.Column(1)[3], 8);
}

// Two columns: the complete rows move up in input order, every point counts in slot 1,
// further slots are cleared, the rows below keep their contents.
TEST(ScatterPlot, CompactionKeepsInputOrder)
{
    const std::vector<double> x{kMissing, 1, 2, kMissing, 3, 4, 5};
    const std::vector<double> y{9, 10, kMissing, 8, 30, 40, 50};
    ScatterCall call = Scatter({x, y}, 3);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.counts.Slots(), (std::vector<double>{4, 0, 0}));
    EXPECT_EQ(call.data.Column(1), (std::vector<double>{1, 3, 4, 5, 3, 4, 5}));
    EXPECT_EQ(call.data.Column(2), (std::vector<double>{10, 30, 40, 50, 30, 40, 50}));
}

// Three columns, many rows: the kept rows are grouped, groups ascending by their
// truncated codes (codes as stored, 1.7 is group 1), each group holding exactly its
// points; the counts match; the rows below keep their contents.
TEST(ScatterPlot, GroupingKeepsEachGroupsPoints)
{
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> coordinate(-10, 10);
    std::uniform_int_distribution<int> group(0, 3);
    std::vector<double> x(500), y(500), code(500);
    std::multimap<int, std::pair<double, double>> expected;
    for (std::size_t r = 0; r < x.size(); ++r) {
        x[r] = coordinate(random);
        y[r] = coordinate(random);
        const int g = group(random);
        code[r] = g + (r % 3 == 0 ? 0.7 : 0.0) - (g == 0 && r % 5 == 0 ? 0.5 : 0.0);
        if (r % 7 == 0) (r % 2 == 0 ? x : (r % 3 == 0 ? y : code))[r] = kMissing;
        if (!IsMissing(x[r]) && !IsMissing(y[r]) && !IsMissing(code[r])) expected.insert({g, {x[r], y[r]}});
    }
    ScatterCall call = Scatter({x, y, code}, 5);
    ASSERT_EQ(call.Run(), kOk);
    const std::size_t kept = expected.size();
    for (int g = 0; g < 5; ++g) EXPECT_EQ(call.counts[static_cast<std::size_t>(g) + 1], expected.count(g));
    const std::vector<double> X = call.data.Column(1), Y = call.data.Column(2), C = call.data.Column(3);
    std::multimap<int, std::pair<double, double>> plotted;
    for (std::size_t r = 0; r < kept; ++r) {
        plotted.insert({static_cast<int>(C[r]), {X[r], Y[r]}});
        if (r > 0) {
            EXPECT_LE(C[r - 1], C[r]) << "row " << r + 1;
        }
    }
    for (int g = 0; g < 4; ++g) {
        std::vector<std::pair<double, double>> want, got;
        for (auto [it, end] = expected.equal_range(g); it != end; ++it) want.push_back(it->second);
        for (auto [it, end] = plotted.equal_range(g); it != end; ++it) got.push_back(it->second);
        std::sort(want.begin(), want.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, want) << "group " << g;
    }
    for (std::size_t r = kept; r < x.size(); ++r) {
        EXPECT_TRUE(std::tie(X[r], Y[r], C[r]) == std::tie(x[r], y[r], code[r])) << "row " << r + 1;
    }
}

}  // namespace
}  // namespace sheetstat::testing
