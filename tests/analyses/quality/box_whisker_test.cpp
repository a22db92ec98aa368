// nkBoxWhisker: the seven values of each box, on groups of 1, 3, 18, 19 and 40 values
// and an empty group, in both data layouts, bit for bit.
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

// Each group's box against nkDescriptives of the group's values (whose percentiles
// its own test checks against the positions (m + 1)·p): rows 1 to 7 are its slots 6
// (minimum), 11, 13, 14, 15, 17 (the 5th, 25th, 50th, 75th and 95th percentiles) and
// 7 (maximum), bit for bit.
void ExpectBoxes(BoxCall& call, const std::vector<std::vector<double>>& groups)
{
    constexpr std::size_t kSlotOfRow[7] = {6, 11, 13, 14, 15, 17, 7};
    for (std::size_t g = 0; g < groups.size(); ++g) {
        RealHostArray values = RealHostArray::FromValues(groups[g]), summary(24);
        ASSERT_EQ(nkDescriptives(values.ref(), summary.ref()), kOk);
        for (std::size_t row = 1; row <= 7; ++row) {
            const double expected = summary[kSlotOfRow[row - 1]];
            EXPECT_EQ(std::bit_cast<uint64_t>(call.boxes(row, g + 1)), std::bit_cast<uint64_t>(expected))
                << "group " << g + 1 << ", row " << row;
        }
    }
}

TEST(BoxWhisker, BoxesAreTheSummariesOfTheGroupsInBothLayouts)
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
    BoxCall byColumns{RealHostArray::FromValues({2.5}), RealHostArray::FromColumns(columns), RealHostArray(8, G, 1)};
    ASSERT_EQ(byColumns.Run(), kOk);
    ExpectBoxes(byColumns, groups);
    for (std::size_t g = 1; g <= G; ++g) EXPECT_EQ(byColumns.boxes(8, g), 0);  // row 8 untouched
}

}  // namespace
}  // namespace sheetstat::testing
