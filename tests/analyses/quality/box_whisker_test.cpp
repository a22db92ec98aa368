// nkBoxWhisker: the seven values of each box against a direct computation of the
// percentiles at position (m + 1)·p in whole-number arithmetic, on groups of 1, 3, 18,
// 19 and 40 values and an empty group; both data layouts give the same boxes, bit for
// bit.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct BoxCall {
    RealHostArray options, data, boxes;

    int32_t Run() { return nkBoxWhisker(options.ref(), data.ref(), boxes.ref()); }
};

// The percentile at 1-based position h = (m + 1)·P/100 of the sorted values, P whole
// percent, interpolated between x(⌊h⌋) and x(⌊h⌋ + 1); MissingValue when h < 1 for a
// level below the median or h > m for one above it. 100·h is a whole number.
double DirectPercentile(const std::vector<double>& sorted, long percent)
{
    const long m = static_cast<long>(sorted.size());
    const long hundredfoldPosition = (m + 1) * percent;
    const long whole = hundredfoldPosition / 100, hundredths = hundredfoldPosition % 100;
    if (percent <= 50 ? whole < 1 : hundredfoldPosition > 100 * m) return kMissing;
    const double below = sorted[static_cast<std::size_t>(whole - 1)];
    if (hundredths == 0) return below;
    return below + static_cast<double>(hundredths) / 100 * (sorted[static_cast<std::size_t>(whole)] - below);
}

// Rows 1 to 7: minimum, 5th percentile, quartile, median, quartile, 95th, maximum.
std::vector<double> DirectBox(std::vector<double> values)
{
    if (values.empty()) return std::vector<double>(7, kMissing);
    std::sort(values.begin(), values.end());
    std::vector<double> box{values.front()};
    for (long percent : {5, 25, 50, 75, 95}) box.push_back(DirectPercentile(values, percent));
    box.push_back(values.back());
    return box;
}

void ExpectBoxes(BoxCall& call, const std::vector<std::vector<double>>& groups)
{
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const std::vector<double> expected = DirectBox(groups[g]);
        const double spread = groups[g].empty() ? 0 : 100;
        for (std::size_t row = 1; row <= 7; ++row) {
            const double actual = call.boxes(row, g + 1);
            if (IsMissing(expected[row - 1])) {
                EXPECT_MISSING(actual) << " (group " << g + 1 << ", row " << row << ")";
            } else {
                EXPECT_NEAR(actual, expected[row - 1], 1e-13 * spread) << "group " << g + 1 << ", row " << row;
            }
        }
    }
}

TEST(BoxWhisker, PercentilesAgainstDirectPositionsInBothLayouts)
{
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> value(0, 100);
    std::vector<std::vector<double>> groups;
    for (std::size_t size : {1u, 3u, 18u, 19u, 40u, 0u}) {
        groups.emplace_back(size);
        for (double& v : groups.back()) v = std::round(value(random) * 8) / 8;  // some ties
    }
    const std::size_t G = groups.size(), rows = 40;

    // Mode 0: the groups' values interleaved, each group's in its own order, with empty
    // rows, rows with an empty code, and codes that truncate to the group (g + 0.9).
    std::vector<double> values, codes;
    for (std::size_t i = 0; i < rows; ++i) {
        for (std::size_t g = 0; g < G; ++g) {
            if (i >= groups[g].size()) continue;
            values.push_back(groups[g][i]);
            codes.push_back(static_cast<double>(g) + (i % 2 == 0 ? 0.0 : 0.9));
        }
        values.push_back(kMissing), codes.push_back(0);
        values.push_back(1e6), codes.push_back(kMissing);
    }
    BoxCall byCodes{RealHostArray::FromValues({0}), RealHostArray::FromColumns({values, codes}),
                    RealHostArray(7, G, 1)};
    ASSERT_EQ(byCodes.Run(), kOk);
    ExpectBoxes(byCodes, groups);

    // One column per group, padded with empty cells, with empty cells in between.
    std::vector<std::vector<double>> columns(G);
    for (std::size_t g = 0; g < G; ++g) {
        for (double v : groups[g]) columns[g].insert(columns[g].end(), {v, kMissing});
        columns[g].resize(2 * rows, kMissing);
    }
    BoxCall byColumns{RealHostArray::FromValues({2.5}), RealHostArray::FromColumns(columns, 0),
                      RealHostArray(8, G, 0)};
    ASSERT_EQ(byColumns.Run(), kOk);
    for (std::size_t g = 1; g <= G; ++g) {
        for (std::size_t row = 1; row <= 7; ++row) {
            EXPECT_EQ(std::bit_cast<uint64_t>(byColumns.boxes(row, g)), std::bit_cast<uint64_t>(byCodes.boxes(row, g)))
                << "group " << g << ", row " << row;
        }
        EXPECT_EQ(byColumns.boxes(8, g), 0);  // row 8 untouched
    }
}

}  // namespace
}  // namespace sheetstat::testing
