// Least squares on a subset of the columns of a triangular factor (see svd_fit.hpp).
//
// With R the factor of [A | b] and S the chosen columns, ‖A_S·x − b‖² =
// ‖R_S·x − r‖² + Σ_{i > t} r_i² where r is R's response column and t the largest
// column of S (rows of R_S below t are zero). The first term is minimised through
// the SVD of the t × q matrix R_S·D⁻¹, D = diag(column 2-norms).
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "frame/status.hpp"
#include "numeric/svd.hpp"
#include "numeric/svd_fit.hpp"

namespace sheetstat {
namespace {

// The 2-norm of R(1..rows, column), scaled by the largest magnitude so that the
// squares neither overflow nor underflow.
double ColumnNorm(const LeastSquaresTriangle& triangle, int32_t column, int32_t rows)
{
    double largest = 0;
    for (int32_t i = 1; i <= rows; ++i) largest = std::fmax(largest, std::fabs(triangle(i, column)));
    if (largest == 0) return 0;
    double sum = 0;
    for (int32_t i = 1; i <= rows; ++i) {
        const double scaled = triangle(i, column) / largest;
        sum += scaled * scaled;
    }
    return largest * std::sqrt(sum);
}

bool Holds(const RealVector& x, int32_t count)
{
    return x.lo() <= 1 && x.lo() + static_cast<std::ptrdiff_t>(x.count()) > count;
}

}  // namespace

LeastSquaresFit SvdFitTriangle(const LeastSquaresTriangle& triangle, const IntVector& columns, int32_t q,
                               RealVector& coef, RealMatrix& v, RealVector& w)
{
    const int32_t n = triangle.columns();
    const int32_t last = triangle.responseColumn();
    Require(q >= 0 && q <= n && Holds(coef, q) && columns.lo() <= 1 &&
            columns.lo() + static_cast<std::ptrdiff_t>(columns.count()) > q);
    int32_t rows = 0;
    for (int32_t j = 1; j <= q; ++j) {
        Require(columns[j] >= 1 && columns[j] <= n);
        if (columns[j] > rows) rows = columns[j];
    }

    LeastSquaresFit fit;
    if (q > 0) {
        // Equilibrated design: column j of R_S over its 2-norm.
        RealVector scale(1, static_cast<std::size_t>(q));
        RealMatrix a(1, static_cast<std::size_t>(rows), 1, static_cast<std::size_t>(q));
        for (int32_t j = 1; j <= q; ++j) {
            const double norm = ColumnNorm(triangle, columns[j], rows);
            scale[j] = norm > 0 ? norm : 1.0;
            for (int32_t i = 1; i <= rows; ++i) a[i][j] = triangle(i, columns[j]) / scale[j];
        }
        RealVector b(1, static_cast<std::size_t>(rows));
        for (int32_t i = 1; i <= rows; ++i) b[i] = triangle(i, last);

        SvdDecompose(a, rows, q, w, v);
        double wmax = 0;
        for (int32_t j = 1; j <= q; ++j) {
            if (w[j] > wmax) wmax = w[j];
        }
        const double threshold = kSingularValueCut * wmax;
        for (int32_t j = 1; j <= q; ++j) {
            if (w[j] < threshold) w[j] = 0;
            if (w[j] != 0) ++fit.kept;
        }
        SvdBackSubstitute(a, w, v, rows, q, b, coef);

        // Back to the units of the columns: x = D⁻¹·x_scaled, V = D⁻¹·V_scaled.
        for (int32_t j = 1; j <= q; ++j) {
            coef[j] /= scale[j];
            for (int32_t k = 1; k <= q; ++k) v[j][k] /= scale[j];
        }
    }

    for (int32_t i = 1; i <= last; ++i) {
        double residual = triangle(i, last);
        if (i <= rows) {
            for (int32_t j = 1; j <= q; ++j) residual -= triangle(i, columns[j]) * coef[j];
        }
        fit.chisq += residual * residual;
    }
    return fit;
}

LeastSquaresFit SvdFitTriangle(const LeastSquaresTriangle& triangle, RealVector& coef, RealMatrix& v,
                               RealVector& w)
{
    const int32_t n = triangle.columns();
    IntVector all(1, static_cast<std::size_t>(n));
    for (int32_t j = 1; j <= n; ++j) all[j] = j;
    return SvdFitTriangle(triangle, all, n, coef, v, w);
}

}  // namespace sheetstat
