// McNemar's test of change between two dichotomous measurements of the same cases
// (McNemar 1947), with Cohen's kappa (Cohen 1960) for their agreement.
//
// The pairs are tabulated into a 2 × 2 table with margins:
//
//                     second = 0   second = 1
//       first = 0         a            b
//       first = 1         c            d
//
// Only the discordant pairs b and c carry evidence of change:
// χ² = max(0, |b − c| − 1)²/(b + c) with Yates' continuity correction below 30
// discordant pairs, (b − c)²/(b + c) from 30 on, on 1 degree of freedom. The
// correction never exceeds the difference it corrects, so balanced pairs (b = c)
// give χ² = 0 and probability 1, as does a table without discordant pairs.
#include <cmath>

#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"

namespace sheetstat {
namespace {

// Below this many discordant pairs the continuity correction is applied.
constexpr double kUncorrectedFromDiscordant = 30;

double McNemarChiSquare(double b, double c)
{
    const double discordant = b + c;
    if (discordant == 0) return 0;
    if (discordant < kUncorrectedFromDiscordant) {
        const double corrected = std::fmax(std::fabs(b - c) - 1, 0.0);
        return corrected * corrected / discordant;
    }
    return (b - c) * (b - c) / discordant;
}

// Cohen's kappa, (p_o − p_e)/(1 − p_e), in counts: 2(ad − bc) over the sum of the
// products of the margins. When every case falls into one concordant cell both
// measurements are constant, p_e = 1 and kappa is undefined (MissingValue).
double CohensKappa(double a, double b, double c, double d)
{
    const double marginProducts = (a + b) * (b + d) + (a + c) * (c + d);
    if (marginProducts == 0) return kMissingValue;
    return 2 * (a * d - b * c) / marginProducts;
}

void McNemar(HostArray** data, HostArray** table, HostArray** results)
{
    const RealMatrixView cases(data), counts(table);
    const RealArrayView out(results);
    Require(cases.cols() >= 2 && counts.rows() == 3 && counts.cols() == 3 && out.count() >= 4);

    for (std::size_t i = 1; i <= 3; ++i) {
        for (std::size_t j = 1; j <= 3; ++j) counts(i, j) = 0;
    }
    const double* first = cases.column(1);
    const double* second = cases.column(2);
    double N = 0;
    for (std::size_t row = 0; row < cases.rows(); ++row) {
        if (IsMissing(first[row]) || IsMissing(second[row])) continue;
        const std::size_t i = ClassIndex(first[row], 2) + 1;
        const std::size_t j = ClassIndex(second[row], 2) + 1;
        counts(i, j) += 1;
        counts(i, 3) += 1;
        counts(3, j) += 1;
        N += 1;
    }
    counts(3, 3) = N;
    Require(N > 0, Status::InsufficientData);

    const double a = counts(1, 1), b = counts(1, 2), c = counts(2, 1), d = counts(2, 2);
    const double chiSquare = McNemarChiSquare(b, c);
    out[1] = chiSquare;
    out[2] = 1.0;
    out[3] = ClampProbability(ChiSquareProb(chiSquare, 1.0));  // IncGammaQ(1/2, χ²/2); exactly 1 at χ² = 0
    out[4] = CohensKappa(a, b, c, d);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkMcNemar(HostArray** data, HostArray** table, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::McNemar(data, table, results); });
}
