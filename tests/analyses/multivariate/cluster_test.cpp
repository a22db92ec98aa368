// nkCluster: the grid worked through by hand (every result array), merge levels of the
// five linkages by hand, empty cells and variables without spread, supplied labels,
// and the merge loop against a full scan of the triangle at every step
// (the oracle below) on random and heavily tied distances under every linkage.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "analyses/multivariate/agglomeration.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

constexpr Linkage kLinkages[] = {Linkage::Single, Linkage::Complete, Linkage::Average, Linkage::Centroid,
                                 Linkage::Ward};

struct ClusterCall {
    RealHostArray options, data, labels, history, dendrogram, pairs, leaves, stats;

    explicit ClusterCall(const std::vector<std::vector<double>>& columns, std::size_t linkageSlot = 0)
        : options(6), data(RealHostArray::FromColumns(columns)), labels(data.rows()), history(data.rows(), 6, 1),
          dendrogram(5 * data.rows(), 2, 1), pairs(data.rows(), 2, 1), leaves(data.rows(), 2, 1), stats(1)
    {
        if (linkageSlot != 0) options[linkageSlot] = 1;
    }

    int32_t Run()
    {
        return nkCluster(options.ref(), data.ref(), labels.ref(), history.ref(), dendrogram.ref(), pairs.ref(),
                         leaves.ref(), stats.ref());
    }
};

