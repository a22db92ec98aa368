// First-order partial correlation of every variable A_i of a list A with every
// variable B_j of a list B, the control variable Z held constant:
//   r_AB·Z = (r_AB − r_AZ·r_BZ) / sqrt((1 − r_AZ²)(1 − r_BZ²)),
// all three correlations over the same cases, those where A_i, B_j and Z are all
// present (so the result is the correlation of the residuals of A_i and B_j on Z, and
// lies in [−1, 1]). When A_i or B_j is a linear function of Z the denominator is 0 and
// the numerator is reported undivided. The test of zero partial correlation uses t on
// n − 3 degrees of freedom, n the cases used, reported one-tailed.
//
// A column that is present wherever the control is has its correlation with the
// control computed once; the pairs of two such columns use the cached values (the
// cases are the same, so the values are those the pair would compute).
#include <cmath>

#include "analyses/regression/correlate_pair.hpp"
#include "analyses/regression/correlation_matrix.hpp"
#include "frame/export_frame.hpp"

namespace sheetstat {
namespace {

// The correlation of one column with the control over the cases where the control is
// present, for a column present wherever the control is (`complete`).
struct ControlCorrelation {
    bool complete = false;
    double r = 0;
};

ControlCorrelation CorrelateWithControl(const double* column, const double* control, std::size_t cases)
{
    ControlCorrelation c;
    for (std::size_t k = 0; k < cases; ++k) {
        if (!IsMissing(control[k]) && IsMissing(column[k])) return c;
    }
    c.complete = true;
    c.r = CorrelateRows(cases, column, control, [control](std::size_t k) { return !IsMissing(control[k]); }).r;
    return c;
}

double PartialCorrelation(double rab, double raz, double rbz)
{
    const double numerator = rab - raz * rbz;
    const double denominator = std::sqrt((1 - raz) * (1 + raz) * (1 - rbz) * (1 + rbz));
    const double r = denominator > 0 ? numerator / denominator : numerator;
    return std::fmax(-1.0, std::fmin(1.0, r));
}

void Partial(HostArray** idsA, HostArray** idsB, HostArray** dataA, HostArray** dataB, HostArray** controlArg,
             HostArray** counts, HostArray** correlations, HostArray** probabilities)
{
    const RealArrayView control(controlArg);
    const CorrelationLists lists(idsA, idsB, dataA, dataB, counts, correlations, probabilities, control.count());
    lists.RequireNumbers();
    const std::size_t cases = lists.cases();
    const double* z = control.data();
    for (std::size_t k = 0; k < cases; ++k) {
        if (!IsMissing(z[k])) RequireFinite(z[k]);
    }
    lists.RequireVariables();

    OffsetVector<ControlCorrelation> withControlA(1, lists.sizeA()), withControlB(1, lists.sizeB());
    for (std::size_t i = 1; i <= lists.sizeA(); ++i) {
        withControlA[static_cast<std::ptrdiff_t>(i)] = CorrelateWithControl(lists.columnA(i), z, cases);
    }
    for (std::size_t j = 1; j <= lists.sizeB(); ++j) {
        withControlB[static_cast<std::ptrdiff_t>(j)] = CorrelateWithControl(lists.columnB(j), z, cases);
    }

    lists.FillCells([&](std::size_t i, std::size_t j) {
        const double* a = lists.columnA(i);
        const double* b = lists.columnB(j);
        const ControlCorrelation& az = withControlA[static_cast<std::ptrdiff_t>(i)];
        const ControlCorrelation& bz = withControlB[static_cast<std::ptrdiff_t>(j)];
        PairCorrelation ab;
        double raz = az.r, rbz = bz.r;
        if (az.complete && bz.complete) {
            ab = CorrelateRows(cases, b, a, [z](std::size_t k) { return !IsMissing(z[k]); });
        } else {
            const auto allPresent = [a, b, z](std::size_t k) {
                return !IsMissing(a[k]) && !IsMissing(b[k]) && !IsMissing(z[k]);
            };
            ab = CorrelateRows(cases, b, a, allPresent);
            raz = CorrelateRows(cases, a, z, allPresent).r;
            rbz = CorrelateRows(cases, b, z, allPresent).r;
        }
        const double r = PartialCorrelation(ab.r, raz, rbz);
        const auto n = static_cast<double>(ab.count);
        return CorrelationCell{n, r, OneTailed(CorrelationProbability(r, n - 3))};
    });
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkPartial(HostArray** idsA, HostArray** idsB, HostArray** dataA,
                                                          HostArray** dataB, HostArray** control, HostArray** counts,
                                                          HostArray** correlations, HostArray** probabilities)
{
    return sheetstat::RunExport(
        [&] { sheetstat::Partial(idsA, idsB, dataA, dataB, control, counts, correlations, probabilities); });
}
