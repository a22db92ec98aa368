// nkPareto: the worked example, the order written in place, grand totals that are not
// positive, and empty cells.
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct ParetoCall {
    RealHostArray data, pareto, results;

    int32_t Run() { return nkPareto(data.ref(), pareto.ref(), results.ref()); }
};

ParetoCall Pareto(const std::vector<std::vector<double>>& columns)
{
    return {RealHostArray::FromColumns(columns), RealHostArray(columns.size(), 3, 1), RealHostArray(1)};
}

// Rows of (category, total, cumulative percentage), MissingValue for no percentage.
void ExpectRows(ParetoCall& call, const std::vector<std::vector<double>>& rows)
{
    for (std::size_t k = 1; k <= rows.size(); ++k) {
        EXPECT_EQ(call.pareto(k, 1), rows[k - 1][0]) << "row " << k;
        EXPECT_EQ(std::bit_cast<uint64_t>(call.pareto(k, 2)), std::bit_cast<uint64_t>(rows[k - 1][1])) << "row " << k;
        if (IsMissing(rows[k - 1][2])) {
            EXPECT_MISSING(call.pareto(k, 3)) << " (row " << k << ")";
        } else {
            EXPECT_NEAR(call.pareto(k, 3), rows[k - 1][2], 1e-13) << "row " << k;
        }
    }
}

TEST(Pareto, WorkedExample)
{
    ParetoCall call = Pareto({{2, 3}, {15, 5}, {4, 6}});
    ASSERT_EQ(call.Run(), kOk);
    ExpectRows(call, {{2, 20, 2000.0 / 35}, {3, 10, 3000.0 / 35}, {1, 5, 100}});
    EXPECT_EQ(call.results[1], 35);
}

// Empty cells are skipped (an empty column totals exactly 0); a grand total of 0 or
// below leaves no percentages, and the totals keep their sign (0, not −0).
TEST(Pareto, EmptyCellsAndTotalsThatAreNotPositive)
{
    ParetoCall zero = Pareto({{0, 0}, {kMissing, kMissing}, {0, kMissing}});
    ASSERT_EQ(zero.Run(), kOk);
    for (std::size_t k = 1; k <= 3; ++k) {
        EXPECT_EQ(std::bit_cast<uint64_t>(zero.pareto(k, 2)), std::bit_cast<uint64_t>(0.0)) << "row " << k;
        EXPECT_MISSING(zero.pareto(k, 3));
    }
    EXPECT_EQ(zero.results[1], 0);

    ParetoCall negative = Pareto({{-4, 1}, {2, kMissing}, {-9, 0}});
    ASSERT_EQ(negative.Run(), kOk);
    ExpectRows(negative, {{2, 2, kMissing}, {1, -3, kMissing}, {3, -9, kMissing}});
    EXPECT_EQ(negative.results[1], -10);

    // A return category lowers the cumulative percentage on the way.
    ParetoCall mixed = Pareto({{6}, {-2}, {4}});
    ASSERT_EQ(mixed.Run(), kOk);
    ExpectRows(mixed, {{1, 6, 75}, {3, 4, 125}, {2, -2, 100}});
}

}  // namespace
}  // namespace sheetstat::testing
