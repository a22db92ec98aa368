// Tests of frequencies:
//
// - nkChiSquare, Pearson's chi-square goodness of fit of observed frequencies to
//   expected ones given on any scale (rescaled to the observed total), on k − 1
//   degrees of freedom;
// - nkCrosstabs, the two-way contingency table: margins, expected frequencies
//   R_i·C_j/N, per-cell contributions and Pearson's chi-square test of independence on
//   (r − 1)(c − 1) degrees of freedom, the share of cells expected below 5, Pearson's
//   contingency coefficient √(χ²/(N + χ²)), Cramér's V √(χ²/(N·(min(r, c) − 1))), and
//   for 2 × 2 tables Fisher's exact test (one-tailed, towards the smallest cell).
#include <algorithm>
#include <cmath>
#include <utility>

#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/fisher_exact.hpp"
#include "numeric/math_functions.hpp"

namespace sheetstat {

namespace {

// ---- Goodness of fit ----

void ChiSquare(HostArray** data, HostArray** results)
{
    RealArrayView out(results);
    RealMatrixView table(data);
    Require(out.count() >= 3 && table.cols() == 2);
    const std::size_t k = table.rows();
    Require(k >= 2, Status::InsufficientData);
    const double* observed = table.column(1);
    const double* expected = table.column(2);

    double totalObserved = 0, totalExpected = 0;
    for (std::size_t row = 0; row < k; ++row) {
        const double O = observed[row], E = expected[row];
        Require(!IsMissing(O) && !IsMissing(E) && E != 0, Status::ChiSquareEmptyCell);
        // Frequencies are finite and never negative.
        RequireFinite(O);
        RequireFinite(E);
        Require(O >= 0 && E > 0);
        totalObserved += O;
        totalExpected += E;
    }
    // Without observations every rescaled expected frequency would be 0.
    Require(totalObserved != 0, Status::InsufficientData);

    const double scale = totalObserved / totalExpected;
    double chiSquare = 0;
    for (std::size_t row = 0; row < k; ++row) {
        // Scaled by the ratio of the totals, and the deviation divided by the expected
        // frequency before squaring, so that frequencies near the underflow threshold
        // (1e-300, 5e-324) keep their quotients; a frequency met exactly adds 0.
        const double rescaled = expected[row] * scale;
        const double deviation = observed[row] - rescaled;
        if (deviation != 0) chiSquare += deviation * (deviation / rescaled);
    }
    const double df = static_cast<double>(k - 1);
    out[1] = chiSquare;
    out[2] = df;
    out[3] = ClampProbability(ChiSquareProb(chiSquare, df));
}

// ---- Contingency table ----

// The r × c table in cells (1..r, 1..c) of `observed`, its row totals in column c + 1,
// its column totals in row r + 1 and N in the corner.
struct ContingencyTable {
    const RealMatrixView& cells;
    std::size_t r, c;

