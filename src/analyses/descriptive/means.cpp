// Table of means: count, mean and standard deviation of a measurement broken down by
// one or two grouping codes (a one-way or two-way table), with column totals and a
// grand total; or, in the column mode, one group per data column.
//
// Every cell, every column total and the grand total take their mean and sum of
// squared deviations in two passes over the data (the corrected two-pass algorithm,
// numeric/running_moments.hpp), so that each is within a few ulps of the exact value
// of the inputs, also for data with a large common offset.
#include <cmath>

#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

// The accumulations of the K × J cells, of the column totals (row K + 1) and of the
// grand total, fed one value at a time in either pass.
class MeansAccumulation {
public:
    MeansAccumulation(std::size_t K, std::size_t J) : cells_(1, K + 1, 1, J), K_(K), J_(J)
    {
        cells_.Fill(MomentsAccumulator{});
    }

    void Add(std::size_t i, std::size_t j, double x, bool secondPass)
    {
        Feed(cells_(static_cast<std::ptrdiff_t>(i), static_cast<std::ptrdiff_t>(j)), x, secondPass);
        Feed(cells_(static_cast<std::ptrdiff_t>(K_ + 1), static_cast<std::ptrdiff_t>(j)), x, secondPass);
        Feed(grand_, x, secondPass);
    }

    void EndFirstPass() noexcept
    {
        for (std::size_t i = 1; i <= K_ + 1; ++i) {
            for (std::size_t j = 1; j <= J_; ++j) Cell(i, j).EndFirstPass();
        }
        grand_.EndFirstPass();
    }

    // Cell (i, j), i = 1..K + 1 (K + 1: the column total), j = 1..J.
    MomentsAccumulator& Cell(std::size_t i, std::size_t j) const noexcept
    {
        return cells_(static_cast<std::ptrdiff_t>(i), static_cast<std::ptrdiff_t>(j));
    }
    const MomentsAccumulator& Grand() const noexcept { return grand_; }

private:
    static void Feed(MomentsAccumulator& accumulator, double x, bool secondPass) noexcept
    {
        if (secondPass) {
            accumulator.AddSecond(x);
        } else {
            accumulator.Add(x);
        }
    }

    OffsetMatrix<MomentsAccumulator> cells_;
    MomentsAccumulator grand_;
    std::size_t K_, J_;
};

// Mode 0: data column 1 is the measurement, column 2 the row code, column 3 the
// column code (read only for a two-way table). Calls add(i, j, x) for every usable
// row; a code outside the table or a measurement that is not a finite number is
// status 8.
template <class Add>
void ForEachCoded(const RealMatrixView& data, std::size_t K, std::size_t J, bool twoWay, Add&& add)
{
    for (std::size_t row = 1; row <= data.rows(); ++row) {
        const double x = data(row, 1);
        const double rowCode = data(row, 2);
        const double colCode = twoWay ? data(row, 3) : 0.0;
        if (IsMissing(x) || IsMissing(rowCode) || (twoWay && IsMissing(colCode))) continue;
        RequireFinite(x);
        const std::size_t r = ClassIndex(rowCode, K);
        const std::size_t c = ClassIndex(colCode, J);
        add(r + 1, c + 1, x);
    }
}

// Other modes: data column j is group j, counted into row j of a one-column table.
template <class Add>
void ForEachByColumn(const RealMatrixView& data, std::size_t K, Add&& add)
{
    for (std::size_t j = 1; j <= K; ++j) {
        const double* group = data.column(j);
        for (std::size_t row = 0; row < data.rows(); ++row) {
            if (IsMissing(group[row])) continue;
            RequireFinite(group[row]);
            add(j, 1, group[row]);
        }
    }
}

double CellMean(const RunningMoments& m)
{
    return m.count <= 0 ? kMissingValue : m.mean;
}

double CellStandardDeviation(const RunningMoments& m)
{
    return m.count <= 1 ? kMissingValue : std::sqrt(m.SampleVariance());
}

void Means(HostArray** options, HostArray** data, HostArray** countTable, HostArray** meanTable,
           HostArray** sdTable, HostArray** results)
{
    RealArrayView opts(options), out(results);
    Require(opts.count() >= 1 && out.count() >= 3);
    RealMatrixView cases(data), counts(countTable), means(meanTable), sds(sdTable);
    // The shape comes from sdTable; the other two tables must hold it. A table needs
    // at least one class row besides its totals row.
    Require(sds.rows() >= 2 && sds.cols() >= 1);
    const std::size_t K = sds.rows() - 1;
    const std::size_t J = sds.cols();
    Require(counts.rows() >= K + 1 && counts.cols() >= J && means.rows() >= K + 1 && means.cols() >= J);

    const int32_t mode = TruncateCode(opts[1]);
    const bool twoWay = mode == 0 && J > 1;
    if (mode == 0) {
        Require(cases.cols() >= (twoWay ? 3u : 2u));
    } else {
        Require(cases.cols() == K && J == 1);
    }

    for (std::size_t j = 1; j <= J; ++j) {
        for (std::size_t i = 1; i <= K + 1; ++i) counts(i, j) = means(i, j) = sds(i, j) = 0;
    }

    MeansAccumulation accumulation(K, J);
    const auto pass = [&](bool second) {
        const auto add = [&](std::size_t i, std::size_t j, double x) { accumulation.Add(i, j, x, second); };
        if (mode == 0) {
            ForEachCoded(cases, K, J, twoWay, add);
        } else {
            ForEachByColumn(cases, K, add);
        }
    };
    pass(false);
    accumulation.EndFirstPass();
    pass(true);

    for (std::size_t j = 1; j <= J; ++j) {
        for (std::size_t i = 1; i <= K + 1; ++i) {
            const RunningMoments m = accumulation.Cell(i, j).Moments();
            counts(i, j) = m.count;
            means(i, j) = CellMean(m);
            sds(i, j) = CellStandardDeviation(m);
        }
    }

    const RunningMoments grand = accumulation.Grand().Moments();
    out[1] = grand.count;
    out[2] = CellMean(grand);
    out[3] = CellStandardDeviation(grand);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkMeans(HostArray** options, HostArray** data,
                                                        HostArray** countTable, HostArray** meanTable,
                                                        HostArray** sdTable, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::Means(options, data, countTable, meanTable, sdTable, results); });
}
