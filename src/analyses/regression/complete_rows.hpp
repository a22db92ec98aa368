// The rows of a regression that enter the fit, kept as a list of row numbers rather
// than as copies of the host's columns, and the compaction that finally moves those
// rows to the top of the host's arrays (in input order) for the host to read back.
#pragma once

#include <cstddef>

#include "frame/work_storage.hpp"

namespace sheetstat {

class CompleteRows {
public:
    // Room for up to `capacity` rows, none listed yet.
    explicit CompleteRows(std::size_t capacity) : rows_(1, capacity) {}

    // Appends 0-based host row r; rows are appended in increasing order.
    void Append(std::size_t r) noexcept { rows_[static_cast<std::ptrdiff_t>(++count_)] = r; }
    std::size_t count() const noexcept { return count_; }
    // The 0-based host row of listed row i = 1..count().
    std::size_t operator[](std::size_t i) const noexcept { return rows_[static_cast<std::ptrdiff_t>(i)]; }

    // column[i − 1] = column[row i] for i = 1..count(): the listed rows moved to the
    // top in their order; the cells below keep what they held. Safe in place, since
    // row i is never above position i.
    void Compact(double* column) const noexcept
    {
        for (std::size_t i = 1; i <= count_; ++i) column[i - 1] = column[(*this)[i]];
    }

private:
    OffsetVector<std::size_t> rows_;
    std::size_t count_ = 0;
};

}  // namespace sheetstat
