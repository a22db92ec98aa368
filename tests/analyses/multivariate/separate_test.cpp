// nkSeparate: the cut of a recorded tree at every number of clusters, and the round
// trip from nkCluster.
#include <cmath>
#include <cstddef>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct SeparateCall {
    RealHostArray options, pairs, membership;

    int32_t Run() { return nkSeparate(options.ref(), pairs.ref(), membership.ref()); }
};

// Pairs as nkCluster records them (row N the closing pseudo-merge), membership
// prefilled with 99.
SeparateCall Cut(const std::vector<double>& kept, const std::vector<double>& joined, double k)
{
    SeparateCall call{RealHostArray::FromValues({k}), RealHostArray::FromColumns({kept, joined}),
                      RealHostArray(kept.size())};
    for (std::size_t m = 1; m <= kept.size(); ++m) call.membership[m] = 99;
    return call;
}

// The tree (2, 3), (0, 1), (0, 2) over 4 objects: the first N − k merges are replayed
// and the clusters numbered by their smallest object.
TEST(Separate, CutsAtEveryNumberOfClusters)
{
    const std::vector<double> kept = {2, 0, 0, 0}, joined = {3, 1, 2, 0};
    const std::vector<std::vector<double>> expected = {{1, 1, 1, 1}, {1, 1, 2, 2}, {1, 2, 3, 3}, {1, 2, 3, 4}};
    for (std::size_t k = 1; k <= 4; ++k) {
        SeparateCall call = Cut(kept, joined, static_cast<double>(k) + 0.9);  // truncated
        ASSERT_EQ(call.Run(), kOk) << k;
        EXPECT_EQ(call.membership.Slots(), expected[k - 1]) << k;
    }
    // A longer membership keeps its further slots; rows beyond N − k are not read.
    SeparateCall call = Cut(kept, {3, 1, 2, std::nan("")}, 1);
    call.membership = RealHostArray::FromValues({0, 0, 0, 0, 99});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.membership.Slots(), (std::vector<double>{1, 1, 1, 1, 99}));
}

// Two groups far apart on one variable, interleaved in the rows.
TEST(Separate, CutsTheTreeOfAClusterAnalysis)
{
    const std::vector<double> x = {0, 10, 1, 11, 2, 12.5};
    const std::size_t n = x.size();
    RealHostArray options(6), data = RealHostArray::FromColumns({x}), labels(n), history(n, 6, 1),
        dendrogram(5 * n, 2, 1), pairs(n, 2, 1), leaves(n, 2, 1), stats(1);
    options[6] = 1;  // Ward
    ASSERT_EQ(nkCluster(options.ref(), data.ref(), labels.ref(), history.ref(), dendrogram.ref(), pairs.ref(),
                        leaves.ref(), stats.ref()),
              kOk);
    SeparateCall call{RealHostArray::FromValues({2}), pairs, RealHostArray(n)};
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.membership.Slots(), (std::vector<double>{1, 2, 1, 2, 1, 2}));
}
}  // namespace
}  // namespace sheetstat::testing
