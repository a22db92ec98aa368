// The cut of a cluster tree into k clusters: the first N − k merges of the pairs list
// of the cluster analysis are replayed, and the remaining clusters are numbered 1..k
// in ascending order of their smallest object.
#include <cstddef>

#include "analyses/multivariate/agglomeration.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"

namespace sheetstat {
namespace {

void Separate(HostArray** options, HostArray** pairs, HostArray** membership)
{
    const RealArrayView opts(options), out(membership);
    const RealMatrixView merged(pairs);
    Require(opts.count() >= 1);
    const std::size_t n = merged.rows();
    Require(merged.cols() >= 2 && out.count() >= n);
    const int32_t k = TruncateCode(opts[1]);
    Require(k >= 1 && static_cast<std::size_t>(k) <= n);

    // Each replayed pair joins two distinct clusters by their representatives, as the
    // cluster analysis recorded them; anything else is not such a list.
    ClusterChains chains(n);
    for (std::size_t s = 1; s <= n - static_cast<std::size_t>(k); ++s) {
        const std::size_t a = ClassIndex(merged(s, 1), n);
        const std::size_t b = ClassIndex(merged(s, 2), n);
        Require(a != b && chains.size(a) > 0 && chains.size(b) > 0);
        chains.Join(a, b);
    }

    double number = 0;
    for (std::size_t representative = 0; representative < n; ++representative) {
        if (chains.size(representative) == 0) continue;
        number += 1;
        for (std::size_t m = representative; m != ClusterChains::kEnd; m = chains.next(m)) out[m + 1] = number;
    }
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkSeparate(HostArray** options, HostArray** pairs,
                                                           HostArray** membership)
{
    return sheetstat::RunExport([&] { sheetstat::Separate(options, pairs, membership); });
}
