// LU decomposition and matrix inversion (Crout's method with implicit partial
// pivoting; Press et al., Numerical Recipes, ludcmp, lubksb).
//
// Each row is scaled by the reciprocal of its largest absolute element, and in each
// column the pivot is the row whose element, so scaled, is largest (the last of equal
// ones). There is no tolerance: only an exactly zero row or pivot marks a matrix as
// singular. An element that is not finite is refused before any elimination, and
// since elimination can still overflow, the pivot row starts as the diagonal row (a
// column whose scaled elements have all become NaN still names a pivot) and a pivot
// that is not finite is refused like a zero one.
#include "numeric/lu_decomposition.hpp"

#include <cmath>

#include "frame/status.hpp"

namespace sheetstat {
namespace {

// The storage of a routine of order n covers indices 1..n.
bool CoversOneTo(const RealMatrix& a, int32_t n) noexcept
{
    const auto order = static_cast<std::ptrdiff_t>(n);
    return a.rowLo() <= 1 && a.colLo() <= 1 && a.rowLo() + static_cast<std::ptrdiff_t>(a.rows()) > order &&
           a.colLo() + static_cast<std::ptrdiff_t>(a.cols()) > order;
}

template <class Vector>
bool CoversOneTo(const Vector& v, int32_t n) noexcept
{
    return v.lo() <= 1 && v.lo() + static_cast<std::ptrdiff_t>(v.count()) > static_cast<std::ptrdiff_t>(n);
}

}  // namespace

void LuDecompose(RealMatrix& a, int32_t n, IntVector& index, double& parity, RealVector& scale)
{
    Require(n >= 0 && CoversOneTo(a, n) && CoversOneTo(index, n) && CoversOneTo(scale, n), Status::Failure);
    parity = 1.0;
    for (int32_t i = 1; i <= n; ++i) {
        double largest = 0.0;
        for (int32_t j = 1; j <= n; ++j) {
            const double magnitude = std::fabs(a[i][j]);
            if (!std::isfinite(magnitude)) ThrowStatus(Status::NumericalFailure);
            if (magnitude > largest) largest = magnitude;
        }
        if (largest == 0.0) ThrowStatus(Status::NumericalFailure);
        scale[i] = 1.0 / largest;
    }
    for (int32_t j = 1; j <= n; ++j) {
        for (int32_t i = 1; i < j; ++i) {
            double sum = a[i][j];
            for (int32_t k = 1; k < i; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
        }
        double best = 0.0;
        int32_t pivot = j;
        for (int32_t i = j; i <= n; ++i) {
            double sum = a[i][j];
            for (int32_t k = 1; k < j; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
            const double scaled = scale[i] * std::fabs(sum);
            if (scaled >= best) {
                best = scaled;
                pivot = i;
            }
        }
        if (pivot != j) {
            for (int32_t k = 1; k <= n; ++k) {
                const double held = a[pivot][k];
                a[pivot][k] = a[j][k];
                a[j][k] = held;
            }
            parity = -parity;
            scale[pivot] = scale[j];
        }
        index[j] = pivot;
        if (a[j][j] == 0.0 || !std::isfinite(a[j][j])) ThrowStatus(Status::NumericalFailure);
        if (j < n) {
            const double reciprocal = 1.0 / a[j][j];
            for (int32_t i = j + 1; i <= n; ++i) a[i][j] *= reciprocal;
        }
    }
}

void LuBackSubstitute(const RealMatrix& a, int32_t n, const IntVector& index, RealVector& b) noexcept
{
    // Forward substitution with L, undoing the row exchanges as it goes; the sums start
    // at the first nonzero element of the permuted right-hand side.
    int32_t first = 0;
    for (int32_t i = 1; i <= n; ++i) {
        const int32_t p = index[i];
        double sum = b[p];
        b[p] = b[i];
        if (first != 0) {
            for (int32_t j = first; j < i; ++j) sum -= a[i][j] * b[j];
        } else if (sum != 0.0) {
            first = i;
        }
        b[i] = sum;
    }
    // Back substitution with U.
    for (int32_t i = n; i >= 1; --i) {
        double sum = b[i];
        for (int32_t j = i + 1; j <= n; ++j) sum -= a[i][j] * b[j];
        b[i] = sum / a[i][i];
    }
}

void InvertMatrix(RealMatrix& a, int32_t n)
{
    Require(n >= 0 && CoversOneTo(a, n), Status::Failure);
    const auto order = static_cast<std::size_t>(n);
    RealMatrix inverse(1, order, 1, order);
    RealVector column(1, order);
    RealVector scale(1, order);
    IntVector index(1, order);
    double parity = 1.0;
    LuDecompose(a, n, index, parity, scale);
    for (int32_t j = 1; j <= n; ++j) {
        column.Fill(0.0);
        column[j] = 1.0;
        LuBackSubstitute(a, n, index, column);
        for (int32_t i = 1; i <= n; ++i) {
            if (!std::isfinite(column[i])) ThrowStatus(Status::NumericalFailure);
            inverse[i][j] = column[i];
        }
    }
    for (int32_t i = 1; i <= n; ++i)
        for (int32_t j = 1; j <= n; ++j) a[i][j] = inverse[i][j];
}

}  // namespace sheetstat
