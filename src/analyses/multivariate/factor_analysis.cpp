// Factor analysis of the correlation matrix of p variables over the complete cases:
// principal components or principal axis factoring with iterated communalities
// (factor_extraction.cpp), retention by an eigenvalue threshold, optional orthogonal
// rotation by varimax or quartimax with or without Kaiser normalisation
// (factor_rotation.cpp), a loadings table grouped by dominant factor
// (order_loadings.cpp), and factor scores of every case.
//
// Scores are Σ_i z_i·B[i][k] with z the standardised values and B the loadings
// divided by their factor's eigenvalue, rotated with the loadings (the score
// coefficients of principal components, used here for every extraction).
//
// The whole computation precedes the first write: a call that fails a check leaves
// every argument as it was, the data included (whose complete cases are compacted
// to its top rows only by a successful call).
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "analyses/multivariate/factor_extraction.hpp"
#include "analyses/multivariate/factor_rotation.hpp"
#include "analyses/multivariate/order_loadings.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/centred_cross_products.hpp"

namespace sheetstat {
namespace {

constexpr int32_t kRotationCycles = 100;
// Correlations nearer 0 than this enter the matrix as ±this (+ for an r of 0).
constexpr double kSmallestCorrelation = 0.001;

struct FactorOptions {
    ExtractionOptions extraction;
    bool varimax = false;
    bool rotate = false;
    bool normalise = false;
};

// Slots 1 to 10 (slot 8 is not used).
FactorOptions ReadOptions(const RealArrayView& slots)
{
    Require(slots.count() >= 10);
    for (std::size_t slot = 1; slot <= 10; ++slot) {
        if (slot != 8) RequireFinite(slots[slot]);
    }
    FactorOptions options;
    options.extraction.largestCorrelationFirst = TruncateCode(slots[1]) != 0;
    if (TruncateCode(slots[2]) != 0) {
        options.extraction.passLimit = TruncateCode(slots[4]);
        Require(options.extraction.passLimit >= 1);
    }
    options.extraction.tolerance = slots[3];
    options.extraction.maxFactors = slots[5];
    options.extraction.minEigenvalue = slots[6];
    options.varimax = TruncateCode(slots[7]) != 0;
    options.rotate = TruncateCode(slots[9]) == 0;
    options.normalise = TruncateCode(slots[10]) != 0;
    return options;
}

// Flags the rows with an empty cell (skipRow[r − 1] = 1) and checks every other cell.
// Returns the number of complete rows.
std::size_t FlagIncompleteRows(const RealMatrixView& data, OffsetVector<unsigned char>& skipRow)
{
    const std::size_t rows = data.rows();
    skipRow.Fill(0);
    for (std::size_t j = 1; j <= data.cols(); ++j) {
        const double* x = data.column(j);
        for (std::size_t r = 0; r < rows; ++r) {
            if (IsMissing(x[r])) {
                skipRow[static_cast<std::ptrdiff_t>(r)] = 1;
            } else {
                RequireFinite(x[r]);
            }
        }
    }
    std::size_t complete = 0;
    for (std::size_t r = 0; r < rows; ++r) complete += skipRow[static_cast<std::ptrdiff_t>(r)] == 0;
    return complete;
}

// The correlation matrix with every |r| below the smallest correlation raised to it.
void CorrelationMatrix(const CentredCrossProducts& sums, int32_t p, RealMatrix& r)
{
    for (int32_t i = 1; i <= p; ++i) {
        r[i][i] = 1;
        for (int32_t j = i + 1; j <= p; ++j) {
            double value = sums.Correlation(static_cast<std::size_t>(i), static_cast<std::size_t>(j));
            if (std::fabs(value) < kSmallestCorrelation) value = value < 0 ? -kSmallestCorrelation : kSmallestCorrelation;
            r[i][j] = r[j][i] = value;
        }
    }
}

// After rotation: loadings beyond ±1 become ±1, and each factor is turned so that its
// largest absolute loading (the first of equals) is positive; the score coefficients
// turn with it.
void TidyRotatedFactors(RealMatrix& rotated, RealMatrix& coefficients, int32_t p, int32_t m)
{
    for (int32_t k = 1; k <= m; ++k) {
        int32_t largest = 1;
        for (int32_t i = 1; i <= p; ++i) {
            double& loading = rotated[i][k];
            if (std::fabs(loading) > 1) loading = loading > 0 ? 1.0 : -1.0;
            if (std::fabs(loading) > std::fabs(rotated[largest][k])) largest = i;
        }
        if (rotated[largest][k] >= 0) continue;
        for (int32_t i = 1; i <= p; ++i) {
            rotated[i][k] = -rotated[i][k];
            coefficients[i][k] = -coefficients[i][k];
        }
    }
}

// Column k of scores: factor order[k] for every complete row, MissingValue for the
// others. Rows go in blocks: each value's deviation is formed once and added, weighted,
// into every score of its row while the block stays in the cache.
void WriteScores(const RealMatrixView& data, const CentredCrossProducts& sums, const RealMatrix& coefficients,
                 const IntVector& order, int32_t m, const OffsetVector<unsigned char>& skipRow,
                 const RealMatrixView& scores)
{
    constexpr std::size_t kBlockRows = 512;
    const std::size_t rows = data.rows(), p = data.cols(), factors = static_cast<std::size_t>(m);
    RealMatrix weights(1, p, 1, factors);
    for (std::size_t i = 1; i <= p; ++i) {
        const auto row = static_cast<std::ptrdiff_t>(i);
        for (int32_t k = 1; k <= m; ++k) weights[row][k] = coefficients[row][order[k]] / sums.StandardDeviation(i);
    }
    RealVector deviation(0, kBlockRows);
    for (std::size_t first = 0; first < rows; first += kBlockRows) {
        const std::size_t count = rows - first < kBlockRows ? rows - first : kBlockRows;
        const unsigned char* skip = skipRow.data() + first;
        for (std::size_t k = 1; k <= factors; ++k) {
            double* out = scores.column(k) + first;
            for (std::size_t r = 0; r < count; ++r) out[r] = 0;
        }
        for (std::size_t i = 1; i <= p; ++i) {
            const double* x = data.column(i) + first;
            double* d = deviation.data();
            for (std::size_t r = 0; r < count; ++r) d[r] = skip[r] != 0 ? 0.0 : sums.Deviation(i, x[r]);
            for (std::size_t k = 1; k <= factors; ++k) {
                const double weight = weights[static_cast<std::ptrdiff_t>(i)][static_cast<std::ptrdiff_t>(k)];
                double* out = scores.column(k) + first;
                for (std::size_t r = 0; r < count; ++r) out[r] += d[r] * weight;
            }
        }
        for (std::size_t k = 1; k <= factors; ++k) {
            double* out = scores.column(k) + first;
            for (std::size_t r = 0; r < count; ++r) {
                if (skip[r] != 0) out[r] = kMissingValue;
            }
        }
    }
}

// Moves the complete rows to the top of the data in their input order: each row's cells
// are copied, from column 1, into the row after the last complete one until an empty
// cell ends the row.
void CompactCompleteRows(const RealMatrixView& data)
{
    std::size_t complete = 0;
    for (std::size_t r = 1; r <= data.rows(); ++r) {
        bool whole = true;
        for (std::size_t j = 1; j <= data.cols() && whole; ++j) {
            const double x = data(r, j);
            whole = !IsMissing(x);
            if (whole) data(complete + 1, j) = x;
        }
        complete += whole;
    }
}

void FactorAnalysis(HostArray** options, HostArray** data, HostArray** communalities, HostArray** eigenvalues,
                    HostArray** loadings, HostArray** scores, HostArray** stats)
{
    const RealArrayView slots(options), counts(stats);
    const RealMatrixView x(data), history(communalities), eigenTable(eigenvalues), table(loadings), scoreTable(scores);
    Require(counts.count() >= 3);
    const FactorOptions o = ReadOptions(slots);
    const std::size_t variables = x.cols(), rows = x.rows();
    Require(variables >= 2 && variables < static_cast<std::size_t>(INT32_MAX));
    const auto p = static_cast<int32_t>(variables);
    const auto passLimit = static_cast<std::size_t>(o.extraction.passLimit);
    Require(eigenTable.rows() >= variables && eigenTable.cols() >= 3);
    Require(history.rows() >= variables && history.cols() > passLimit);
    Require(table.rows() >= variables + 2 && scoreTable.rows() >= rows);

    OffsetVector<unsigned char> skipRow(0, rows);
    const std::size_t complete = FlagIncompleteRows(x, skipRow);
    Require(complete >= 2, Status::InsufficientData);
    const CentredCrossProducts sums(x, variables, skipRow.data());
    for (std::size_t j = 1; j <= variables; ++j) Require(!sums.Constant(j), Status::InsufficientData);

    RealMatrix r(1, variables, 1, variables), a(1, variables, 1, variables), passes(1, variables, 1, passLimit + 1);
    RealVector e(1, variables), h(1, variables);
    CorrelationMatrix(sums, p, r);
    const Extraction extraction = ExtractFactors(r, p, o.extraction, a, e, h, passes);
    const int32_t m = extraction.retained;
    Require(m >= 1, Status::InsufficientData);
    const auto factors = static_cast<std::size_t>(m);
    Require(table.cols() >= factors + 2 && scoreTable.cols() >= factors);

    // Every check has passed: the results.
    for (std::size_t t = 1; t <= static_cast<std::size_t>(extraction.passes) + 1; ++t) {
        for (int32_t i = 1; i <= p; ++i) history(static_cast<std::size_t>(i), t) = passes[i][static_cast<std::ptrdiff_t>(t)];
    }
    double cumulative = 0;
    for (int32_t i = 1; i <= p; ++i) {
        const auto row = static_cast<std::size_t>(i);
        const double percent = 100 * e[i] / static_cast<double>(p);
        cumulative += percent;
        eigenTable(row, 1) = e[i];
        eigenTable(row, 2) = percent;
        eigenTable(row, 3) = cumulative;
    }
    counts[1] = static_cast<double>(complete);
    counts[2] = extraction.passes;
    counts[3] = m;

    RealMatrix coefficients(1, variables, 1, factors);
    for (int32_t i = 1; i <= p; ++i) {
        for (int32_t k = 1; k <= m; ++k) coefficients[i][k] = a[i][k] / e[k];
    }
    IntVector order(1, factors);
    if (o.rotate) {
        RealMatrix rotated(1, variables, 1, factors);
        RotateFactors(coefficients, a, rotated, p, m, kRotationCycles, o.varimax, o.normalise);
        TidyRotatedFactors(rotated, coefficients, p, m);
        OrderLoadings(rotated, p, m, h, e, order, table);
    } else {
        OrderLoadings(a, p, m, h, e, order, table);
    }
    WriteScores(x, sums, coefficients, order, m, skipRow, scoreTable);
    if (complete < rows) CompactCompleteRows(x);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkFactorA(HostArray** options, HostArray** data,
                                                          HostArray** communalities, HostArray** eigenvalues,
                                                          HostArray** loadings, HostArray** scores, HostArray** stats)
{
    return sheetstat::RunExport(
        [&] { sheetstat::FactorAnalysis(options, data, communalities, eigenvalues, loadings, scores, stats); });
}
