// The points of a scatter plot, cleaned and grouped in place for the host to draw.
//
// Rows with an empty x or y (or, with a third column, an empty group code) are
// dropped: the kept rows move, in input order, to the top of the data, and the number
// of points of each group g (code truncated toward zero) goes into slot g + 1 of the
// group counts. With a group column the kept rows are then sorted by their code
// (heapsort, x and y moving along), so that each group's points lie together, groups
// in ascending order; within a group the order is the heapsort's. The rows below the
// kept ones keep what they held.
//
// Every kept row is checked before anything is written, so a bad value or code
// (status 8) leaves the host's arrays as they were.
#include <cstddef>

#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {
namespace {

class ScatterColumns {
public:
    explicit ScatterColumns(const RealMatrixView& data)
        : x_(data.column(1)), y_(data.column(2)), code_(data.cols() == 3 ? data.column(3) : nullptr)
    {
    }

    bool grouped() const noexcept { return code_ != nullptr; }
    // Row r (from 0) is plotted: x, y and the code (when grouped) are all present.
    bool Kept(std::size_t r) const noexcept
    {
        return !IsMissing(x_[r]) && !IsMissing(y_[r]) && (code_ == nullptr || !IsMissing(code_[r]));
    }
    // The 0-based group of a kept row; status 8 for a non-finite point or a code
    // outside 0..groups − 1.
    std::size_t Group(std::size_t r, std::size_t groups) const
    {
        RequireFinite(x_[r]);
        RequireFinite(y_[r]);
        return grouped() ? ClassIndex(code_[r], groups) : 0;
    }
    // Row `from` is copied, as stored, to row `to`.
    void Move(std::size_t to, std::size_t from) const noexcept
    {
        x_[to] = x_[from];
        y_[to] = y_[from];
        if (grouped()) code_[to] = code_[from];
    }
    void SortByGroup(std::size_t rows) const noexcept
    {
        if (grouped()) SortRealsWithTwoReals(rows, code_, x_, y_);
    }

private:
    double* x_;
    double* y_;
    double* code_;
};

void ScatterPlot(HostArray** dataArg, HostArray** groupCountsArg)
{
    const RealMatrixView data(dataArg);
    const RealArrayView counts(groupCountsArg);
    Require(data.cols() == 2 || data.cols() == 3);
    Require(counts.count() >= 1);
    const std::size_t rows = data.rows(), groups = counts.count();
    const ScatterColumns columns(data);

    for (std::size_t r = 0; r < rows; ++r) {
        if (columns.Kept(r)) columns.Group(r, groups);
    }

    for (std::size_t g = 1; g <= groups; ++g) counts[g] = 0;
    std::size_t kept = 0;
    for (std::size_t r = 0; r < rows; ++r) {
        if (!columns.Kept(r)) continue;
        counts[columns.Group(r, groups) + 1] += 1;
        if (r != kept) columns.Move(kept, r);
        ++kept;
    }
    columns.SortByGroup(kept);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkScatterPlot(HostArray** data, HostArray** groupCounts)
{
    return sheetstat::RunExport([&] { sheetstat::ScatterPlot(data, groupCounts); });
}
