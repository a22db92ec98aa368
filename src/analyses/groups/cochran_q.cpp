// Cochran's Q test of k dichotomous treatments measured on the same subjects
// (Cochran 1950). With x_ij the response (0 or 1) of subject i to treatment j,
// L_i = Σ_j x_ij the subject totals and G_j = Σ_i x_ij the treatment totals over the
// complete subjects,
//   Q = (k − 1)(k Σ_j G_j² − (Σ_j G_j)²) / (k Σ_i L_i − Σ_i L_i²),
// referred to chi-square on k − 1 degrees of freedom. Q = 0 when every subject
// answers all treatments alike (the denominator is 0). Cells are truncated to integers
// and used as they are; with responses other than 0 and 1 the denominator can turn
// negative, and a Q ≤ 0 has probability 1.

#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"

namespace sheetstat {
namespace {

void QTest(HostArray** data, HostArray** results)
{
    const RealMatrixView subjects(data);
    const RealArrayView out(results);
    Require(out.count() >= 3);
    const std::size_t k = subjects.cols();
    // No rows hold no cell, however many columns the descriptor announces: nothing to
    // check, and nothing may be sized by that count.
    Require(k >= 2 && subjects.rows() > 0, Status::InsufficientData);

    // Treatment totals G_j; the sums of L_i and L_i² over complete subjects. The
    // totals of 32-bit responses stay exact in doubles up to 2^53.
    RealVector treatmentTotal(1, k);
    treatmentTotal.Fill(0.0);
    double sumL = 0, sumLSquared = 0;
    std::size_t n = 0;
    for (std::size_t row = 1; row <= subjects.rows(); ++row) {
        // Every cell present must be a number that truncates to a 32-bit integer.
        bool complete = true;
        for (std::size_t j = 1; j <= k; ++j) {
            const double x = subjects(row, j);
            if (IsMissing(x)) {
                complete = false;
            } else {
                TruncateCode(x);
            }
        }
        if (!complete) continue;
        double L = 0;
        for (std::size_t j = 1; j <= k; ++j) {
            const double x = TruncateCode(subjects(row, j));
            treatmentTotal[static_cast<std::ptrdiff_t>(j)] += x;
            L += x;
        }
        sumL += L;
        sumLSquared += L * L;
        ++n;
    }
    Require(n >= 2, Status::InsufficientData);

    const auto treatments = static_cast<double>(k);
    double sumG = 0, sumGSquared = 0;
    for (std::size_t j = 1; j <= k; ++j) {
        const double G = treatmentTotal[static_cast<std::ptrdiff_t>(j)];
        sumG += G;
        sumGSquared += G * G;
    }
    const double denominator = treatments * sumL - sumLSquared;
    const double Q = denominator == 0 ? 0 : (treatments - 1) * (treatments * sumGSquared - sumG * sumG) / denominator;
    const double df = treatments - 1;
    out[1] = Q;
    out[2] = df;
    out[3] = Q > 0 ? ClampProbability(ChiSquareProb(Q, df)) : 1.0;
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkQTest(HostArray** data, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::QTest(data, results); });
}
