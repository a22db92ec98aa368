// Pearson's product-moment correlation of every variable of a list A with every
// variable of a list B, each pair over the cases where both are present (pairwise
// deletion), with the t test of zero correlation on n − 2 degrees of freedom reported
// one-tailed (CorrelatePair, CorrelationProbability).
//
// When both lists are the same list (the same identifiers in the same order), the
// list taken as a scale also gets its reliability: Cronbach's alpha,
//   α = k/(k − 1) · (W − V)/W,
// and the weighted mean inter-item correlation (W − V)/D, where V = Σ v_j is the sum
// of the k item variances (each over the item's present cells), W the variance of the
// total score over the complete cases and D = Σ_{j≠l} s_j s_l the sum of the products
// of the item standard deviations (Cronbach 1951). W − V is the sum of the inter-item
// covariances.
#include <cmath>

#include "analyses/regression/correlate_pair.hpp"
#include "analyses/regression/correlation_matrix.hpp"
#include "frame/export_frame.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

// Both lists are one list of at least two items with at least two cases.
bool IsOneScale(const CorrelationLists& lists)
{
    if (lists.sizeA() != lists.sizeB() || lists.sizeB() < 2 || lists.cases() < 2) return false;
    for (std::size_t k = 1; k <= lists.sizeB(); ++k) {
        if (lists.idA(k) != lists.idB(k)) return false;
    }
    return true;
}

// Sample variance of the present cells of one item; 0 with fewer than two.
double ItemVariance(const double* item, std::size_t cases)
{
    const RunningMoments m = TwoPassMoments([&](auto visit) {
        for (std::size_t k = 0; k < cases; ++k) {
            if (!IsMissing(item[k])) visit(item[k]);
        }
    });
    return m.count < 2 ? 0.0 : m.SampleVariance();
}

// Cronbach's alpha into slot 1 and the weighted mean inter-item correlation into slot 2
// of `results`, the items being the columns of list B; a slot that cannot be computed
// keeps MissingValue.
void WriteReliability(const CorrelationLists& lists, const RealArrayView& results)
{
    const std::size_t items = lists.sizeB(), cases = lists.cases();
    double sumVariances = 0, sumDeviations = 0, crossProducts = 0;
    for (std::size_t j = 1; j <= items; ++j) {
        const double variance = ItemVariance(lists.columnB(j), cases);
        const double deviation = std::sqrt(variance);
        // Σ_{l<j} s_l s_j, exactly 0 when at most one item varies.
        crossProducts += deviation * sumDeviations;
        sumDeviations += deviation;
        sumVariances += variance;
    }

    // The total score of every case whose items are all present.
    const RunningMoments totals = TwoPassMoments([&](auto visit) {
        for (std::size_t k = 0; k < cases; ++k) {
            double total = 0;
            bool complete = true;
            for (std::size_t j = 1; j <= items && complete; ++j) {
                const double x = lists.columnB(j)[k];
                complete = !IsMissing(x);
                total += x;
            }
            if (complete) visit(total);
        }
    });
    if (totals.count < 2) return;
    const double totalVariance = totals.SampleVariance();
    const double covariances = totalVariance - sumVariances;
    const auto k = static_cast<double>(items);
    if (totalVariance != 0) results[1] = k / (k - 1) * covariances / totalVariance;
    if (crossProducts != 0) results[2] = covariances / (2 * crossProducts);
}

void Pearson(HostArray** idsA, HostArray** idsB, HostArray** dataA, HostArray** dataB, HostArray** counts,
             HostArray** correlations, HostArray** probabilities, HostArray** results)
{
    const RealArrayView reliability(results);
    const CorrelationLists lists(idsA, idsB, dataA, dataB, counts, correlations, probabilities);
    Require(reliability.count() >= 2);
    lists.RequireNumbers();
    reliability[1] = kMissingValue;
    reliability[2] = kMissingValue;
    lists.RequireVariables();

    lists.FillCells([&](std::size_t i, std::size_t j) {
        const PairCorrelation pair = CorrelatePair(lists.cases(), lists.columnB(j), lists.columnA(i));
        const auto n = static_cast<double>(pair.count);
        return CorrelationCell{n, pair.r, OneTailed(CorrelationProbability(pair.r, n - 2))};
    });
    if (IsOneScale(lists)) WriteReliability(lists, reliability);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkPearson(HostArray** idsA, HostArray** idsB, HostArray** dataA,
                                                          HostArray** dataB, HostArray** counts,
                                                          HostArray** correlations, HostArray** probabilities,
                                                          HostArray** results)
{
    return sheetstat::RunExport(
        [&] { sheetstat::Pearson(idsA, idsB, dataA, dataB, counts, correlations, probabilities, results); });
}