// Grid 0, 1, 2, 3: every neighbour pair at (1)²/s² with s² = 5/3. Single linkage joins
// (0, 1), then (0, 2) ahead of (2, 3) at the same level (first pair in order), then
// (0, 3); the closing stub rises to 1.1 times the last level.
TEST(Cluster, GridUnderSingleLinkageWrittenInFull)
{
    ClusterCall call({{0, 1, 2, 3}});
    ASSERT_EQ(call.Run(), kOk);
    const double u = 1 / (5.0 / 3.0);
    const double m = kMissing;
    EXPECT_EQ(call.stats[1], 3);
    EXPECT_EQ(call.labels.Slots(), (std::vector<double>{1, 2, 3, 4}));
    const std::vector<std::vector<double>> history = {{1, 1, 1, 2, 1, u}, {2, 1, 2, 3, 1, u}, {3, 1, 3, 4, 1, u}};
    for (std::size_t s = 1; s <= 3; ++s) {
        for (std::size_t c = 1; c <= 6; ++c) EXPECT_EQ(call.history(s, c), history[s - 1][c - 1]) << s << "," << c;
    }
    EXPECT_EQ(call.pairs.Column(1), (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(call.pairs.Column(2), (std::vector<double>{1, 2, 3, 0}));
    EXPECT_EQ(call.leaves.Column(1), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(call.leaves.Column(2), (std::vector<double>{0, 0, 0, 0}));
    // Merge c: up the kept line, across at the level, down the joined line, a break.
    const std::vector<double> position = {1, 1, 2, 2, m, 1.5, 1.5, 3, 3, m, 2.25, 2.25, 4, 4, m,
                                          3.125, 3.125, 3.125, 3.125, m};
    const std::vector<double> height = {0, u, u, 0, 0, u, u, u, 0, 0, u, u, u, 0, 0, u, 1.1 * u, 1.1 * u, u, 0};
    for (std::size_t r = 1; r <= 20; ++r) {
        EXPECT_EQ(std::memcmp(&call.dendrogram(r, 1), &position[r - 1], sizeof(double)), 0) << r;
        EXPECT_EQ(call.dendrogram(r, 2), height[r - 1]) << r;
    }
}

// Objects at 0, −3, 2, −2: object 0 is nearest to 2 and 3 alike (4/s²), and 2 comes
// first. Joining 3 into 1 brings 1 to the same distance from 0, so 1 is now the first
// nearest: (1, 3), then (0, 1), then (0, 2), single linkage, s² = 59/12.
TEST(Cluster, ATieLeftByAMergeGoesToTheSmallerIndex)
{
    ClusterCall call({{0, -3, 2, -2}});
    ASSERT_EQ(call.Run(), kOk);
    const double u = 12.0 / 59;
    EXPECT_EQ(call.pairs.Column(1), (std::vector<double>{1, 0, 0, 0}));
    EXPECT_EQ(call.pairs.Column(2), (std::vector<double>{3, 1, 2, 0}));
    for (std::size_t s = 1; s <= 3; ++s) EXPECT_NEAR(call.history(s, 6), (s == 1 ? 1 : 4) * u, 1e-15) << s;
}

// One variable 0, 1, 3, 7 (s² = 115/12); squared differences 1, 9, 49, 4, 36, 16 in
// units of 1/s². Every linkage joins (0, 1), (0, 2), (0, 3); the levels, worked by
// hand, tell the recurrences apart (Ward: halved distances, the increase of the
// within-cluster sum of squares).
TEST(Cluster, LevelsOfTheFiveLinkages)
{
    const double u = 12.0 / 115;
    const struct {
        const char* what;
        std::size_t slot;
        double levels[3];
    } cases[] = {
        {"single", 0, {1, 4, 16}},
        {"complete", 3, {1, 9, 49}},
        {"average", 4, {1, 6.5, 101.0 / 3}},
        {"centroid", 5, {1, 6.25, 289.0 / 9}},
        {"Ward", 6, {0.5, 25.0 / 6, 289.0 / 12}},
    };
    for (const auto& k : cases) {
        ClusterCall call({{0, 1, 3, 7}}, k.slot);
        ASSERT_EQ(call.Run(), kOk) << k.what;
        for (std::size_t s = 1; s <= 3; ++s) {
            EXPECT_EQ(call.pairs(s, 1), 0) << k.what;
            EXPECT_EQ(call.pairs(s, 2), static_cast<double>(s)) << k.what;
            EXPECT_NEAR(call.history(s, 6), k.levels[s - 1] * u, 1e-14) << k.what << " step " << s;
        }
    }
    // Precedence: Ward over centroid over average over complete; options truncated.
    const struct {
        double slot3to6[4];
        double lastLevel;
    } switches[] = {{{1, 1, 1, 1}, 289.0 / 12}, {{1, 1, 1, 0}, 289.0 / 9}, {{1, 1, 0, 0}, 101.0 / 3},
                    {{-1.5, 0.9, 0, 0}, 49}};
    for (const auto& on : switches) {
        ClusterCall call({{0, 1, 3, 7}});
        for (std::size_t slot = 3; slot <= 6; ++slot) call.options[slot] = on.slot3to6[slot - 3];
        ASSERT_EQ(call.Run(), kOk);
        EXPECT_NEAR(call.history(3, 6), on.lastLevel * u, 1e-14) << on.slot3to6[0];
    }
}

// An empty cell stands for the mean of its variable, whose variance comes from the
// values present: 0, 2, -, 4 has mean 2 and s² = 4, so object 2 sits on object 1
// (joined first at level 0) and the others at 1 from it. An empty variable, one with
// a single value and a constant one add nothing. Supplied labels name the objects in
// the history and the leaves, repeated ones too.
TEST(Cluster, EmptyCellsConstantVariablesAndSuppliedLabels)
{
    ClusterCall call({{0, 2, kMissing, 4},
                      {kMissing, kMissing, kMissing, kMissing},
                      {kMissing, 5, kMissing, kMissing},
                      {7, 7, 7, 7}});
    call.options[1] = 1;
    call.labels = RealHostArray::FromValues({10, 20, 20, 40});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.labels.Slots(), (std::vector<double>{10, 20, 20, 40}));
    const double expected[3][6] = {{1, 20, 1, 20, 1, 0}, {2, 10, 1, 20, 2, 1}, {3, 10, 3, 40, 1, 1}};
    for (std::size_t s = 1; s <= 3; ++s) {
        for (std::size_t c = 1; c <= 6; ++c) EXPECT_EQ(call.history(s, c), expected[s - 1][c - 1]) << s << "," << c;
    }
    // Leaf order: 0, then 1 with 2 (joined to 1 first), then 3.
    EXPECT_EQ(call.leaves.Column(1), (std::vector<double>{10, 20, 20, 40}));
}

// ---- The merge loop against a full scan ----

struct Merge {
    std::size_t i, j;
    double level;
};

// The recurrence of each linkage, written out: single and complete linkage take the
// smaller and the larger distance, the others the Lance-Williams expression.
double Recurrence(Linkage linkage, double ni, double nj, double nk, double dik, double djk, double dij)
{
    const double n = ni + nj;
    switch (linkage) {
    case Linkage::Single:
        return std::min(dik, djk);
    case Linkage::Complete:
        return std::max(dik, djk);
    case Linkage::Average:
        return ni / n * dik + nj / n * djk;
    case Linkage::Centroid:
        return ni / n * dik + nj / n * djk + -(ni * nj) / (n * n) * dij;
    case Linkage::Ward:
        break;
    }
    return (ni + nk) / (n + nk) * dik + (nj + nk) / (n + nk) * djk + -nk / (n + nk) * dij;
}

// At every step, scan all pairs i < j of active representatives, i ascending and j
// ascending, for a distance strictly below the best so far (from 1e50): the first
// pair at the smallest distance. Then update the distances of i and retire j.
std::vector<Merge> FullScanMerges(Linkage linkage, std::vector<std::vector<double>> d)
{
    const std::size_t n = d.size();
    std::vector<double> size(n, 1);
    std::vector<Merge> merges;
    for (std::size_t step = 1; step < n; ++step) {
        double best = 1e50;
        std::size_t bi = n, bj = n;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = i + 1; j < n; ++j) {
                if (size[i] > 0 && size[j] > 0 && d[i][j] < best) best = d[i][j], bi = i, bj = j;
            }
        }
        merges.push_back({bi, bj, best});
        for (std::size_t k = 0; k < n; ++k) {
            if (size[k] == 0 || k == bi || k == bj) continue;
            const double updated = Recurrence(linkage, size[bi], size[bj], size[k], d[bi][k], d[bj][k], best);
            d[bi][k] = d[k][bi] = updated;
        }
        size[bi] += size[bj];
        size[bj] = 0;
    }
    return merges;
}

