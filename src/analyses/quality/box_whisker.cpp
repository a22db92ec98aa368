// The seven values of each box-and-whisker symbol: minimum, 5th percentile, lower
// quartile, median, upper quartile, 95th percentile and maximum of one group, from
// its sample summary (DescribeSample; percentiles at position (m + 1)·p, MissingValue
// where a group has too few values for one).
//
// Mode 0 reads the values from data column 1 and their group codes from column 2
// (rows with either cell empty are skipped); it groups them with a counting pass and
// one buffer of N doubles (a counting sort, stable, so each group's values keep their
// input order and its summary is the one of those values in that order). Any other
// mode reads group g from data column g.
#include <cstddef>

#include "analyses/descriptive/describe_sample.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"

namespace sheetstat {
namespace {

// Rows 1 to 7 of a box and the summary slots they come from.
constexpr std::size_t kBoxRows = 7;
constexpr std::size_t kSummarySlotOfRow[kBoxRows] = {6, 11, 13, 14, 15, 17, 7};

void WriteBox(const RealMatrixView& boxes, std::size_t group, const double* values, std::size_t count)
{
    SampleSummary summary;
    DescribeSample(values, count, summary.slot);
    for (std::size_t row = 1; row <= kBoxRows; ++row) boxes(row, group) = summary[kSummarySlotOfRow[row - 1]];
}

// Mode 0: values in column 1, codes 0..G−1 in column 2.
void BoxesFromCodes(const RealMatrixView& data, const RealMatrixView& boxes)
{
    Require(data.cols() >= 2);
    const std::size_t rows = data.rows(), groups = boxes.cols();
    const double* values = data.column(1);
    const double* codes = data.column(2);
    const auto used = [&](std::size_t r) { return !IsMissing(values[r]) && !IsMissing(codes[r]); };

    // Counting pass: every used row checked, groups counted in end[g] (g from 0).
    OffsetVector<std::size_t> end(0, groups);
    end.Fill(0);
    for (std::size_t r = 0; r < rows; ++r) {
        if (!used(r)) continue;
        RequireFinite(values[r]);
        end[static_cast<std::ptrdiff_t>(ClassIndex(codes[r], groups))] += 1;
    }
    // Counts into starts; placing a value advances its group's start, which ends at
    // the group's end.
    std::size_t total = 0;
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t count = end[static_cast<std::ptrdiff_t>(g)];
        end[static_cast<std::ptrdiff_t>(g)] = total;
        total += count;
    }
    RealVector grouped(0, total);
    for (std::size_t r = 0; r < rows; ++r) {
        if (!used(r)) continue;
        std::size_t& next = end[static_cast<std::ptrdiff_t>(ClassIndex(codes[r], groups))];
        grouped[static_cast<std::ptrdiff_t>(next++)] = values[r];
    }

    std::size_t begin = 0;
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t groupEnd = end[static_cast<std::ptrdiff_t>(g)];
        WriteBox(boxes, g + 1, grouped.data() + begin, groupEnd - begin);
        begin = groupEnd;
    }
}

// Other modes: group g in data column g, all its rows (empty cells are skipped).
void BoxesFromColumns(const RealMatrixView& data, const RealMatrixView& boxes)
{
    const std::size_t groups = boxes.cols();
    Require(data.cols() >= groups);
    for (std::size_t g = 1; g <= groups; ++g) {
        const double* column = data.column(g);
        for (std::size_t r = 0; r < data.rows(); ++r) {
            if (!IsMissing(column[r])) RequireFinite(column[r]);
        }
    }
    for (std::size_t g = 1; g <= groups; ++g) WriteBox(boxes, g, data.column(g), data.rows());
}

void BoxWhisker(HostArray** options, HostArray** dataArg, HostArray** boxesArg)
{
    const RealArrayView opts(options);
    const RealMatrixView data(dataArg), boxes(boxesArg);
    Require(opts.count() >= 1 && boxes.rows() >= kBoxRows && boxes.cols() >= 1);
    if (TruncateCode(opts[1]) == 0) {
        BoxesFromCodes(data, boxes);
    } else {
        BoxesFromColumns(data, boxes);
    }
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkBoxWhisker(HostArray** options, HostArray** data,
                                                             HostArray** boxes)
{
    return sheetstat::RunExport([&] { sheetstat::BoxWhisker(options, data, boxes); });
}
