// Spearman's rank correlation of every variable of a list A with every variable of a
// list B, each pair over the cases where both are present. Each variable's values are
// replaced by their mid-ranks (ties share the mean of the ranks they occupy) and, with
// D = Σ(rank of A − rank of B)², Q = n³ − n and the tie sums T_A = Σ(t³ − t) over the
// tie groups of A (T_B likewise),
//   ρ = (1 − 6/Q·(D + (T_A + T_B)/12)) / sqrt((1 − T_A/Q)(1 − T_B/Q)),
// which is Pearson's r of the mid-ranks (Kendall, Rank Correlation Methods, ch. 3).
// It is tested by t = ρ·sqrt((n − 2)/(1 − ρ²)) on n − 2 degrees of freedom, reported
// one-tailed. Ranks are doubled (whole numbers) while they are formed.
#include <cmath>

#include "analyses/regression/correlate_pair.hpp"
#include "analyses/regression/correlation_matrix.hpp"
#include "frame/export_frame.hpp"
#include "numeric/merge_sort.hpp"
#include "numeric/running_moments.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kMinimumCases = 3;  // t has n − 2 degrees of freedom

// Rho of the n pairs (reordered), with ranks[0..n−1] and buffer[0..n−1] as scratch.
CorrelationCell SpearmanCell(std::size_t n, ValuePair* pairs, ValuePair* buffer, double* ranks)
{
    if (n < kMinimumCases) return TooFewCases(n);
    // Sorted by A: doubled mid-ranks of A, which then travel with the B values.
    SortPairsByFirst(n, pairs, buffer);
    if (pairs[0].first == pairs[n - 1].first) return ConstantVariable(n);
    for (std::size_t k = 0; k < n; ++k) ranks[k] = pairs[k].first;
    const double tiesA = RankWithTies(n, ranks);
    for (std::size_t k = 0; k < n; ++k) pairs[k] = {pairs[k].second, ranks[k]};
    // Sorted by B: doubled mid-ranks of B beside those of A.
    SortPairsByFirst(n, pairs, buffer);
    if (pairs[0].first == pairs[n - 1].first) return ConstantVariable(n);
    for (std::size_t k = 0; k < n; ++k) ranks[k] = pairs[k].first;
    const double tiesB = RankWithTies(n, ranks);

    CompensatedSum squaredDifferences;
    for (std::size_t k = 0; k < n; ++k) {
        const double difference = (ranks[k] - pairs[k].second) / 2;
        squaredDifferences.Add(difference * difference);
    }
    const auto nn = static_cast<double>(n);
    const double q = nn * nn * nn - nn;
    const double f = (1 - tiesA / q) * (1 - tiesB / q);
    if (!(f > 0)) return ConstantVariable(n);
    const double rho = (1 - 6 / q * (squaredDifferences.Value() + (tiesA + tiesB) / 12)) / std::sqrt(f);
    // Monotone tied data can put rho an ulp beyond ±1.
    const double clamped = std::fmax(-1.0, std::fmin(1.0, rho));
    return {nn, clamped, OneTailed(CorrelationProbability(clamped, nn - 2))};
}

void Spearman(HostArray** idsA, HostArray** idsB, HostArray** dataA, HostArray** dataB, HostArray** counts,
              HostArray** coefficients, HostArray** probabilities)
{
    const CorrelationLists lists(idsA, idsB, dataA, dataB, counts, coefficients, probabilities);
    lists.RequireNumbers();
    lists.RequireVariables();
    OffsetVector<ValuePair> pairs(0, lists.cases()), buffer(0, lists.cases());
    RealVector ranks(0, lists.cases());
    lists.FillCells([&](std::size_t i, std::size_t j) {
        if (lists.idA(i) == lists.idB(j)) return VariableWithItself(lists, j);
        const std::size_t n = lists.CompletePairs(i, j, pairs.data());
        return SpearmanCell(n, pairs.data(), buffer.data(), ranks.data());
    });
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkSpearman(HostArray** idsA, HostArray** idsB, HostArray** dataA,
                                                           HostArray** dataB, HostArray** counts,
                                                           HostArray** coefficients, HostArray** probabilities)
{
    return sheetstat::RunExport(
        [&] { sheetstat::Spearman(idsA, idsB, dataA, dataB, counts, coefficients, probabilities); });
}
