// Views of the host's arrays.
//
// A view points straight into the host's element storage; nothing is copied.
// Slots of a one-dimensional view and cells of a two-dimensional view are numbered
// from 1 over the used elements: a dimension whose lower bound is 1 is used whole;
// for any other lower bound (0 in practice) its first element is skipped. So an array
// indexed 0..N or 1..N shows its elements 1..N as slots 1..N.
//
// The descriptor's counts are taken as the extent of the host's storage. A missing
// descriptor, or one whose number of dimensions is not exactly the view's (1 for
// ArrayView, 2 for RealMatrixView), is a bad array (status 8): a descriptor with
// more dimensions holds fewer elements than its first bounds announce (none at all
// when a further dimension has count 0).
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "sheetstat/sheetstat.h"

namespace sheetstat {

namespace detail {
// The descriptor behind an argument; raises status 8 when there is none or it does
// not have exactly `dimensions` dimensions.
const HostArray& Descriptor(HostArray** reference, unsigned dimensions);
// Number of used elements of one dimension (count, less one when the lower bound is not 1).
std::size_t UsedCount(const HostArrayBound& bound) noexcept;
std::size_t Skipped(const HostArrayBound& bound) noexcept;
}  // namespace detail

template <class T>
class ArrayView {
public:
    explicit ArrayView(HostArray** reference)
    {
        const HostArray& array = detail::Descriptor(reference, 1);
        count_ = detail::UsedCount(array.bounds[0]);
        first_ = count_ == 0 ? nullptr : static_cast<T*>(array.data) + detail::Skipped(array.bounds[0]);
    }

    std::size_t count() const noexcept { return count_; }
    // Slot k, k = 1..count().
    T& operator[](std::size_t slot) const noexcept
    {
        assert(slot >= 1 && slot <= count_);
        return first_[slot - 1];
    }
    // The first used element (slot 1), for routines that take a plain array.
    T* data() const noexcept { return first_; }

private:
    T* first_ = nullptr;
    std::size_t count_ = 0;
};

using RealArrayView = ArrayView<double>;
using IntArrayView = ArrayView<int32_t>;

// A two-dimensional array of doubles seen as columns: columns are variables or
// groups, rows are cases. The address of a column is computed when it is asked for,
// so a view takes no work storage.
class RealMatrixView {
public:
    explicit RealMatrixView(HostArray** reference);

    std::size_t rows() const noexcept { return rows_; }
    std::size_t cols() const noexcept { return cols_; }
    // Cell (i, j), row i = 1..rows(), column j = 1..cols().
    double& operator()(std::size_t i, std::size_t j) const noexcept
    {
        assert(i >= 1 && i <= rows_);
        return column(j)[i - 1];
    }
    // The rows() contiguous cells of column j, j = 1..cols().
    double* column(std::size_t j) const noexcept
    {
        assert(j >= 1 && j <= cols_);
        return first_ + (j - 1) * storedRows_;
    }

private:
    double* first_ = nullptr;  // cell (1, 1); null when the view holds no cell
    std::size_t storedRows_ = 0;
    std::size_t rows_ = 0;
    std::size_t cols_ = 0;
};

}  // namespace sheetstat
