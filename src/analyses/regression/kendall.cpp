// Kendall's tau of every variable of a list A with every variable of a list B, each
// pair over the cases where both are present. Over the n(n − 1)/2 pairs of cases,
// S = concordant − discordant pairs, N_A = pairs not tied in A, N_B = pairs not tied
// in B, and
//   τ = S / (sqrt(N_A)·sqrt(N_B))   (tau-b; Kendall, Rank Correlation Methods, ch. 3),
// tested by z = |τ| / sqrt((4n + 10)/(9n(n − 1))), the variance of tau without ties,
// two-tailed probability erfc(z/1.4142136), reported one-tailed. The pair counts are
// exact 64-bit integers from Knight's O(n log n) algorithm (CountConcordance), which
// compares values and never forms their differences or products.
#include <cmath>

#include "analyses/regression/correlation_matrix.hpp"
#include "frame/export_frame.hpp"
#include "numeric/inversions.hpp"
#include "numeric/math_functions.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kMinimumCases = 2;  // one pair of cases

// Tau of the n pairs (reordered), with buffer[0..n−1] as scratch.
CorrelationCell KendallCell(std::size_t n, ValuePair* pairs, ValuePair* buffer)
{
    if (n < kMinimumCases) return TooFewCases(n);
    const PairConcordance counts = CountConcordance(n, pairs, buffer);
    const auto untiedA = static_cast<double>(counts.pairs - counts.tiedFirst);
    const auto untiedB = static_cast<double>(counts.pairs - counts.tiedSecond);
    if (untiedA == 0 || untiedB == 0) return ConstantVariable(n);
    const auto s = static_cast<double>(static_cast<int64_t>(counts.Concordant()) -
                                       static_cast<int64_t>(counts.discordant));
    // With no ties S = N_A = N_B, and sqrt(N)² may exceed N by an ulp.
    const double tau = std::fmax(-1.0, std::fmin(1.0, s / (std::sqrt(untiedA) * std::sqrt(untiedB))));
    const auto nn = static_cast<double>(n);
    const double variance = (4 * nn + 10) / (9 * nn * (nn - 1));
    const double z = std::fabs(tau) / std::sqrt(variance);
    return {nn, tau, OneTailed(Erfc(z / 1.4142136))};
}

void Kendall(HostArray** idsA, HostArray** idsB, HostArray** dataA, HostArray** dataB, HostArray** counts,
             HostArray** coefficients, HostArray** probabilities)
{
    const CorrelationLists lists(idsA, idsB, dataA, dataB, counts, coefficients, probabilities);
    lists.RequireNumbers();
    lists.RequireVariables();
    OffsetVector<ValuePair> pairs(0, lists.cases()), buffer(0, lists.cases());
    lists.FillCells([&](std::size_t i, std::size_t j) {
        if (lists.idA(i) == lists.idB(j)) return VariableWithItself(lists, j);
        const std::size_t n = lists.CompletePairs(i, j, pairs.data());
        return KendallCell(n, pairs.data(), buffer.data());
    });
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkKendall(HostArray** idsA, HostArray** idsB, HostArray** dataA,
                                                          HostArray** dataB, HostArray** counts,
                                                          HostArray** coefficients, HostArray** probabilities)
{
    return sheetstat::RunExport(
        [&] { sheetstat::Kendall(idsA, idsB, dataA, dataB, counts, coefficients, probabilities); });
}
