// Tests of randomness of order for each of several series (one per column):
//
// - the turning-point test: T counts the peaks and troughs of the series; under
//   randomness E[T] = 2(n − 2)/3 and Var[T] = (16n − 29)/90. A point tied with one
//   neighbour scores 1/2, tied with both 2/3;
// - the rank test for trend (Mann 1945): P counts the pairs i < j with x_j > x_i,
//   tied pairs scoring 1/2. For a random permutation P is the number of
//   non-inversions, with E[P] = n(n − 1)/4 and Var[P] = n(n − 1)(2n + 5)/72, a quarter
//   of the variance of Kendall's score S = 2P − n(n − 1)/2.
//
// Both tests as in Brockwell and Davis, Introduction to Time Series and Forecasting,
// section 1.6.
//
// Both z values are referred to the normal distribution, two-tailed. Each processed
// column of data is compacted in place: its valid values move, in order, to the top.
#include <algorithm>
#include <cmath>

#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/inversions.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kResultRows = 10;
// Fewer values leave the turning-point variance (16n − 29)/90 non-positive.
constexpr std::size_t kMinimumValues = 3;

// The number of valid values of a column; a value that is not a finite number is
// status 8.
std::size_t CountValid(const double* column, std::size_t rows)
{
    std::size_t n = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        if (IsMissing(column[row])) continue;
        RequireFinite(column[row]);
        ++n;
    }
    return n;
}

// Moves the valid values, in order, to the top rows and returns their number; the
// rows below keep what they held.
std::size_t CompactColumn(double* column, std::size_t rows)
{
    std::size_t next = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        if (!IsMissing(column[row])) column[next++] = column[row];
    }
    return next;
}

// 2k/3, written once so that a constant series scores exactly its expectation.
double TwoThirdsOf(double k)
{
    return 2 * k / 3;
}

// Turning-point score of the series x_1..x_n (values points at x_1).
double TurningPointScore(const double* values, std::size_t n)
{
    const auto x = [values](std::size_t i) { return values[i - 1]; };
    double strict = 0, tiedOnce = 0, tiedTwice = 0;
    for (std::size_t i = 2; i + 1 <= n; ++i) {
        const double a = x(i - 1), b = x(i), c = x(i + 1);
        const bool leftTie = a == b, rightTie = b == c;
        if ((a < b && b > c) || (a > b && b < c)) {
            strict += 1;
        } else if (leftTie != rightTie) {
            tiedOnce += 1;
        } else if (leftTie && rightTie) {
            tiedTwice += 1;
        }
    }
    return strict + 0.5 * tiedOnce + TwoThirdsOf(tiedTwice);
}

// Rising-pair score of x_1..x_n. The n(n − 1)/2 pairs are rising, falling
// (inversions) or tied, so P = pairs − falling − tied/2; inversions are counted by
// merge sort in O(n log n). sorted and buffer hold at least n elements.
double RisingPairScore(const double* values, std::size_t n, RealVector& sorted, RealVector& buffer)
{
    std::copy(values, values + n, sorted.data());
    const uint64_t falling = CountInversions(n, sorted.data(), buffer.data());
    const uint64_t tied = CountTiedPairs(n, sorted.data());
    const double nn = static_cast<double>(n);
    const double pairs = nn * (nn - 1) / 2;
    return pairs - static_cast<double>(falling) - 0.5 * static_cast<double>(tied);
}

// Both tests of the series x_1..x_n (x points at x_1), written into rows 1 to 10 of results column c.
void TestSeries(const double* x, std::size_t n, RealVector& sorted, RealVector& buffer, const RealMatrixView& results,
                std::size_t c)
{
    const double nn = static_cast<double>(n);

    const double T = TurningPointScore(x, n);
    const double expectedT = TwoThirdsOf(nn - 2);
    const double zT = (T - expectedT) / std::sqrt((16 * nn - 29) / 90);

    const double P = RisingPairScore(x, n, sorted, buffer);
    const double expectedP = nn * (nn - 1) / 4;
    const double zP = (P - expectedP) / std::sqrt(nn * (nn - 1) * (2 * nn + 5) / 72);

    results(1, c) = nn;
    results(2, c) = T;
    results(3, c) = expectedT;
    results(4, c) = zT;
    results(5, c) = ClampProbability(2 * NormalTailProb(zT));
    results(6, c) = nn;
    results(7, c) = P;
    results(8, c) = expectedP;
    results(9, c) = zP;
    results(10, c) = ClampProbability(2 * NormalTailProb(zP));
}

void Randomness(HostArray** dataArg, HostArray** resultsArg)
{
    RealMatrixView data(dataArg), results(resultsArg);
    const std::size_t series = results.cols();
    Require(results.rows() >= kResultRows && data.cols() >= series);

    // Every series is checked before any column is rewritten.
    std::size_t longest = 0;
    for (std::size_t c = 1; c <= series; ++c) {
        const std::size_t n = CountValid(data.column(c), data.rows());
        Require(n >= kMinimumValues, Status::InsufficientData);
        if (n > longest) longest = n;
    }

    RealVector sorted(1, longest), buffer(1, longest);
    for (std::size_t c = 1; c <= series; ++c) {
        double* column = data.column(c);
        const std::size_t n = CompactColumn(column, data.rows());
        TestSeries(column, n, sorted, buffer, results, c);
    }
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkRandomness(HostArray** data, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::Randomness(data, results); });
}