std::vector<Merge> LibraryMerges(Linkage linkage, const std::vector<std::vector<double>>& d)
{
    const std::size_t n = d.size();
    PackedTriangle triangle(n);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) triangle(i, j) = d[i][j];
    }
    ClusterChains chains(n);
    OffsetVector<ClusterMerge> merges(1, n - 1);
    Agglomerate(linkage, triangle, chains, merges);
    std::vector<Merge> result;
    for (std::ptrdiff_t s = 1; s < static_cast<std::ptrdiff_t>(n); ++s) {
        result.push_back({merges[s].kept, merges[s].joined, merges[s].level});
    }
    return result;
}

// Symmetric distances drawn by `draw`; squared Euclidean distances of points on a
// small integer grid for `onGrid` (many exact ties, and valid for the centroid and
// Ward recurrences, which assume them), halved for Ward as the analysis does.
std::vector<std::vector<double>> Distances(std::size_t n, std::mt19937_64& random, bool onGrid, Linkage linkage)
{
    std::uniform_int_distribution<int> coordinate(0, 3);
    std::uniform_real_distribution<double> uniform(0, 1);
    std::vector<std::vector<double>> points(n, std::vector<double>(2));
    for (auto& p : points) p = {static_cast<double>(coordinate(random)), static_cast<double>(coordinate(random))};
    std::vector<std::vector<double>> d(n, std::vector<double>(n, 0));
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            const double dx = points[i][0] - points[j][0], dy = points[i][1] - points[j][1];
            double v = onGrid ? dx * dx + dy * dy : uniform(random);
            if (linkage == Linkage::Ward) v /= 2;
            d[i][j] = d[j][i] = v;
        }
    }
    return d;
}

TEST(Cluster, MergesMatchAFullScanOnRandomAndTiedDistances)
{
    std::mt19937_64 random(2024);
    for (const Linkage linkage : kLinkages) {
        for (const bool onGrid : {false, true}) {
            for (const std::size_t n : std::vector<std::size_t>{2, 3, 5, 17, 60, 150}) {
                const auto d = Distances(n, random, onGrid, linkage);
                const std::vector<Merge> expected = FullScanMerges(linkage, d);
                const std::vector<Merge> merged = LibraryMerges(linkage, d);
                ASSERT_EQ(merged.size(), expected.size());
                for (std::size_t s = 0; s < expected.size(); ++s) {
                    SCOPED_TRACE(::testing::Message() << "linkage " << static_cast<int>(linkage) << (onGrid ? " grid" : " random")
                                                      << " n " << n << " step " << s + 1);
                    ASSERT_EQ(merged[s].i, expected[s].i);
                    ASSERT_EQ(merged[s].j, expected[s].j);
                    ASSERT_EQ(std::memcmp(&merged[s].level, &expected[s].level, sizeof(double)), 0)
                        << merged[s].level << " vs " << expected[s].level;
                }
            }
        }
    }
}
}  // namespace
}  // namespace sheetstat::testing
