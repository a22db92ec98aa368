// Singular value decomposition by the Golub–Reinsch procedure (Golub and Reinsch,
// "Singular value decomposition and least squares solutions", Numer. Math. 14, 1970;
// the one-sided form of Forsythe, Malcolm and Moler's SVD).
//
// 1. Householder reflections from the left and the right reduce A to an upper
//    bidiagonal matrix: diagonal w[1..n], superdiagonal rv1[2..n] (rv1[1] = 0).
// 2. The right-hand reflections are accumulated into V, 3. the left-hand ones into
//    the storage of A, which becomes U.
// 4. Implicitly shifted QR sweeps (shift from the trailing 2 × 2 minor) drive the
//    superdiagonal to negligible size, one singular value at a time from the bottom;
//    a negligible diagonal element is first split off by rotations that cancel its
//    superdiagonal neighbour. Negligible means: adds nothing to anorm, the largest
//    |w[i]| + |rv1[i]| of the bidiagonal form.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "frame/status.hpp"
#include "numeric/svd.hpp"

namespace sheetstat {
namespace {

constexpr int kMaxSweeps = 500;

// sqrt(a² + b²) without overflow or destructive underflow of the squares.
double ScaledHypot(double a, double b)
{
    const double absA = std::fabs(a), absB = std::fabs(b);
    if (absA > absB) {
        const double ratio = absB / absA;
        return absA * std::sqrt(1 + ratio * ratio);
    }
    if (absB == 0) return 0;
    const double ratio = absA / absB;
    return absB * std::sqrt(1 + ratio * ratio);
}

// |a| with the sign of b (b ≥ 0 counts as positive).
double WithSignOf(double a, double b)
{
    return b >= 0 ? std::fabs(a) : -std::fabs(a);
}

bool Negligible(double x, double anorm)
{
    return std::fabs(x) + anorm == anorm;
}

// (y, z) of columns p and q of matrix x, rows 1..rows, become (y·c + z·s, z·c − y·s).
void RotateColumns(RealMatrix& x, int32_t rows, int32_t p, int32_t q, double c, double s)
{
    for (int32_t r = 1; r <= rows; ++r) {
        const double y = x[r][p];
        const double z = x[r][q];
        x[r][p] = y * c + z * s;
        x[r][q] = z * c - y * s;
    }
}

bool CoversOneBased(const RealMatrix& x, int32_t rows, int32_t cols)
{
    return x.rowLo() == 1 && x.colLo() == 1 && x.rows() >= static_cast<std::size_t>(rows) &&
           x.cols() >= static_cast<std::size_t>(cols);
}

}  // namespace

void SvdDecompose(RealMatrix& a, int32_t m, int32_t n, RealVector& w, RealMatrix& v)
{
    Require(n >= 0 && m >= n && CoversOneBased(a, m, n) && CoversOneBased(v, n, n) && w.lo() == 1 &&
            w.count() >= static_cast<std::size_t>(n));
    if (n == 0) return;
    RealVector rv1(1, static_cast<std::size_t>(n));

    // 1. Householder reduction to bidiagonal form.
    double g = 0, scale = 0, anorm = 0;
    int32_t l = 1;
    for (int32_t i = 1; i <= n; ++i) {
        l = i + 1;
        rv1[i] = scale * g;
        g = 0;
        double s = 0;
        scale = 0;
        if (i <= m) {
            for (int32_t k = i; k <= m; ++k) scale += std::fabs(a[k][i]);
            if (scale != 0) {
                for (int32_t k = i; k <= m; ++k) {
                    a[k][i] /= scale;
                    s += a[k][i] * a[k][i];
                }
                double f = a[i][i];
                g = -WithSignOf(std::sqrt(s), f);
                const double h = f * g - s;
                a[i][i] = f - g;
                for (int32_t j = l; j <= n; ++j) {
                    double sum = 0;
                    for (int32_t k = i; k <= m; ++k) sum += a[k][i] * a[k][j];
                    f = sum / h;
                    for (int32_t k = i; k <= m; ++k) a[k][j] += f * a[k][i];
                }
                for (int32_t k = i; k <= m; ++k) a[k][i] *= scale;
            }
        }
        w[i] = scale * g;
        g = 0;
        s = 0;
        scale = 0;
        if (i <= m && i != n) {
            for (int32_t k = l; k <= n; ++k) scale += std::fabs(a[i][k]);
            if (scale != 0) {
                for (int32_t k = l; k <= n; ++k) {
                    a[i][k] /= scale;
                    s += a[i][k] * a[i][k];
                }
                const double f = a[i][l];
                g = -WithSignOf(std::sqrt(s), f);
                const double h = f * g - s;
                a[i][l] = f - g;
                for (int32_t k = l; k <= n; ++k) rv1[k] = a[i][k] / h;
                for (int32_t j = l; j <= m; ++j) {
                    double sum = 0;
                    for (int32_t k = l; k <= n; ++k) sum += a[j][k] * a[i][k];
                    for (int32_t k = l; k <= n; ++k) a[j][k] += sum * rv1[k];
                }
                for (int32_t k = l; k <= n; ++k) a[i][k] *= scale;
            }
        }
        const double size = std::fabs(w[i]) + std::fabs(rv1[i]);
        if (!(anorm > size)) anorm = size;
    }

    // 2. Accumulation of the right-hand transformations into V.
    for (int32_t i = n; i >= 1; --i) {
        if (i < n) {
            if (g != 0) {
                // Two divisions, in this order, keep the quotient from underflowing.
                for (int32_t j = l; j <= n; ++j) v[j][i] = (a[i][j] / a[i][l]) / g;
                for (int32_t j = l; j <= n; ++j) {
                    double s = 0;
                    for (int32_t k = l; k <= n; ++k) s += a[i][k] * v[k][j];
                    for (int32_t k = l; k <= n; ++k) v[k][j] += s * v[k][i];
                }
            }
            for (int32_t j = l; j <= n; ++j) v[i][j] = v[j][i] = 0;
        }
        v[i][i] = 1;
        g = rv1[i];
        l = i;
    }

    // 3. Accumulation of the left-hand transformations into a.
    for (int32_t i = n; i >= 1; --i) {
        l = i + 1;
        g = w[i];
        for (int32_t j = l; j <= n; ++j) a[i][j] = 0;
        if (g != 0) {
            g = 1 / g;
            for (int32_t j = l; j <= n; ++j) {
                double s = 0;
                for (int32_t k = l; k <= m; ++k) s += a[k][i] * a[k][j];
                const double f = (s / a[i][i]) * g;
                for (int32_t k = i; k <= m; ++k) a[k][j] += f * a[k][i];
            }
            for (int32_t j = i; j <= m; ++j) a[j][i] *= g;
        } else {
            for (int32_t j = i; j <= m; ++j) a[j][i] = 0;
        }
        a[i][i] += 1;
    }

    // 4. Diagonalisation of the bidiagonal form, one singular value at a time.
    for (int32_t k = n; k >= 1; --k) {
        for (int sweep = 1;; ++sweep) {
            // Split test; rv1[1] = 0, so the search ends at l = 1 at the latest (also
            // when a non-finite anorm makes nothing negligible: no sweep converges then,
            // and the sweep bound ends the decomposition).
            bool cancel = false;
            int32_t nm = 0;
            for (l = k; l >= 1; --l) {
                nm = l - 1;
                if (l == 1 || Negligible(rv1[l], anorm)) break;
                if (Negligible(w[nm], anorm)) {
                    cancel = true;
                    break;
                }
            }
            if (cancel) {
                // w[nm] is negligible: rotate rv1[l] away into the rows below.
                double c = 0, s = 1;
                for (int32_t i = l; i <= k; ++i) {
                    const double f = s * rv1[i];
                    rv1[i] = c * rv1[i];
                    if (Negligible(f, anorm)) break;
                    g = w[i];
                    double h = ScaledHypot(f, g);
                    w[i] = h;
                    h = 1 / h;
                    c = g * h;
                    s = -f * h;
                    RotateColumns(a, m, nm, i, c, s);
                }
            }
            double z = w[k];
            if (l == k) {
                // Converged: make the singular value non-negative.
                if (z < 0) {
                    w[k] = -z;
                    for (int32_t j = 1; j <= n; ++j) v[j][k] = -v[j][k];
                }
                break;
            }
            if (sweep == kMaxSweeps) ThrowStatus(Status::NumericalFailure);

            // Shift from the bottom 2 × 2 minor.
            double x = w[l];
            nm = k - 1;
            double y = w[nm];
            g = rv1[nm];
            double h = rv1[k];
            double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2 * h * y);
            g = ScaledHypot(f, 1);
            f = ((x - z) * (x + z) + h * ((y / (f + WithSignOf(g, f))) - h)) / x;

            // QR sweep: chase the bulge down the bidiagonal.
            double c = 1, s = 1;
            for (int32_t j = l; j <= nm; ++j) {
                const int32_t i = j + 1;
                g = rv1[i];
                y = w[i];
                h = s * g;
                g = c * g;
                z = ScaledHypot(f, h);
                rv1[j] = z;
                c = f / z;
                s = h / z;
                f = x * c + g * s;
                g = g * c - x * s;
                h = y * s;
                y *= c;
                RotateColumns(v, n, j, i, c, s);
                z = ScaledHypot(f, h);
                w[j] = z;
                if (z != 0) {
                    z = 1 / z;
                    c = f * z;
                    s = h * z;
                }
                f = c * g + s * y;
                x = c * y - s * g;
                RotateColumns(a, m, j, i, c, s);
            }
            rv1[l] = 0;
            rv1[k] = f;
            w[k] = x;
        }
    }
}

}  // namespace sheetstat
