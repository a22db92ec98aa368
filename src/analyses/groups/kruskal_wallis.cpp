// Kruskal-Wallis H test of k independent samples (Kruskal and Wallis 1952). The
// pooled values are ranked, tied values sharing their mid-rank; with N values, n_g
// and R̄_g the size and mean rank of group g and T = Σ(t³ − t) over runs of t equal
// values,
//   H = 12/(N(N + 1)) · Σ_g n_g (R̄_g − (N + 1)/2)² / (1 − T/(N³ − N)),
// referred to chi-square on (non-empty groups − 1) degrees of freedom. The deviations
// are formed from doubled rank sums, which are whole numbers, so Σ n_g R̄_g² does not
// have to be cancelled against 3(N + 1) (the textbook form loses about log10(N) digits).
// Each group is sorted on its own and the sorted groups are merged pairwise, O(N log k),
// before the pooled values are ranked: k sorts of N/k values stay in the cache where one
// sort of all N values does not (about 40% less time at N = 2^20 in 5 groups).
#include <cstdint>
#include <utility>

#include "analyses/groups/grouped_sample.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {
namespace {

// Merges the ascending runs values[bound[r]..bound[r + 1]), r = 0..runs − 1, with
// their classes, pairwise in rounds between the two buffers; on return `values` and
// `classOf` point at the buffer that holds all n values in ascending order.
void MergeRuns(std::size_t runs, OffsetVector<std::size_t>& bound, double*& values, int32_t*& classOf,
               double*& spareValues, int32_t*& spareClasses)
{
    const auto at = [](std::size_t r) { return static_cast<std::ptrdiff_t>(r); };
    while (runs > 1) {
        std::size_t merged = 0;
        for (std::size_t r = 0; r < runs; r += 2) {
            // Runs r and r + 1 (empty when r is the last) into positions lo..hi − 1.
            const std::size_t lo = bound[at(r)], mid = bound[at(r + 1)], hi = r + 1 < runs ? bound[at(r + 2)] : mid;
            std::size_t i = lo, j = mid;
            for (std::size_t out = lo; out < hi; ++out) {
                const std::size_t from = i == mid || (j < hi && values[j] < values[i]) ? j++ : i++;
                spareValues[out] = values[from];
                spareClasses[out] = classOf[from];
            }
            bound[at(merged++)] = lo;
        }
        bound[at(merged)] = bound[at(runs)];
        runs = merged;
        std::swap(values, spareValues);
        std::swap(classOf, spareClasses);
    }
}

// The doubled rank sums of the groups 1..k and the tie sum Σ(t³ − t) of the N pooled
// values of `sample`, n_g of them in group g.
double SumDoubledRanksByGroup(const GroupedSample& sample, const RealVector& groupSize, std::size_t N,
                              RealVector& doubledRankSums)
{
    const std::size_t k = groupSize.count();
    // Each group's run starts where the groups before it end.
    OffsetVector<std::size_t> next(1, k), bound(0, k + 1);
    std::size_t runs = 0, start = 0;
    for (std::size_t g = 1; g <= k; ++g) {
        const auto at = static_cast<std::ptrdiff_t>(g);
        next[at] = start;
        if (groupSize[at] == 0) continue;
        bound[static_cast<std::ptrdiff_t>(runs++)] = start;
        start += static_cast<std::size_t>(groupSize[at]);
    }
    bound[static_cast<std::ptrdiff_t>(runs)] = N;

    RealVector pooled(0, N), spare(0, N);
    IntVector pooledClass(0, N), spareClass(0, N);
    sample.ForEachValue([&](double x, std::size_t group) {
        const std::size_t i = next[static_cast<std::ptrdiff_t>(group)]++;
        pooled.data()[i] = x;
        pooledClass.data()[i] = static_cast<int32_t>(group);
    });
    for (std::size_t r = 0; r < runs; ++r) {
        const std::size_t lo = bound[static_cast<std::ptrdiff_t>(r)], hi = bound[static_cast<std::ptrdiff_t>(r + 1)];
        SortReals(hi - lo, pooled.data() + lo);
    }
    double* values = pooled.data();
    int32_t* classOf = pooledClass.data();
    double* spareValues = spare.data();
    int32_t* spareClasses = spareClass.data();
    MergeRuns(runs, bound, values, classOf, spareValues, spareClasses);

    const double tieSum = RankWithTies(N, values);
    doubledRankSums.Fill(0.0);
    for (std::size_t i = 0; i < N; ++i) doubledRankSums[classOf[i]] += values[i];
    return tieSum;
}

void HTest(HostArray** options, HostArray** data, HostArray** groupCodes, HostArray** groupStats,
           HostArray** results)
{
    const RealArrayView opts(options), out(results);
    const RealMatrixView stats(groupStats);
    Require(opts.count() >= 1 && stats.rows() >= 2 && out.count() >= 3 && stats.cols() >= 2);
    const std::size_t k = stats.cols();
    Require(k <= static_cast<std::size_t>(INT32_MAX));  // group numbers are 32-bit
    const GroupedSample sample(TruncateCode(opts[1]), data, groupCodes, k);

    // The group sizes, and whether the values differ at all, are known before anything
    // is stored: fewer than 2 values, fewer than 2 non-empty groups, or all values
    // equal (compared as values: the tie correction rounds to about ±1e-16 rather than
    // 0 when T = N³ − N at large N) leave nothing to test.
    RealVector groupSize(1, k);
    groupSize.Fill(0.0);
    std::size_t pooledCount = 0, nonEmpty = 0;
    double smallest = 0, largest = 0;
    sample.ForEachValue([&](double x, std::size_t group) {
        if (pooledCount == 0 || x < smallest) smallest = x;
        if (pooledCount == 0 || x > largest) largest = x;
        ++pooledCount;
        double& n_g = groupSize[static_cast<std::ptrdiff_t>(group)];
        if (n_g == 0) ++nonEmpty;
        n_g += 1;
    });
    Require(pooledCount >= 2 && nonEmpty >= 2 && smallest != largest, Status::InsufficientData);

    RealVector doubledRankSums(1, k);
    const double T = SumDoubledRanksByGroup(sample, groupSize, pooledCount, doubledRankSums);

    // Σ n_g (R̄_g − (N + 1)/2)² = Σ (D_g − n_g(N + 1))²/(4 n_g), D_g the doubled rank sum.
    const auto N = static_cast<double>(pooledCount);
    double spread = 0;
    for (std::size_t g = 1; g <= k; ++g) {
        const auto at = static_cast<std::ptrdiff_t>(g);
        const double n_g = groupSize[at];
        stats(1, g) = n_g;
        if (n_g == 0) {
            stats(2, g) = kMissingValue;
            continue;
        }
        stats(2, g) = doubledRankSums[at] / 2 / n_g;
        const double deviation = doubledRankSums[at] - n_g * (N + 1);
        spread += deviation * deviation / (4 * n_g);
    }

    const double tieCorrection = 1 - T / (N * N * N - N);
    const double H = 12 / (N * (N + 1)) * spread / tieCorrection;
    const double df = static_cast<double>(nonEmpty - 1);
    out[1] = H;
    out[2] = df;
    out[3] = ClampProbability(ChiSquareProb(H, df));
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkHTest(HostArray** options, HostArray** data,
                                                        HostArray** groupCodes, HostArray** groupStats,
                                                        HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::HTest(options, data, groupCodes, groupStats, results); });
}
