// Independent samples of k groups as the group tests receive them.
//
// Layout 0 holds every observation in one data column, with a separate vector of
// group codes (0 = group 1, 1 = group 2, ..., truncated toward zero), one per data
// row. Any other layout holds one data column per group, at least 2 and at most k
// of them (groups beyond the last column are empty), shorter columns padded with
// MissingValue. A row of layout 0 whose value or code is MissingValue is skipped; in
// the column layout each cell counts on its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/codes.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"

namespace sheetstat {

class GroupedSample {
public:
    // Views `data` (and, in layout 0 only, `groupCodes`) and checks their shapes,
    // status 8 otherwise: layout 0 needs exactly 1 data column and exactly as many
    // codes as data rows; any other layout 2 to `groups` data columns. `groupCodes`
    // is not read in the column layout.
    GroupedSample(int32_t layout, HostArray** data, HostArray** groupCodes, std::size_t groups);

    // Calls visit(value, group), group 1..groups, for every usable value, in row order
    // and within a row by column. A code outside 0..groups − 1 or a value that is not a
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
                visit(values[i], ClassIndex(codes_[i], groups_) + 1);
            }
            return;
        }
        for (std::size_t i = 1; i <= rows; ++i) {
            for (std::size_t j = 1; j <= data_.cols(); ++j) {
                const double x = data_(i, j);
                if (IsMissing(x)) continue;
                RequireFinite(x);
                visit(x, j);
            }
        }
    }

private:
    RealMatrixView data_;
    const double* codes_ = nullptr;  // layout 0: the code of data row i + 1 at codes_[i]
    std::size_t groups_;
    bool byCodes_;
};

}  // namespace sheetstat
