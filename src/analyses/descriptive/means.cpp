// Table of means: count, mean and standard deviation of a measurement broken down by
// one or two grouping codes (a one-way or two-way table), with column totals and a
// grand total; or, in the column mode, one group per data column.
//
// Each cell accumulates about its running mean (Welford), and totals merge the cells'
// accumulations (Chan et al.), so that the standard deviations stay right for data
// with a large common offset. During accumulation countTable holds counts, meanTable
// running means and sdTable sums of squared deviations.
#include <cmath>

#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

// The three result tables, read and written as one accumulation per cell.
class MeansTables {
public:
    MeansTables(RealMatrixView& counts, RealMatrixView& means, RealMatrixView& sumSquares)
        : counts_(counts), means_(means), sumSquares_(sumSquares)
    {
    }

    RunningMoments Cell(std::size_t i, std::size_t j) const
    {
        return {counts_(i, j), means_(i, j), sumSquares_(i, j)};
    }
    void Store(std::size_t i, std::size_t j, const RunningMoments& m) const
    {
        counts_(i, j) = m.count;
        means_(i, j) = m.mean;
        sumSquares_(i, j) = m.sumSquares;
    }
    void Add(std::size_t i, std::size_t j, double x) const
    {
        RunningMoments m = Cell(i, j);
        m.Add(x);
        Store(i, j, m);
    }

private:
    RealMatrixView& counts_;
    RealMatrixView& means_;
    RealMatrixView& sumSquares_;
};

// Mode 0: data column 1 is the measurement, column 2 the row code, column 3 the
// column code (read only for a two-way table).
void AccumulateByCodes(const RealMatrixView& data, const MeansTables& tables, std::size_t K, std::size_t J,
                       bool twoWay)
{
    Require(data.cols() >= (twoWay ? 3u : 2u));
    for (std::size_t row = 1; row <= data.rows(); ++row) {
        const double x = data(row, 1);
        const double rowCode = data(row, 2);
        const double colCode = twoWay ? data(row, 3) : 0.0;
        if (IsMissing(x) || IsMissing(rowCode) || (twoWay && IsMissing(colCode))) continue;
        const std::size_t r = ClassIndex(rowCode, K);
        const std::size_t c = ClassIndex(colCode, J);
        tables.Add(r + 1, c + 1, x);
    }
}

// Other modes: data column j is group j, counted into row j of a one-column table.
void AccumulateByColumns(const RealMatrixView& data, const MeansTables& tables, std::size_t K, std::size_t J)
{
    Require(data.cols() == K && J == 1);
    for (std::size_t j = 1; j <= K; ++j) {
        const double* group = data.column(j);
        for (std::size_t row = 0; row < data.rows(); ++row) {
            if (!IsMissing(group[row])) tables.Add(j, 1, group[row]);
        }
    }
}

double CellMean(const RunningMoments& m)
{
    return m.count <= 0 ? kMissingValue : m.mean;
}

// Rounding can leave a constant group's sum of squares a hair below 0: report 0.
double CellStandardDeviation(const RunningMoments& m)
{
    if (m.count <= 1) return kMissingValue;
    const double d = m.sumSquares;
    return d <= 0 ? 0.0 : std::sqrt(d / (m.count - 1));
}

void Means(HostArray** options, HostArray** data, HostArray** countTable, HostArray** meanTable,
           HostArray** sdTable, HostArray** results)
{
    RealArrayView opts(options), out(results);
    Require(opts.count() >= 1 && out.count() >= 3);
    RealMatrixView cases(data), counts(countTable), means(meanTable), sds(sdTable);
    // The shape comes from sdTable; the other two tables must hold it.
    Require(sds.rows() >= 1 && sds.cols() >= 1);
    const std::size_t K = sds.rows() - 1;
    const std::size_t J = sds.cols();
    Require(counts.rows() >= K + 1 && counts.cols() >= J && means.rows() >= K + 1 && means.cols() >= J);

    const int32_t mode = TruncateCode(opts[1]);
    const bool twoWay = mode == 0 && J > 1;
    const MeansTables tables(counts, means, sds);
    for (std::size_t j = 1; j <= J; ++j) {
        for (std::size_t i = 1; i <= K + 1; ++i) tables.Store(i, j, RunningMoments{});
    }

    if (mode == 0) {
        AccumulateByCodes(cases, tables, K, J, twoWay);
    } else {
        AccumulateByColumns(cases, tables, K, J);
    }

    // Row K + 1 of every column totals its rows; the grand total merges the columns.
    RunningMoments grand;
    for (std::size_t j = 1; j <= J; ++j) {
        RunningMoments columnTotal;
        for (std::size_t i = 1; i <= K; ++i) columnTotal.Merge(tables.Cell(i, j));
        tables.Store(K + 1, j, columnTotal);
        grand.Merge(columnTotal);
    }

    for (std::size_t j = 1; j <= J; ++j) {
        for (std::size_t i = 1; i <= K + 1; ++i) {
            const RunningMoments m = tables.Cell(i, j);
            means(i, j) = CellMean(m);
            sds(i, j) = CellStandardDeviation(m);
        }
    }

    const double N = grand.count;
    out[1] = N;
    out[2] = N <= 0 ? kMissingValue : grand.mean;
    out[3] = N <= 1 ? kMissingValue : std::sqrt(grand.SampleVariance());
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkMeans(HostArray** options, HostArray** data,
                                                        HostArray** countTable, HostArray** meanTable,
                                                        HostArray** sdTable, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::Means(options, data, countTable, meanTable, sdTable, results); });
}
