// Two independent samples as the two-group tests receive them.
//
// Layout 0 holds every observation in one data column, with a separate vector of
// group codes (0 = group 1, 1 = group 2, truncated toward zero), one per data row.
// Any other layout holds one data column per group, the shorter column padded with
// MissingValue. A row of layout 0 whose value or code is MissingValue is skipped;
// in the column layout each cell counts on its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/codes.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"

namespace sheetstat {

class TwoGroupSample {
public:
    // Views `data` (and, in layout 0 only, `groupCodes`) and checks their shapes,
    // status 8 otherwise: layout 0 needs exactly 1 data column and exactly as many
    // codes as data rows; any other layout exactly 2 data columns. `groupCodes` is
    // not read in the column layout.
    TwoGroupSample(int32_t layout, HostArray** data, HostArray** groupCodes);

    // Calls visit(value, group), group 1 or 2, for every usable value, in row order
    // and within a row column 1 first. A code outside 0..1 or a value that is not a
    // finite number raises status 8 when it is met, after the values of the rows
    // before it have been delivered.
    template <class Visit>
    void ForEachValue(Visit&& visit) const
    {
        const std::size_t rows = data_.rows();
        if (byCodes_) {
            const double* values = data_.column(1);
            for (std::size_t i = 0; i < rows; ++i) {
                if (IsMissing(values[i]) || IsMissing(codes_[i])) continue;
                RequireFinite(values[i]);
                visit(values[i], ClassIndex(codes_[i], 2) + 1);
            }
            return;
        }
        const double* first = data_.column(1);
        const double* second = data_.column(2);
        for (std::size_t i = 0; i < rows; ++i) {
            if (!IsMissing(first[i])) visit(Finite(first[i]), std::size_t{1});
            if (!IsMissing(second[i])) visit(Finite(second[i]), std::size_t{2});
        }
    }

private:
    static double Finite(double x)
    {
        RequireFinite(x);
        return x;
    }

    RealMatrixView data_;
    const double* codes_ = nullptr;  // layout 0: the code of data row i + 1 at codes_[i]
    bool byCodes_;
};

}  // namespace sheetstat
