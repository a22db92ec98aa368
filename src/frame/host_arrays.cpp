#include "frame/host_arrays.hpp"

#include "frame/status.hpp"

namespace sheetstat {
namespace detail {

const HostArray& Descriptor(HostArray** reference, unsigned minimumDimensions)
{
    Require(reference != nullptr && *reference != nullptr);
    const HostArray& array = **reference;
    Require(array.dimensions >= minimumDimensions);
    bool holdsElements = true;
    for (unsigned d = 0; d < minimumDimensions; ++d) holdsElements = holdsElements && array.bounds[d].count > 0;
    Require(array.data != nullptr || !holdsElements);
    return array;
}

std::size_t Skipped(const HostArrayBound& bound) noexcept
{
    return bound.lowerBound == 1 || bound.count == 0 ? 0 : 1;
}

std::size_t UsedCount(const HostArrayBound& bound) noexcept
{
    return static_cast<std::size_t>(bound.count) - Skipped(bound);
}

}  // namespace detail

namespace {

// The view's geometry is checked before any work storage is taken for it.
const HostArray& MatrixDescriptor(HostArray** reference)
{
    const HostArray& array = detail::Descriptor(reference, 2);
    const uint64_t storedRows = array.bounds[1].count;
    const uint64_t storedCols = array.bounds[0].count;
    // The host's element count must be addressable.
    Require(storedRows * storedCols <= SIZE_MAX / sizeof(double));
    return array;
}

}  // namespace

RealMatrixView::RealMatrixView(HostArray** reference)
    : RealMatrixView(MatrixDescriptor(reference))
{
}

RealMatrixView::RealMatrixView(const HostArray& array)
    : rows_(detail::UsedCount(array.bounds[1])),
      cols_(detail::UsedCount(array.bounds[0])),
      columns_(0, cols_)
{
    const std::size_t storedRows = array.bounds[1].count;
    const std::size_t skipRows = detail::Skipped(array.bounds[1]);
    const std::size_t skipCols = detail::Skipped(array.bounds[0]);
    double* elements = static_cast<double*>(array.data);
    if (elements == nullptr) {
        columns_.Fill(nullptr);
        return;
    }
    for (std::size_t j = 0; j < cols_; ++j) {
        columns_[static_cast<std::ptrdiff_t>(j)] = elements + skipRows + (skipCols + j) * storedRows;
    }
}

}  // namespace sheetstat
