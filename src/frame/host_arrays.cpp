#include "frame/host_arrays.hpp"

#include "frame/status.hpp"

namespace sheetstat {
namespace detail {

const HostArray& Descriptor(HostArray** reference, unsigned dimensions)
{
    Require(reference != nullptr && *reference != nullptr);
    const HostArray& array = **reference;
    Require(array.dimensions == dimensions);
    bool holdsElements = true;
    for (unsigned d = 0; d < dimensions; ++d) holdsElements = holdsElements && array.bounds[d].count > 0;
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

RealMatrixView::RealMatrixView(HostArray** reference)
{
    const HostArray& array = detail::Descriptor(reference, 2);
    const uint64_t storedRows = array.bounds[1].count;
    const uint64_t storedCols = array.bounds[0].count;
    // The host's element count must be addressable.
    Require(storedRows * storedCols <= SIZE_MAX / sizeof(double));
    rows_ = detail::UsedCount(array.bounds[1]);
    cols_ = detail::UsedCount(array.bounds[0]);
    // A view without cells keeps a null cell (1, 1) and a zero stride, so every column
    // address it hands out is null and no offset is ever applied to a null pointer.
    if (rows_ == 0 || cols_ == 0) return;
    storedRows_ = static_cast<std::size_t>(storedRows);
    first_ = static_cast<double*>(array.data) + detail::Skipped(array.bounds[1]) +
             detail::Skipped(array.bounds[0]) * storedRows_;
}

}  // namespace sheetstat
