// The list of predictions that the regression exports write for the rows whose
// dependent-variable cell holds PredictMarker: one line per such row, in row order,
// with the 1-based row number in column 1 and the prediction (or MissingValue) in
// column 2, and −1 in column 1 of the line after the last (also when there is none).
#pragma once

#include <cstddef>

#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/status.hpp"

namespace sheetstat {

// Number of PredictMarker cells among y[0..n−1].
std::size_t CountPredictRows(const double* y, std::size_t n) noexcept;

// Raises status 8 unless `predictions` has room for `markers` lines and the end
// line, in at least 2 columns. Call before anything is written.
void RequirePredictionsRoom(const RealMatrixView& predictions, std::size_t markers);

// Writes the list: predict(r) gives the prediction for 0-based row r, whose y[r] is
// PredictMarker (MissingValue when it cannot be made).
template <class Predict>
void WritePredictions(const RealMatrixView& predictions, const double* y, std::size_t n, Predict&& predict)
{
    std::size_t line = 0;
    for (std::size_t r = 0; r < n; ++r) {
        if (!IsPredictMarker(y[r])) continue;
        ++line;
        predictions(line, 1) = static_cast<double>(r + 1);
        predictions(line, 2) = predict(r);
    }
    predictions(line + 1, 1) = -1;
}

}  // namespace sheetstat
