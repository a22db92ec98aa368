// Hierarchical agglomerative cluster analysis of the rows (objects) of a data array:
// squared Euclidean distances over the variables, each variable divided by its
// sample variance, joined one pair at a time under single, complete, group-average,
// centroid or Ward linkage (Lance-Williams recurrence). Writes the merge history, a
// dendrogram as polylines, the leaf labels in dendrogram order and the merged pairs
// that the cut into k clusters replays.
#include <cstddef>

#include "analyses/multivariate/agglomeration.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kOptionSlots = 6;
constexpr std::size_t kHistoryColumns = 6;
constexpr std::size_t kDendrogramRowsPerMerge = 5;

struct ClusterOptions {
    bool labelsSupplied;
    Linkage linkage;
};

// Slot 1: labels supplied; slots 3 to 6: complete, average, centroid, Ward, each a
// switch, Ward over centroid over average over complete; none on is single linkage.
// Slot 2 is not read.
ClusterOptions ReadOptions(const RealArrayView& options)
{
    const auto on = [&options](std::size_t slot) { return TruncateCode(options[slot]) != 0; };
    const bool labelsSupplied = on(1);
    const bool complete = on(3), average = on(4), centroid = on(5), ward = on(6);
    Linkage linkage = Linkage::Single;
    if (ward) {
        linkage = Linkage::Ward;
    } else if (centroid) {
        linkage = Linkage::Centroid;
    } else if (average) {
        linkage = Linkage::Average;
    } else if (complete) {
        linkage = Linkage::Complete;
    }
    return {labelsSupplied, linkage};
}

// Variable a of every object in x[a][0..n−1], an empty cell replaced by the mean of
// the variable's values, and the variable's sample variance in variance[a]; a
// variable without values has mean 0, and one with fewer than 2 values or no spread
// is divided by 1 (it contributes nothing then: all its cells are equal).
void ReadVariables(const RealMatrixView& data, RealMatrix& x, RealVector& variance)
{
    const std::size_t n = data.rows();
    for (std::size_t a = 1; a <= data.cols(); ++a) {
        const double* column = data.column(a);
        MomentsAccumulator accumulator;
        for (std::size_t r = 0; r < n; ++r) {
            if (IsMissing(column[r])) continue;
            RequireFinite(column[r]);
            accumulator.Add(column[r]);
        }
        accumulator.EndFirstPass();
        for (std::size_t r = 0; r < n; ++r) {
            if (!IsMissing(column[r])) accumulator.AddSecond(column[r]);
        }
        const RunningMoments moments = accumulator.Moments();
        const double s2 = moments.count >= 2 ? moments.SampleVariance() : 0.0;
        const auto at = static_cast<std::ptrdiff_t>(a);
        variance[at] = s2 > 0 ? s2 : 1.0;
        double* values = x[at].data();
        for (std::size_t r = 0; r < n; ++r) values[r] = IsMissing(column[r]) ? moments.mean : column[r];
    }
}

// D(i, j) = Σ_a (x_j − x_i)²/variance_a over the variables in order, halved for
// Ward's method (the level of a merge is then the increase of the within-cluster sum
// of squares). Row by row, so that each row is summed while it is in cache.
void FillDistances(const RealMatrix& x, const RealVector& variance, bool halve, PackedTriangle& d)
{
    const std::size_t n = d.objects();
    const std::size_t variables = x.rows();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        double* row = d.row(i);
        const std::size_t count = n - i - 1;
        for (std::size_t a = 1; a <= variables; ++a) {
            const double* values = x[static_cast<std::ptrdiff_t>(a)].data() + i;
            const double xi = values[0];
            const double s2 = variance[static_cast<std::ptrdiff_t>(a)];
            if (a == 1) {
                for (std::size_t t = 0; t < count; ++t) {
                    const double difference = values[t + 1] - xi;
                    row[t] = difference * difference / s2;
                }
            } else {
                for (std::size_t t = 0; t < count; ++t) {
                    const double difference = values[t + 1] - xi;
                    row[t] += difference * difference / s2;
                }
            }
        }
        if (halve) {
            for (std::size_t t = 0; t < count; ++t) row[t] /= 2;
        }
    }
}

// History rows 1..n−1: step, label and size of the kept cluster, label and size of
// the joined one, level. Pairs rows 1..n−1: the two 0-based representatives; row n
// the closing pseudo-merge (0, 0).
void WriteMerges(const OffsetVector<ClusterMerge>& merges, const RealArrayView& labels, const RealMatrixView& history,
                 const RealMatrixView& pairs)
{
    const std::size_t n = pairs.rows();
    for (std::size_t s = 1; s < n; ++s) {
        const ClusterMerge& merge = merges[static_cast<std::ptrdiff_t>(s)];
        history(s, 1) = static_cast<double>(s);
        history(s, 2) = labels[merge.kept + 1];
        history(s, 3) = static_cast<double>(merge.keptSize);
        history(s, 4) = labels[merge.joined + 1];
        history(s, 5) = static_cast<double>(merge.joinedSize);
        history(s, 6) = merge.level;
        pairs(s, 1) = static_cast<double>(merge.kept);
        pairs(s, 2) = static_cast<double>(merge.joined);
    }
    pairs(n, 1) = 0;
    pairs(n, 2) = 0;
}

