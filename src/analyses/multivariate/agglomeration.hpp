// Hierarchical agglomerative clustering: the packed triangle of pairwise distances,
// clusters as chains of their members, and the merge loop with the Lance-Williams
// recurrence (Lance and Williams 1967), shared by the cluster analysis and by the cut
// of its tree into a given number of clusters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/work_storage.hpp"

namespace sheetstat {

enum class Linkage { Single, Complete, Average, Centroid, Ward };

// The distances of n objects (0-based), pair (i, j) with i < j stored row after row:
// row i holds the pairs (i, i+1) .. (i, n−1), contiguous, n(n−1)/2 doubles in all.
class PackedTriangle {
public:
    // MemoryError when the triangle is not addressable.
    explicit PackedTriangle(std::size_t n);

    std::size_t objects() const noexcept { return n_; }
    // Pair (i, i+1) of row i, i < n−1; pair (i, j) is row(i)[j − i − 1].
    double* row(std::size_t i) noexcept { return cells_.data() + RowStart(i); }
    // Pair (i, j), i < j.
    double& operator()(std::size_t i, std::size_t j) noexcept { return cells_.data()[RowStart(i) + (j - i - 1)]; }
    // Pair (a, b) in either order, a ≠ b.
    double& Pair(std::size_t a, std::size_t b) noexcept { return a < b ? (*this)(a, b) : (*this)(b, a); }

private:
    // Pairs before row i: (n−1) + (n−2) + ... + (n−i).
    std::size_t RowStart(std::size_t i) const noexcept { return i * (2 * n_ - i - 1) / 2; }

    std::size_t n_;
    RealVector cells_;
};

// Clusters of n objects (0-based). A cluster is represented by its smallest object
// index, its representative; its size is kept at the representative (0: the index is
// no longer a representative) and its members form a chain, in the order in which
// they were joined, through a next-member index per object.
class ClusterChains {
public:
    static constexpr std::size_t kEnd = SIZE_MAX;  // the next member after the last

    // Every object a cluster of its own.
    explicit ClusterChains(std::size_t n);

    std::size_t size(std::size_t i) const noexcept { return size_[static_cast<std::ptrdiff_t>(i)]; }
    std::size_t next(std::size_t i) const noexcept { return next_[static_cast<std::ptrdiff_t>(i)]; }

    // JoinClusters: cluster b joins cluster a, whose representative a stays; b's
    // chain is appended to a's (a ≠ b, both representatives).
    void Join(std::size_t a, std::size_t b) noexcept;

private:
    OffsetVector<std::size_t> size_;
    OffsetVector<std::size_t> next_;
    OffsetVector<std::size_t> tail_;  // the last member of a representative's chain
};

// One step of the agglomeration: representative `joined` joins `kept` (kept < joined)
// at the distance `level` between them; the sizes are those before the merge.
struct ClusterMerge {
    std::size_t kept;
    std::size_t joined;
    std::size_t keptSize;
    std::size_t joinedSize;
    double level;
};

// The coefficients of the Lance-Williams recurrence: the distance of k to the union
// of i and j is α_i·d_ik + α_j·d_jk + β·d_ij + γ·|d_ik − d_jk|.
struct LanceWilliams {
    double alphaI;
    double alphaJ;
    double beta;
    double gamma;

    double operator()(double dik, double djk, double dij) const noexcept
    {
        // γ ≠ 0 only with α_i = α_j = ½ and β = 0, where the recurrence is exactly the
        // smaller (γ = −½, single linkage) or the larger (γ = +½, complete) of the two
        // distances: taken as such, since the four rounded terms can miss it by an ulp
        // (0.5·2.4 + 0.5·0.6 − 0.5·1.8 gives 0.6000000000000001), which would reorder
        // merges at tied distances.
        if (gamma != 0) return (gamma < 0) == (dik < djk) ? dik : djk;
        return alphaI * dik + alphaJ * djk + beta * dij;
    }
};

// The coefficients for joining clusters of sizes ni and nj (Ward's method: also of
// the size nk of the third cluster): single linkage (α = ½, β = 0, γ = −½: the smaller
// distance), complete (γ = +½: the larger), group average (α = n_i/n), centroid
// (β = −n_i·n_j/n², for squared Euclidean distances), Ward (Ward 1963; with halved
// squared distances the level is the increase of the within-cluster sum of squares).
LanceWilliams LanceWilliamsCoefficients(Linkage linkage, double ni, double nj, double nk) noexcept;

// Joins the n = distances.objects() ≥ 2 clusters of `chains` (every object on its
// own) one pair at a time into one, n − 1 merges into merges[1..n−1]. Each step joins
// the pair of representatives at the smallest distance, the first such pair in (i, j)
// order when several tie, and replaces the distances of the kept representative by the
// Lance-Williams recurrence (in place: the triangle is overwritten). The pair is found
// through each representative's nearest following neighbour (the smallest distance in
// its row and the smallest index attaining it), kept up to date after each merge and
// rescanned only when that neighbour left or its distance grew: the same merges as a
// full scan of the triangle at every step, at a cost that grows like n² for the
// reducible linkages in practice instead of n³.
void Agglomerate(Linkage linkage, PackedTriangle& distances, ClusterChains& chains, OffsetVector<ClusterMerge>& merges);

}  // namespace sheetstat
