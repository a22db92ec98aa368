// Mann-Whitney U test (Wilcoxon rank-sum test) for two independent samples. The pooled
// values are ranked, tied values sharing their mid-rank; group g with rank sum R_g
// has U_g = R_g − n_g(n_g + 1)/2. The test uses the normal approximation with the
// variance corrected for ties (Mann and Whitney 1947; Lehmann, Nonparametrics, 1975):
//   z = (U_g − n_g·n_h/2) / √( n_g·n_h / (N(N − 1)) · ((N³ − N) − Σ(t³ − t)) / 12 ),
// taken from the group with the smaller rank sum, without continuity correction.
#include <cmath>

#include "analyses/groups/two_groups.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/mid_ranks.hpp"

namespace sheetstat {
namespace {

// z into slot 1, its one-tailed probability (the smaller tail) into slot 2 and the
// two-tailed probability into slot 3.
void WriteNormalTest(const RealArrayView& out, double z)
{
    const double P = NormalTailProb(z);
    out[1] = z;
    out[2] = ClampProbability(P);
    out[3] = ClampProbability(2 * P);
}

// What can be told of the two groups without storing them: their sizes and whether
// the pooled values differ at all.
struct GroupCounts {
    double n[2] = {0, 0};
    double lowest = 0, highest = 0;
};

GroupCounts CountGroups(const TwoGroupSample& sample)
{
    GroupCounts counts;
    bool first = true;
    sample.ForEachValue([&](double x, std::size_t group) {
        counts.n[group - 1] += 1;
        if (first || x < counts.lowest) counts.lowest = x;
        if (first || x > counts.highest) counts.highest = x;
        first = false;
    });
    return counts;
}

void UTest(HostArray** options, HostArray** data, HostArray** groupCodes, HostArray** groupStats,
           HostArray** results)
{
    RealArrayView opts(options), out(results);
    RealMatrixView stats(groupStats);
    Require(opts.count() >= 1 && stats.rows() >= 3 && out.count() >= 3 && stats.cols() == 2);
    const TwoGroupSample sample(TruncateCode(opts[1]), data, groupCodes);

    // Each group needs 2 values, and equal values throughout leave no spread to test
    // against; both are known before anything is stored.
    const GroupCounts counts = CountGroups(sample);
    Require(counts.n[0] >= 2 && counts.n[1] >= 2 && counts.lowest < counts.highest, Status::InsufficientData);

    // The pooled values at 1..N, each with its group number (1 or 2).
    const auto pooledCount = static_cast<std::size_t>(counts.n[0] + counts.n[1]);
    RealVector pooled(1, pooledCount);
    IntVector groupOf(1, pooledCount);
    std::ptrdiff_t next = 0;
    sample.ForEachValue([&](double x, std::size_t group) {
        ++next;
        pooled[next] = x;
        groupOf[next] = static_cast<int32_t>(group);
    });

    RealVector doubledRankSums(1, 2);
    const double T = SumDoubledRanksByClass(pooledCount, pooled.data(), groupOf.data(), doubledRankSums);

    // ((N³ − N) − T)/12 is N(N − 1)(N + 1)/12 less the ties; it is 0 only when all N
    // values are equal, which the checks above exclude.
    const auto N = static_cast<double>(pooledCount);
    const double tieCorrectedSpread = ((N * N * N - N) - T) / 12;

    for (std::ptrdiff_t g = 1; g <= 2; ++g) {
        const std::ptrdiff_t h = 3 - g;
        const double n_g = counts.n[g - 1];
        const double n_h = counts.n[h - 1];
        const double R_g = doubledRankSums[g] / 2;
        const double U_g = R_g - n_g * (n_g + 1) / 2;
        const auto column = static_cast<std::size_t>(g);
        stats(1, column) = n_g;
        stats(2, column) = R_g / n_g;
        stats(3, column) = U_g;

        // The group with the smaller rank sum gives z; on equal sums group 2 writes last.
        if (doubledRankSums[g] <= doubledRankSums[h]) {
            const double varianceU = (n_g * n_h / N) / (N - 1) * tieCorrectedSpread;
            WriteNormalTest(out, (U_g - n_g * n_h / 2) / std::sqrt(varianceU));
        }
    }
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkUTest(HostArray** options, HostArray** data,
                                                        HostArray** groupCodes, HostArray** groupStats,
                                                        HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::UTest(options, data, groupCodes, groupStats, results); });
}