// The dendrogram as polylines: the leaves at positions 1..n along the member chain of
// the final cluster (height 0); each merge c, and a closing stub c = n from the root
// up to 1.1 times the last level, draws rows 5c−4..5c: up the kept cluster's line,
// across at the level, down the joined cluster's line, then a break (MissingValue, 0).
// The kept cluster then stands at the level, midway between the two. The leaves array
// lists the labels in leaf order (column 2 cleared): every object once, at its leaf.
// position and height are work vectors over the objects 0..n−1.
void WriteDendrogram(const OffsetVector<ClusterMerge>& merges, const ClusterChains& chains,
                     const RealArrayView& labels, RealVector& position, RealVector& height,
                     const RealMatrixView& dendrogram, const RealMatrixView& leaves)
{
    const std::size_t n = leaves.rows();
    std::size_t leaf = 0;
    for (std::size_t m = 0; m != ClusterChains::kEnd; m = chains.next(m)) {
        ++leaf;
        position[static_cast<std::ptrdiff_t>(m)] = static_cast<double>(leaf);
        height[static_cast<std::ptrdiff_t>(m)] = 0;
        leaves(leaf, 1) = labels[m + 1];
        leaves(leaf, 2) = 0;
    }
    const double lastLevel = merges[static_cast<std::ptrdiff_t>(n - 1)].level;
    for (std::size_t c = 1; c <= n; ++c) {
        const ClusterMerge merge = c < n ? merges[static_cast<std::ptrdiff_t>(c)] : ClusterMerge{0, 0, 0, 0, 1.1 * lastLevel};
        const auto a = static_cast<std::ptrdiff_t>(merge.kept), b = static_cast<std::ptrdiff_t>(merge.joined);
        const std::size_t row = kDendrogramRowsPerMerge * (c - 1);
        dendrogram(row + 1, 1) = position[a];
        dendrogram(row + 1, 2) = height[a];
        dendrogram(row + 2, 1) = position[a];
        dendrogram(row + 2, 2) = merge.level;
        dendrogram(row + 3, 1) = position[b];
        dendrogram(row + 3, 2) = merge.level;
        dendrogram(row + 4, 1) = position[b];
        dendrogram(row + 4, 2) = height[b];
        dendrogram(row + 5, 1) = kMissingValue;
        dendrogram(row + 5, 2) = 0;
        height[a] = merge.level;
        position[a] = (position[a] + position[b]) / 2;
    }
}

void Cluster(HostArray** options, HostArray** data, HostArray** labels, HostArray** history, HostArray** dendrogram,
             HostArray** pairs, HostArray** leaves, HostArray** stats)
{
    const RealArrayView opts(options), names(labels), summary(stats);
    const RealMatrixView values(data), historyOut(history), dendrogramOut(dendrogram), pairsOut(pairs),
        leavesOut(leaves);
    // The leaves array fixes the number of objects n; the data and the pairs (which
    // the cut into clusters reads back) have exactly n rows, the other results room
    // for them.
    const std::size_t n = leavesOut.rows();
    Require(opts.count() >= kOptionSlots && summary.count() >= 1);
    Require(values.rows() == n && values.cols() >= 1 && names.count() >= n);
    Require(historyOut.rows() >= n && historyOut.cols() >= kHistoryColumns);
    Require(dendrogramOut.rows() / kDendrogramRowsPerMerge >= n && dendrogramOut.cols() >= 2);
    Require(pairsOut.rows() == n && pairsOut.cols() >= 2 && leavesOut.cols() >= 2);
    const ClusterOptions chosen = ReadOptions(opts);
    Require(n >= 2, Status::InsufficientData);
    if (chosen.labelsSupplied) {
        for (std::size_t k = 1; k <= n; ++k) RequireFinite(names[k]);
    }

    RealMatrix x(1, values.cols(), 0, n);
    RealVector variance(1, values.cols());
    ReadVariables(values, x, variance);
    PackedTriangle distances(n);
    ClusterChains chains(n);
    OffsetVector<ClusterMerge> merges(1, n - 1);
    RealVector position(0, n), height(0, n);
    FillDistances(x, variance, chosen.linkage == Linkage::Ward, distances);
    Agglomerate(chosen.linkage, distances, chains, merges);

    if (!chosen.labelsSupplied) {
        for (std::size_t k = 1; k <= n; ++k) names[k] = static_cast<double>(k);
    }
    WriteMerges(merges, names, historyOut, pairsOut);
    WriteDendrogram(merges, chains, names, position, height, dendrogramOut, leavesOut);
    summary[1] = static_cast<double>(n - 1);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkCluster(HostArray** options, HostArray** data, HostArray** labels,
                                                          HostArray** history, HostArray** dendrogram,
                                                          HostArray** pairs, HostArray** leaves, HostArray** stats)
{
    return sheetstat::RunExport(
        [&] { sheetstat::Cluster(options, data, labels, history, dendrogram, pairs, leaves, stats); });
}
