// Wilcoxon signed-rank test for two paired samples: the non-zero differences are
// ranked by absolute size (mid-ranks for ties) and the ranks summed by the sign of the
// difference. The smaller sum W is referred to its normal approximation
// z = (W − n(n + 1)/4) / √(n(n + 1)(2n + 1)/24), without continuity correction and
// without the tie correction of the variance (Wilcoxon 1945). Pairs with equal values
// are counted but left out of the ranking.
#include <cmath>

#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/mid_ranks.hpp"

namespace sheetstat {
namespace {

// Side of a pair with x ≠ y, the class of its rank.
constexpr int32_t kFirstSmaller = 0;  // x < y
constexpr int32_t kFirstLarger = 1;   // x > y

void Wilcoxon(HostArray** data, HostArray** results)
{
    RealMatrixView pairs(data);
    RealArrayView out(results);
    Require(pairs.cols() == 2 && out.count() >= 8);

    // A first pass counts the complete pairs by their sign, so that a sample without
    // a non-zero difference is known before anything is stored.
    std::size_t n = 0, firstSmallerCount = 0, equalCount = 0;
    const auto forEachPair = [&pairs](auto visit) {
        for (std::size_t row = 1; row <= pairs.rows(); ++row) {
            const double x = pairs(row, 1);
            const double y = pairs(row, 2);
            if (IsMissing(x) || IsMissing(y)) continue;
            RequireFinite(x);
            RequireFinite(y);
            visit(x, y);
        }
    };
    forEachPair([&](double x, double y) {
        if (x == y) {
            ++equalCount;
        } else {
            ++n;
            if (x < y) ++firstSmallerCount;
        }
    });
    Require(n > 0, Status::InsufficientData);

    // The pairs with x ≠ y: |x − y| and the side of the difference, at 1..n.
    RealVector absDifference(1, n);
    IntVector side(1, n);
    std::ptrdiff_t i = 0;
    forEachPair([&](double x, double y) {
        if (x == y) return;
        ++i;
        absDifference[i] = std::fabs(x - y);
        side[i] = x > y ? kFirstLarger : kFirstSmaller;
    });

    RealVector doubledRankSums(kFirstSmaller, 2);
    SumDoubledRanksByClass(n, absDifference.data(), side.data(), doubledRankSums);
    const double rankSumFirstSmaller = doubledRankSums[kFirstSmaller] / 2;
    const double rankSumFirstLarger = doubledRankSums[kFirstLarger] / 2;

    // W is the smaller rank sum (the x > y sum on a tie), so z ≤ 0 and P is the lower tail.
    const double W = rankSumFirstSmaller < rankSumFirstLarger ? rankSumFirstSmaller : rankSumFirstLarger;
    const auto N = static_cast<double>(n);
    const double z = (W - N * (N + 1) / 4) / std::sqrt(N * (N + 1) * (2 * N + 1) / 24);
    const double P = NormalTailProb(z);

    out[1] = static_cast<double>(firstSmallerCount);
    out[2] = static_cast<double>(n - firstSmallerCount);
    out[3] = static_cast<double>(equalCount);
    out[4] = rankSumFirstSmaller;
    out[5] = rankSumFirstLarger;
    out[6] = z;
    out[7] = ClampProbability(P);
    out[8] = ClampProbability(2 * P);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkWilcoxon(HostArray** data, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::Wilcoxon(data, results); });
}
