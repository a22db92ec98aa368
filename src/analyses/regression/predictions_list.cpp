// The predictions list of the regression exports (see the header).
#include "analyses/regression/predictions_list.hpp"

namespace sheetstat {

std::size_t CountPredictRows(const double* y, std::size_t n) noexcept
{
    std::size_t markers = 0;
    for (std::size_t r = 0; r < n; ++r) if (IsPredictMarker(y[r])) ++markers;
    return markers;
}

void RequirePredictionsRoom(const RealMatrixView& predictions, std::size_t markers)
{
    Require(predictions.cols() >= 2 && predictions.rows() > markers);
}

}  // namespace sheetstat
