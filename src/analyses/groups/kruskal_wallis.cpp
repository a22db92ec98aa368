// Kruskal-Wallis H test of k independent samples (Kruskal and Wallis 1952). The
// pooled values are ranked, tied values sharing their mid-rank; with N values, n_g
// and R̄_g the size and mean rank of group g and T = Σ(t³ − t) over runs of t equal
// values,
//   H = 12/(N(N + 1)) · Σ_g n_g (R̄_g − (N + 1)/2)² / (1 − T/(N³ − N)),
// referred to chi-square on (non-empty groups − 1) degrees of freedom. The deviations
// are formed from doubled rank sums, which are whole numbers, so Σ n_g R̄_g² does not
// have to be cancelled against 3(N + 1) (the textbook form loses about log10(N) digits).
#include <cstdint>

#include "analyses/groups/grouped_sample.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/mid_ranks.hpp"

namespace sheetstat {
namespace {

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

    // The pooled values at 1..N, each with its group number 1..k.
    RealVector pooled(1, pooledCount);
    IntVector groupOf(1, pooledCount);
    std::ptrdiff_t next = 0;
    sample.ForEachValue([&](double x, std::size_t group) {
        ++next;
        pooled[next] = x;
        groupOf[next] = static_cast<int32_t>(group);
    });

    RealVector doubledRankSums(1, k);
    const double T = SumDoubledRanksByClass(pooledCount, pooled.data(), groupOf.data(), doubledRankSums);

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
