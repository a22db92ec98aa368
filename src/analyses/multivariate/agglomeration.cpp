// The merge loop of hierarchical agglomerative clustering with the Lance-Williams
// recurrence, driven by an array of nearest neighbours (in the manner of Müllner,
// "Modern hierarchical, agglomerative clustering algorithms", 2011, whose generic
// algorithm keeps the same list), with the tie rule of a full scan: the first pair
// (i, j) in row-major order at the smallest distance.
#include "analyses/multivariate/agglomeration.hpp"

#include <limits>

#include "frame/status.hpp"

namespace sheetstat {
namespace {

std::size_t TriangleCells(std::size_t n)
{
    if (n < 2) return 0;
    if (n - 1 > SIZE_MAX / n) throw MemoryError();
    return n * (n - 1) / 2;
}

constexpr std::size_t kNone = SIZE_MAX;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// How many representatives ahead the distances of the update loop are requested.
constexpr int kPrefetchDistance = 16;

// A hint to bring the cache line of `address` in for writing; no effect on results.
inline void PrefetchForWrite(const double* address) noexcept
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address, 1);
#else
    (void)address;
#endif
}

// The state of the loop: the active representatives as a list in ascending order
// (object 0 stays active throughout: the kept index is always the smaller one), and
// for each the nearest following representative and its distance.
class NearestNeighbours {
public:
    explicit NearestNeighbours(PackedTriangle& distances)
        : d_(distances), n_(distances.objects()), nextActive_(0, n_), previousActive_(0, n_), nearest_(0, n_),
          nearestDistance_(0, n_)
    {
        for (std::size_t k = 0; k < n_; ++k) {
            nextActive_[Index(k)] = k + 1;
            previousActive_[Index(k)] = k == 0 ? kNone : k - 1;
        }
        for (std::size_t k = 0; k < n_; ++k) Rescan(k);
    }

    std::size_t first() const noexcept { return 0; }
    std::size_t nextActive(std::size_t k) const noexcept { return nextActive_[Index(k)]; }
    std::size_t nearest(std::size_t k) const noexcept { return nearest_[Index(k)]; }

    // The pair to join next: the first representative (ascending) whose nearest
    // distance is the smallest, with that neighbour. Should no distance compare below
    // infinity (only after an overflow, which the export reports), the first two.
    void Closest(std::size_t& i, std::size_t& j) const noexcept
    {
        double best = kInfinity;
        i = kNone;
        for (std::size_t k = first(); k < n_; k = nextActive(k)) {
            if (nearestDistance_[Index(k)] < best) {
                best = nearestDistance_[Index(k)];
                i = k;
            }
        }
        if (i == kNone) {
            i = first();
            j = nextActive(i);
        } else {
            j = nearest(i);
        }
    }

    void Deactivate(std::size_t j) noexcept
    {
        const std::size_t before = previousActive_[Index(j)];
        const std::size_t after = nextActive_[Index(j)];
        nextActive_[Index(before)] = after;
        if (after < n_) previousActive_[Index(after)] = before;
    }

    // The smallest distance in row k over the active representatives after k, and the
    // smallest index attaining it (none when no distance compares below infinity).
    void Rescan(std::size_t k) noexcept
    {
        double best = kInfinity;
        std::size_t bestIndex = kNone;
        const double* row = d_.row(k);
        for (std::size_t m = nextActive(k); m < n_; m = nextActive(m)) {
            const double distance = row[m - k - 1];
            if (distance < best) {
                best = distance;
                bestIndex = m;
            }
        }
        nearest_[Index(k)] = bestIndex;
        nearestDistance_[Index(k)] = best;
    }

    // Row k < i after i and j merged: its distance to i is now `updated` and j is gone.
    void UpdateBefore(std::size_t k, std::size_t i, std::size_t j, double updated) noexcept
    {
        const std::size_t neighbour = nearest_[Index(k)];
        const double old = nearestDistance_[Index(k)];
        if (neighbour == i || neighbour == j) {
            // Every other distance of the row is ≥ old, and > old at indices below the
            // neighbour; so i attains the minimum at the smallest index unless its
            // distance grew beyond old, when only a rescan can tell.
            if (updated <= old) {
                nearest_[Index(k)] = i;
                nearestDistance_[Index(k)] = updated;
            } else {
                Rescan(k);
            }
        } else if (updated < old || (updated == old && i < neighbour)) {
            nearest_[Index(k)] = i;
            nearestDistance_[Index(k)] = updated;
        }
    }

private:
    static std::ptrdiff_t Index(std::size_t k) noexcept { return static_cast<std::ptrdiff_t>(k); }