    double& O(std::size_t i, std::size_t j) const { return cells(i, j); }
    double& RowTotal(std::size_t i) const { return cells(i, c + 1); }
    double& ColumnTotal(std::size_t j) const { return cells(r + 1, j); }
    double& N() const { return cells(r + 1, c + 1); }
};

void ClearMargins(const ContingencyTable& t)
{
    for (std::size_t i = 1; i <= t.r + 1; ++i) t.RowTotal(i) = 0;
    for (std::size_t j = 1; j <= t.c; ++j) t.ColumnTotal(j) = 0;
}

// Source 0: the counts are given. Margins sum the counts as stored; N sums them
// truncated to whole numbers. An empty cell holds no cases; a negative count is a
// bad argument.
double CompleteMargins(const ContingencyTable& t)
{
    ClearMargins(t);
    double N = 0;
    for (std::size_t i = 1; i <= t.r; ++i) {
        for (std::size_t j = 1; j <= t.c; ++j) {
            const double count = t.O(i, j);
            if (IsMissing(count)) continue;
            Require(count >= 0);
            t.RowTotal(i) += count;
            t.ColumnTotal(j) += count;
            N += TruncateCode(count);
        }
    }
    return N;
}

// Other sources: one case per row of `data` (row code, column code), counted unless a
// code is MissingValue. N is the number of cases counted.
double Tabulate(const ContingencyTable& t, const RealMatrixView& cases)
{
    for (std::size_t i = 1; i <= t.r; ++i) {
        for (std::size_t j = 1; j <= t.c; ++j) t.O(i, j) = 0;
    }
    ClearMargins(t);
    double N = 0;
    for (std::size_t row = 1; row <= cases.rows(); ++row) {
        const double rowCode = cases(row, 1), columnCode = cases(row, 2);
        if (IsMissing(rowCode) || IsMissing(columnCode)) continue;
        const std::size_t i = ClassIndex(rowCode, t.r) + 1;
        const std::size_t j = ClassIndex(columnCode, t.c) + 1;
        t.O(i, j) += 1;
        t.RowTotal(i) += 1;
        t.ColumnTotal(j) += 1;
        N += 1;
    }
    return N;
}

struct IndependenceTest {
    double chiSquare = 0;
    std::size_t sparseCells = 0;
};

// Expected frequencies E = R_i·C_j/N and contributions (O − E)²/E (0 for an empty
// expected cell) written into their tables; χ² sums the contributions.
IndependenceTest TestIndependence(const ContingencyTable& t, double N, const RealMatrixView& expected,
                                  const RealMatrixView& contributions)
{
    IndependenceTest test;
    for (std::size_t i = 1; i <= t.r; ++i) {
        for (std::size_t j = 1; j <= t.c; ++j) {
            const double E = t.RowTotal(i) * t.ColumnTotal(j) / N;
            const double deviation = t.O(i, j) - E;
            const double contribution = E == 0 ? 0.0 : deviation * deviation / E;
            expected(i, j) = E;
            contributions(i, j) = contribution;
            if (E < 5) ++test.sparseCells;
            test.chiSquare += contribution;
        }
    }
    return test;
}

// Percentage of the cells, rounded half up to a whole number.
double SparsePercentage(std::size_t sparseCells, std::size_t cells)
{
    return std::trunc(100.0 * static_cast<double>(sparseCells) / static_cast<double>(cells) + 0.5);
}

double CrosstabsFisherP(const ContingencyTable& t)
{
    if (t.r != 2 || t.c != 2) return 0;
    return FisherExactP(TruncateCode(t.O(1, 1)), TruncateCode(t.O(2, 1)), TruncateCode(t.O(1, 2)),
                        TruncateCode(t.O(2, 2)));
}

void Crosstabs(HostArray** options, HostArray** data, HostArray** observed, HostArray** expected,
               HostArray** contributions, HostArray** results)
{
    RealArrayView opts(options), out(results);
    RealMatrixView cases(data), counts(observed), expectedTable(expected), contributionTable(contributions);
    Require(opts.count() >= 1 && out.count() >= 7 && cases.cols() == 2);
    // A table without rows or columns has no classes to count into.
    const std::size_t r = contributionTable.rows(), c = contributionTable.cols();
    Require(r >= 1 && c >= 1);
    Require(counts.rows() >= r + 1 && counts.cols() >= c + 1);
    Require(expectedTable.rows() >= r && expectedTable.cols() >= c);

    const ContingencyTable table{counts, r, c};
    const double N = TruncateCode(opts[1]) == 0 ? CompleteMargins(table) : Tabulate(table, cases);
    table.N() = N;
    Require(N != 0, Status::InsufficientData);

    const IndependenceTest test = TestIndependence(table, N, expectedTable, contributionTable);
    const double chiSquare = test.chiSquare;
    const double df = static_cast<double>((r - 1) * (c - 1));
    const double smallerDimension = static_cast<double>(std::min(r, c));
    out[1] = chiSquare;
    out[2] = df;
    // A table of one row or column has no degrees of freedom, and Cramér's V no scale.
    out[3] = chiSquare == 0 || df == 0 ? kMissingValue : ClampProbability(ChiSquareProb(chiSquare, df));
    out[4] = SparsePercentage(test.sparseCells, r * c);
    out[5] = std::sqrt(chiSquare / (N + chiSquare));
    out[6] = chiSquare == 0 || smallerDimension == 1 ? kMissingValue
                                                     : std::sqrt(chiSquare / N / (smallerDimension - 1));
    out[7] = CrosstabsFisherP(table);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkChiSquare(HostArray** data, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::ChiSquare(data, results); });
}

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkCrosstabs(HostArray** options, HostArray** data,
                                                            HostArray** observed, HostArray** expected,
                                                            HostArray** contributions, HostArray** results)
{
    return sheetstat::RunExport(
        [&] { sheetstat::Crosstabs(options, data, observed, expected, contributions, results); });
}
