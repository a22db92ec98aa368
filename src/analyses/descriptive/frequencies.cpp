// Frequency tables of integer class codes (0, 1, 2, ...): a two-way table of counts
// from pairs of codes, or one frequency column per data column. For a single data
// column also the expected frequencies of a normal distribution fitted to the class
// counts, sampled every quarter class, for drawing over the histogram.
//
// counts has K class rows and a last row of column totals; class code c is counted
// in row c + 1. Codes truncate toward zero (2.9 is class 2, −0.5 is class 0); a code
// outside the table stops the count with status 8, leaving the counts made so far.
#include <cmath>

#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/normal_interval.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

// Mode 0: a case with codes (a, b) counts in cell (a + 1, b + 1). Cases are counted
// from the last row up, so when a bad code stops the count, the cases below it are in.
void CountPairs(const RealMatrixView& data, const RealMatrixView& counts, std::size_t K)
{
    for (std::size_t row = data.rows(); row >= 1; --row) {
        const double rowCode = data(row, 1);
        const double colCode = data(row, 2);
        if (IsMissing(rowCode) || IsMissing(colCode)) continue;
        const std::size_t b = ClassIndex(colCode, counts.cols());
        const std::size_t a = ClassIndex(rowCode, K);
        counts(a + 1, b + 1) += 1;
    }
}

// Other modes: the codes of data column j are counted into counts column j.
void CountColumns(const RealMatrixView& data, const RealMatrixView& counts, std::size_t K)
{
    for (std::size_t j = 1; j <= data.cols(); ++j) {
        const double* codes = data.column(j);
        for (std::size_t row = 0; row < data.rows(); ++row) {
            if (IsMissing(codes[row])) continue;
            const std::size_t c = ClassIndex(codes[row], K);
            counts(c + 1, j) += 1;
        }
    }
}

// Expected frequencies of the normal distribution with the mean and standard
// deviation of the classes in counts column 1, scaled so that the curve holds the N
// counted values over the class range −0.5..K − 0.5. Row i is the expected count of a
// class of width 1 centred on −0.5 + 0.25·(i − 1). Nothing is written when N ≤ 1 or
// all values lie in one class.
void FitNormalCurve(const RealMatrixView& counts, std::size_t K, const RealMatrixView& curve)
{
    // Class c holds f_c values equal to c: the two passes of the moments kernel over
    // the classes, each weighted by its count.
    MomentsAccumulator classes;
    for (std::size_t c = 0; c < K; ++c) classes.Add(static_cast<double>(c), counts(c + 1, 1));
    classes.EndFirstPass();
    for (std::size_t c = 0; c < K; ++c) classes.AddSecond(static_cast<double>(c), counts(c + 1, 1));
    const RunningMoments moments = classes.Moments();
    const double N = moments.count;
    if (N <= 1) return;
    const double sd = std::sqrt(moments.SampleVariance());
    if (sd == 0) return;

    // Each probability from the tail on its own side, so that the curve stays right
    // far out in either tail.
    const auto standard = [&moments, sd](double x) { return moments.Deviation(x) / sd; };
    const double scale = N / NormalIntervalProb(standard(-0.5), standard(static_cast<double>(K) - 0.5));
    for (std::size_t i = 1; i <= curve.rows(); ++i) {
        const double x = -1 + 0.25 * static_cast<double>(i - 1);
        curve(i, 1) = NormalIntervalProb(standard(x), standard(x + 1)) * scale;
    }
}

void Frequencies(HostArray** options, HostArray** data, HostArray** countsArg, HostArray** normalCurve)
{
    RealArrayView opts(options);
    RealMatrixView codes(data), counts(countsArg), curve(normalCurve);
    // A table needs at least one class row besides its totals row, and a column.
    Require(opts.count() >= 1 && counts.rows() >= 2 && counts.cols() >= 1);
    const int32_t mode = TruncateCode(opts[1]);
    const std::size_t K = counts.rows() - 1;
    const bool single = mode != 0 && codes.cols() == 1;
    if (mode == 0) {
        Require(codes.cols() == 2);
    } else if (single) {
        Require(curve.cols() >= 1);
    } else {
        Require(codes.cols() == counts.cols());
    }

    for (std::size_t j = 1; j <= counts.cols(); ++j) {
        for (std::size_t i = 1; i <= K; ++i) counts(i, j) = 0;
    }
    if (mode == 0) {
        CountPairs(codes, counts, K);
    } else {
        CountColumns(codes, counts, K);
        if (single) FitNormalCurve(counts, K, curve);
    }

    for (std::size_t j = 1; j <= counts.cols(); ++j) {
        double total = 0;
        for (std::size_t i = 1; i <= K; ++i) total += counts(i, j);
        counts(K + 1, j) = total;
    }
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkFrequencies(HostArray** options, HostArray** data,
                                                              HostArray** counts, HostArray** normalCurve)
{
    return sheetstat::RunExport([&] { sheetstat::Frequencies(options, data, counts, normalCurve); });
}