    PackedTriangle& d_;
    std::size_t n_;
    OffsetVector<std::size_t> nextActive_;      // n_ ends the list
    OffsetVector<std::size_t> previousActive_;  // kNone before object 0
    OffsetVector<std::size_t> nearest_;
    OffsetVector<double> nearestDistance_;
};

}  // namespace

PackedTriangle::PackedTriangle(std::size_t n) : n_(n), cells_(0, TriangleCells(n)) {}

ClusterChains::ClusterChains(std::size_t n) : size_(0, n), next_(0, n), tail_(0, n)
{
    for (std::size_t k = 0; k < n; ++k) {
        const auto at = static_cast<std::ptrdiff_t>(k);
        size_[at] = 1;
        next_[at] = kEnd;
        tail_[at] = k;
    }
}

void ClusterChains::Join(std::size_t a, std::size_t b) noexcept
{
    const auto atA = static_cast<std::ptrdiff_t>(a), atB = static_cast<std::ptrdiff_t>(b);
    size_[atA] += size_[atB];
    size_[atB] = 0;
    next_[static_cast<std::ptrdiff_t>(tail_[atA])] = b;
    tail_[atA] = tail_[atB];
}

LanceWilliams LanceWilliamsCoefficients(Linkage linkage, double ni, double nj, double nk) noexcept
{
    const double n = ni + nj;
    switch (linkage) {
    case Linkage::Single:
        return {0.5, 0.5, 0, -0.5};
    case Linkage::Complete:
        return {0.5, 0.5, 0, 0.5};
    case Linkage::Average:
        return {ni / n, nj / n, 0, 0};
    case Linkage::Centroid:
        return {ni / n, nj / n, -(ni * nj) / (n * n), 0};
    case Linkage::Ward:
        break;
    }
    const double total = n + nk;
    return {(ni + nk) / total, (nj + nk) / total, -nk / total, 0};
}

void Agglomerate(Linkage linkage, PackedTriangle& d, ClusterChains& chains, OffsetVector<ClusterMerge>& merges)
{
    const std::size_t n = d.objects();
    NearestNeighbours neighbours(d);
    for (std::size_t step = 1; step < n; ++step) {
        std::size_t i = 0, j = 0;
        neighbours.Closest(i, j);
        const double dij = d(i, j);
        const auto ni = static_cast<double>(chains.size(i));
        const auto nj = static_cast<double>(chains.size(j));
        merges[static_cast<std::ptrdiff_t>(step)] = {i, j, chains.size(i), chains.size(j), dij};

        neighbours.Deactivate(j);
        LanceWilliams coefficients = LanceWilliamsCoefficients(linkage, ni, nj, 0);
        double coefficientsSize = 0;  // Ward's coefficients depend on the size of k
        // The distances of i to every other representative k, and the neighbours of
        // the rows they live in: row k for k < i (where j's column is gone as well),
        // row i for k > i; rows between i and j lose j's column, later rows are as
        // they were. For k < j the pairs (k, i) and (k, j) lie in a different row for
        // each k, a cache miss each: they are requested a few representatives ahead.
        std::size_t ahead = neighbours.first();
        for (int t = 0; t < kPrefetchDistance && ahead < n; ++t) ahead = neighbours.nextActive(ahead);
        for (std::size_t k = neighbours.first(); k < n; k = neighbours.nextActive(k)) {
            if (ahead < j) {
                if (ahead < i) PrefetchForWrite(&d(ahead, i));
                PrefetchForWrite(&d(ahead, j));
            }
            if (ahead < n) ahead = neighbours.nextActive(ahead);
            if (k == i) continue;
            if (linkage == Linkage::Ward && static_cast<double>(chains.size(k)) != coefficientsSize) {
                coefficientsSize = static_cast<double>(chains.size(k));
                coefficients = LanceWilliamsCoefficients(linkage, ni, nj, coefficientsSize);
            }
            double& dik = d.Pair(i, k);
            const double djk = d.Pair(j, k);
            dik = coefficients(dik, djk, dij);
            if (k < i) {
                neighbours.UpdateBefore(k, i, j, dik);
            } else if (k < j && neighbours.nearest(k) == j) {
                neighbours.Rescan(k);
            }
        }
        chains.Join(i, j);
        neighbours.Rescan(i);
    }
}

}  // namespace sheetstat
