// The series of a cumulative-frequency (normal probability) plot of one sample.
//
// The n valid values move, in input order, to the top of column 1 and are sorted
// there. For the i-th smallest value x(i), with mean x̄ and standard deviation s of
// the sample and z(i) = (x(i) − x̄)/s:
//   column 2: the empirical cumulative percentage (i − 0.5)·100/n (Hazen's plotting
//             position);
//   column 3: the percentage expected under the fitted normal, 100·Φ(z(i));
//   column 4: the probit of the empirical proportion, Φ⁻¹((i − 0.5)/n) + 5;
//   column 5: z(i) + 5.
// The values are checked and counted before column 1 is rewritten, so a call that
// fails (too few values, equal values, a value that is not finite) changes nothing.
#include <cstddef>

#include "analyses/quality/moments_in_units.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/distributions.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kTableColumns = 5;
// Probits are normal quantiles shifted by 5, so that ordinary ones are positive.
constexpr double kProbitShift = 5;

void Cumulative(HostArray** plotTable, HostArray** results)
{
    const RealMatrixView table(plotTable);
    const RealArrayView out(results);
    Require(table.cols() >= kTableColumns && out.count() >= 1);
    double* x = table.column(1);
    const std::size_t rows = table.rows();

    std::size_t n = 0;
    double low = 0, high = 0;
    for (std::size_t r = 0; r < rows; ++r) {
        if (IsMissing(x[r])) continue;
        RequireFinite(x[r]);
        if (n == 0 || x[r] < low) low = x[r];
        if (n == 0 || x[r] > high) high = x[r];
        ++n;
    }
    // Equal values have no spread to standardise by.
    Require(n >= 2 && low != high, Status::InsufficientData);

    std::size_t kept = 0;
    for (std::size_t r = 0; r < rows; ++r) {
        if (!IsMissing(x[r])) x[kept++] = x[r];
    }
    const UnitMoments moments = MomentsInUnits(SpreadUnits::Spanning(low, high), [x, n](auto&& visit) {
        for (std::size_t i = 0; i < n; ++i) visit(x[i]);
    });
    const double mean = moments.Mean(), s = moments.StandardDeviation();
    SortReals(n, x);

    const double count = static_cast<double>(n);
    for (std::size_t i = 1; i <= n; ++i) {
        const double rank = static_cast<double>(i) - 0.5;
        const double z = (table(i, 1) - mean) / s;
        table(i, 2) = rank * 100 / count;
        table(i, 3) = NormalCdf(z) * 100;
        table(i, 4) = NormalQuantile(rank / count) + kProbitShift;
        table(i, 5) = z + kProbitShift;
    }
    out[1] = count;
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkCumulative(HostArray** plotTable, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::Cumulative(plotTable, results); });
}
