// The cross-correlation function of two series X_t and Y_t, t = 1..n: for every lag
// k = −L..L the Pearson correlation of X_t with Y_(t−k) over the overlapping time
// points where both are present (CorrelatePair): at lag −k, X_t with Y_(t+k), and at
// lag +k, X_(t+k) with Y_t, t = 1..n − k. Lags of n or more have no overlapping points
// and get correlation 0.
#include "analyses/regression/correlate_pair.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"

namespace sheetstat {
namespace {

// r of the n − k pairs (x[t + xShift], y[t + yShift]), t = 0..n − k − 1, where one
// shift is 0 and the other k; 0 when k ≥ n, without forming an address past the data.
double ShiftedCorrelation(std::size_t n, const double* x, std::size_t xShift, const double* y, std::size_t yShift)
{
    const std::size_t k = xShift + yShift;
    if (k >= n) return 0;
    return CorrelatePair(n - k, x + xShift, y + yShift).r;
}

void CrossCorrelation(HostArray** options, HostArray** data, HostArray** result)
{
    const RealArrayView opts(options);  // present for the interface; its values are not read
    const RealMatrixView series(data), lags(result);
    Require(opts.count() >= 1 && series.cols() >= 2 && lags.cols() >= 2);
    // One row per lag −L..L: an odd number of rows.
    Require(lags.rows() % 2 == 1);
    const std::size_t maxLag = lags.rows() / 2, n = series.rows();
    const double* x = series.column(1);
    const double* y = series.column(2);
    for (std::size_t k = 0; k <= maxLag; ++k) {
        const auto lag = static_cast<double>(k);
        // Lag 0 comes first and reads every cell, so a bad cell stops the call before
        // any row is written.
        const double negativeLag = ShiftedCorrelation(n, x, 0, y, k);
        lags(maxLag + 1 - k, 1) = 0 - lag;
        lags(maxLag + 1 - k, 2) = negativeLag;
        if (k == 0) continue;
        lags(maxLag + 1 + k, 1) = lag;
        lags(maxLag + 1 + k, 2) = ShiftedCorrelation(n, x, k, y, 0);
    }
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkCrossCorrel(HostArray** options, HostArray** data,
                                                              HostArray** result)
{
    return sheetstat::RunExport([&] { sheetstat::CrossCorrelation(options, data, result); });
}
