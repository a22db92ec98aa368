// Friedman's test of k treatments measured in each of n blocks (Friedman 1937). The
// values of each block are ranked among themselves, tied values sharing their
// mid-rank, and with R_j the rank sum of treatment j
//   χ² = 12/(n k (k + 1)) · Σ_j (R_j − n(k + 1)/2)²,
// referred to chi-square on k − 1 degrees of freedom, without a correction for ties.
// The deviations are formed from doubled rank sums, which are whole numbers, instead
// of cancelling 12/(nk(k + 1))·Σ R_j² against 3n(k + 1). Blocks with an empty cell are
// left out.
#include <cstdint>

#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {
namespace {

void Friedman(HostArray** data, HostArray** groupStats, HostArray** results)
{
    const RealMatrixView blocks(data), stats(groupStats);
    const RealArrayView out(results);
    Require(stats.rows() >= 2 && out.count() >= 3 && blocks.cols() == stats.cols());
    const std::size_t k = blocks.cols();
    Require(k >= 2, Status::InsufficientData);
    Require(k <= static_cast<std::size_t>(INT32_MAX));  // treatment numbers are 32-bit

    // One block's values at 0..k−1 with their treatment numbers; the doubled rank sums
    // of the treatments at 0..k−1.
    RealVector ranks(0, k);
    IntVector treatmentOf(0, k);
    RealVector doubledRankSums(0, k);
    doubledRankSums.Fill(0.0);
    std::size_t n = 0;
    for (std::size_t row = 1; row <= blocks.rows(); ++row) {
        bool complete = true;
        for (std::size_t j = 1; j <= k; ++j) {
            const double x = blocks(row, j);
            const auto at = static_cast<std::ptrdiff_t>(j - 1);
            if (IsMissing(x)) {
                complete = false;
                continue;
            }
            RequireFinite(x);
            ranks[at] = x;
            treatmentOf[at] = static_cast<int32_t>(j - 1);
        }
        if (!complete) continue;
        SortRealsWithInts(k, ranks.data(), treatmentOf.data());
        RankWithTies(k, ranks.data());
        for (std::size_t i = 0; i < k; ++i) {
            const auto at = static_cast<std::ptrdiff_t>(i);
            doubledRankSums[treatmentOf[at]] += ranks[at];
        }
        ++n;
    }
    Require(n >= 2, Status::InsufficientData);

    // Σ_j (R_j − n(k + 1)/2)² = Σ_j (D_j − n(k + 1))²/4, D_j the doubled rank sum.
    const auto blockCount = static_cast<double>(n);
    const auto treatments = static_cast<double>(k);
    double spread = 0;
    for (std::size_t j = 1; j <= k; ++j) {
        const double doubledSum = doubledRankSums[static_cast<std::ptrdiff_t>(j - 1)];
        const double deviation = doubledSum - blockCount * (treatments + 1);
        spread += deviation * deviation / 4;
        stats(1, j) = blockCount;
        stats(2, j) = doubledSum / 2 / blockCount;
    }
    const double chiSquare = 12 / (blockCount * treatments * (treatments + 1)) * spread;
    const double df = treatments - 1;
    out[1] = chiSquare;
    out[2] = df;
    out[3] = ClampProbability(ChiSquareProb(chiSquare, df));
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkFriedman(HostArray** data, HostArray** groupStats,
                                                           HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::Friedman(data, groupStats, results); });
}
