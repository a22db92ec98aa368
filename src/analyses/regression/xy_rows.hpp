// The (X, Y) rows of the curve-fitting exports (simple and polynomial regression):
// reading them (every value checked, the usable rows listed with the range of their
// X) and, after the fit, writing the predictions for the PredictMarker rows and the
// residuals of every row, then moving the usable rows to the top of both columns.
#pragma once

#include <cmath>
#include <cstddef>

#include "analyses/regression/complete_rows.hpp"
#include "analyses/regression/predictions_list.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"

namespace sheetstat {

// The range of the usable X, and their largest magnitude.
struct XRange {
    double min = 0, max = 0, maxAbs = 0;
};

// Lists the usable rows of x[0..n−1], y[0..n−1] (X present, Y present and not a
// prediction request) into `usable` and their range into `range`, raising status 8 for
// a value that is not a finite number; checkRow(r) runs first for every row (for
// further columns the caller reads). Returns the number of PredictMarker cells in Y.
template <class CheckRow>
std::size_t ReadXYRows(const double* x, const double* y, std::size_t n, CompleteRows& usable, XRange& range,
                       CheckRow&& checkRow)
{
    std::size_t markers = 0;
    for (std::size_t r = 0; r < n; ++r) {
        checkRow(r);
        const double xr = x[r], yr = y[r];
        if (!IsMissing(xr)) RequireFinite(xr);
        if (IsPredictMarker(yr)) {
            ++markers;
            continue;
        }
        if (IsMissing(yr)) continue;
        RequireFinite(yr);
        if (IsMissing(xr)) continue;
        usable.Append(r);
        if (usable.count() == 1 || xr < range.min) range.min = xr;
        if (usable.count() == 1 || xr > range.max) range.max = xr;
        range.maxAbs = std::fmax(range.maxAbs, std::fabs(xr));
    }
    return markers;
}

// The outputs that follow a fit, with predict(x) the fitted value at x (MissingValue
// where it has none): with predictions wanted, the list of predictions, each request
// in Y then becoming MissingValue; with residuals wanted, Y − ŷ(X) for every row with
// both present (MissingValue for the others); last, the usable rows moved to the top
// of X and Y.
template <class Predict>
void WriteXYFitOutputs(double* x, double* y, std::size_t n, const CompleteRows& usable,
                       const RealMatrixView* predictions, const RealMatrixView* residuals, Predict&& predict)
{
    if (predictions != nullptr) {
        WritePredictions(*predictions, y, n, [&](std::size_t r) {
            y[r] = kMissingValue;
            return IsMissing(x[r]) ? kMissingValue : predict(x[r]);
        });
    }
    if (residuals != nullptr) {
        for (std::size_t r = 0; r < n; ++r) {
            double residual = kMissingValue;
            if (!IsMissing(x[r]) && !IsMissing(y[r]) && !IsPredictMarker(y[r])) {
                const double fitted = predict(x[r]);
                if (!IsMissing(fitted)) residual = y[r] - fitted;
            }
            (*residuals)(r + 1, 1) = residual;
        }
    }
    usable.Compact(x);
    usable.Compact(y);
}

}  // namespace sheetstat
