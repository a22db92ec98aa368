// Eigenvalues and eigenvectors of a real nonsymmetric matrix (see the header): the
// EISPACK routines balanc, elmhes, eltran, hqr2, balbak and cdiv, with a fixed
// precision constant ε = 1e-20 in every negligibility test (a subdiagonal element is
// negligible when it is at most ε times its two diagonal neighbours), 30 iterations
// per eigenvalue with exceptional shifts at 10 and 20, and a 2 × 2 block whose
// discriminant is exactly 0 reported as a pair with imaginary parts +0 and −0.
//
// The vector of a complex pair at (na, en) is built with last component 1 + 0i
// (column na, real part, row en holds 1; column en, imaginary part, row en holds 0),
// so both columns of the pair reach down to row en. The back-transformation
// V·(triangle) therefore forms the two columns of a pair together, each summing over
// rows low..min(en, igh) of the triangle, before either is stored: the per-column
// loop of hqr2 stops column na at row na and would drop that last term.
#include "numeric/nonsymmetric_eigen.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "frame/status.hpp"

namespace sheetstat {
namespace {

constexpr double kNegligible = 1e-20;
// Balancing reduces a norm by at least 5% at every change, so it stops by itself;
// this bound only guards the loop (a stop leaves a valid, less balanced similarity).
constexpr int kMaxBalancingPasses = 1000;

// Exchanges columns j and m over rows 1..lastRow and rows j and m over columns firstColumn..n.
void ExchangeRowsAndColumns(RealMatrix& a, int32_t j, int32_t m, int32_t lastRow, int32_t firstColumn, int32_t n)
{
    if (j == m) return;
    for (int32_t i = 1; i <= lastRow; ++i) std::swap(a[i][j], a[i][m]);
    for (int32_t i = firstColumn; i <= n; ++i) std::swap(a[j][i], a[m][i]);
}

// Row j has no nonzero element off the diagonal in columns 1..l.
bool RowIsolates(const RealMatrix& a, int32_t j, int32_t l)
{
    for (int32_t i = 1; i <= l; ++i) {
        if (i != j && a[j][i] != 0) return false;
    }
    return true;
}

// Column j has no nonzero element off the diagonal in rows k..l.
bool ColumnIsolates(const RealMatrix& a, int32_t j, int32_t k, int32_t l)
{
    for (int32_t i = k; i <= l; ++i) {
        if (i != j && a[i][j] != 0) return false;
    }
    return true;
}

// One scaling pass over rows and columns low..igh; whether it changed anything.
bool ScalingPass(RealMatrix& a, RealVector& scale, int32_t low, int32_t igh, int32_t n)
{
    bool changed = false;
    for (int32_t i = low; i <= igh; ++i) {
        double c = 0, r = 0;
        for (int32_t j = low; j <= igh; ++j) {
            if (j == i) continue;
            c += std::fabs(a[j][i]);
            r += std::fabs(a[i][j]);
        }
        // A row or column emptied by underflow of earlier scalings has nothing to balance.
        if (c == 0 || r == 0) continue;
        const double s = c + r;
        double f = 1;
        while (c < r / 2) {
            f *= 2;
            c *= 4;
        }
        while (c >= r * 2) {
            f /= 2;
            c /= 4;
        }
        if ((c + r) / f < 0.95 * s) {
            scale[i] *= f;
            const double g = 1 / f;
            for (int32_t j = low; j <= n; ++j) a[i][j] *= g;
            for (int32_t j = 1; j <= igh; ++j) a[j][i] *= f;
            changed = true;
        }
    }
    return changed;
}

// The rows low..igh of columns c1 and c2 of v replaced by v·t over rows low..last of
// t (the columns of a complex pair; c1 = c2 for a single column), each row's new
// values formed before any is stored.
void TransformColumns(RealMatrix& v, const RealMatrix& t, int32_t c1, int32_t c2, int32_t low, int32_t igh,
                      int32_t last)
{
    for (int32_t i = low; i <= igh; ++i) {
        double first = 0, second = 0;
        for (int32_t k = low; k <= last; ++k) {
            first += v[i][k] * t[k][c1];
            second += v[i][k] * t[k][c2];
        }
        v[i][c1] = first;
        v[i][c2] = second;
    }
}

// Divides rows i..en of column `column` (and `other`) by t, the largest new
// component, once t + 1/t rounds to t (t ≥ √(2^53)), so that later components of the
// back-substitution stay finite (hqr2's overflow control, without forming 1/t).
void ControlOverflow(RealMatrix& a, int32_t i, int32_t en, int32_t column, int32_t other, double t)
{
    constexpr double kLargeComponent = 94906265.62425156;  // √(2^53)
    if (!(t >= kLargeComponent)) return;
    for (int32_t j = i; j <= en; ++j) {
        a[j][column] /= t;
        if (other != column) a[j][other] /= t;
    }
}

// The eigenvector of the real eigenvalue p at en of the quasi-triangular a, into
// column en (last component 1).
void RealVectorBySubstitution(RealMatrix& a, const RealVector& wr, const RealVector& wi, int32_t en, double norm)
{
    const double p = wr[en];
    int32_t m = en;
    a[en][en] = 1;
    double zz = 0, s = 0;  // the lower row of a 2 × 2 block, kept for its upper row
    for (int32_t i = en - 1; i >= 1; --i) {
        const double w = a[i][i] - p;
        double r = 0;
        for (int32_t j = m; j <= en; ++j) r += a[i][j] * a[j][en];
        if (wi[i] < 0) {
            zz = w;
            s = r;
            continue;
        }
        m = i;
        if (wi[i] == 0) {
            const double t = w != 0 ? w : kNegligible * norm;
            a[i][en] = -r / t;
        } else {
            // Rows i and i + 1 of a 2 × 2 block with complex eigenvalues.
            const double x = a[i][i + 1], y = a[i + 1][i];
            const double q = (wr[i] - p) * (wr[i] - p) + wi[i] * wi[i];
            const double t = (x * s - zz * r) / q;
            a[i][en] = t;
            a[i + 1][en] = std::fabs(x) > std::fabs(zz) ? (-r - w * t) / x : (-s - y * t) / zz;
        }
        ControlOverflow(a, i, en, en, en, std::fabs(a[i][en]));
    }
}

// The eigenvector of p − i·q (q = wi[en] < 0, so the eigenvalue with positive
// imaginary part) of the pair at na = en − 1, en: real parts into column na,
// imaginary parts into column en, last component 1 + 0i.
void ComplexVectorBySubstitution(RealMatrix& a, const RealVector& wr, const RealVector& wi, int32_t en, double norm)
{
    const int32_t na = en - 1;
    const double p = wr[en], q = wi[en];
    if (std::fabs(a[en][na]) > std::fabs(a[na][en])) {
        a[na][na] = (p - a[en][en]) / a[en][na];
        a[na][en] = -q / a[en][na];
    } else {
        const ComplexQuotient c = ComplexDivide(-a[na][en], 0, a[na][na] - p, q);
        a[na][na] = c.re;
        a[na][en] = c.im;
    }
    a[en][na] = 1;
    a[en][en] = 0;
    int32_t m = na;
    double zz = 0, r = 0, s = 0;  // the lower row of a 2 × 2 block, kept for its upper row
    for (int32_t i = na - 1; i >= 1; --i) {
        const double w = a[i][i] - p;
        double ra = 0, sa = 0;
        for (int32_t j = m; j <= en; ++j) {
            ra += a[i][j] * a[j][na];
            sa += a[i][j] * a[j][en];
        }
        if (wi[i] < 0) {
            zz = w;
            r = ra;
            s = sa;
            continue;
        }
        m = i;
        if (wi[i] == 0) {
            const ComplexQuotient c = ComplexDivide(-ra, -sa, w, q);
            a[i][na] = c.re;
            a[i][en] = c.im;
        } else {
            // Rows i and i + 1 of a 2 × 2 block with complex eigenvalues.
            const double x = a[i][i + 1], y = a[i + 1][i];
            double vr = (wr[i] - p) * (wr[i] - p) + wi[i] * wi[i] - q * q;
            const double vi = (wr[i] - p) * 2 * q;
            if (vr == 0 && vi == 0) {
                vr = kNegligible * norm * (std::fabs(w) + std::fabs(q) + std::fabs(x) + std::fabs(y) + std::fabs(zz));
            }
            const ComplexQuotient c = ComplexDivide(x * r - zz * ra + q * sa, x * s - zz * sa - q * ra, vr, vi);
            a[i][na] = c.re;
            a[i][en] = c.im;
            if (std::fabs(x) > std::fabs(zz) + std::fabs(q)) {
                a[i + 1][na] = (-ra - w * a[i][na] + q * a[i][en]) / x;
                a[i + 1][en] = (-sa - w * a[i][en] - q * a[i][na]) / x;
            } else {
                const ComplexQuotient d = ComplexDivide(-r - y * a[i][na], -s - y * a[i][en], zz, q);
                a[i + 1][na] = d.re;
                a[i + 1][en] = d.im;
            }
        }
        ControlOverflow(a, i, en, na, en, std::max(std::fabs(a[i][na]), std::fabs(a[i][en])));
    }
}

// Eigenvectors of the quasi-triangular a by back-substitution, then transformed by v
// (the accumulated similarity) into the vectors of the balanced matrix.
void EigenvectorsOfSchurForm(RealMatrix& a, RealMatrix& v, const RealVector& wr, const RealVector& wi, int32_t low,
                             int32_t igh, int32_t n)
{
    double norm = 0;
    for (int32_t i = 1; i <= n; ++i) {
        for (int32_t j = std::max(i - 1, 1); j <= n; ++j) norm += std::fabs(a[i][j]);
    }
    if (norm == 0) return;
    for (int32_t en = n; en >= 1; --en) {
        if (wi[en] == 0) {
            RealVectorBySubstitution(a, wr, wi, en, norm);
        } else if (wi[en] < 0) {
            ComplexVectorBySubstitution(a, wr, wi, en, norm);
        }
    }
    // Vectors of the isolated roots.
    for (int32_t i = 1; i <= n; ++i) {
        if (i >= low && i <= igh) continue;
        for (int32_t j = i; j <= n; ++j) v[i][j] = a[i][j];
    }
    for (int32_t j = n; j >= low; --j) {
        const int32_t last = std::min(j, igh);
        if (j > low && wi[j] < 0) {
            TransformColumns(v, a, j - 1, j, low, igh, last);
            --j;
        } else {
            TransformColumns(v, a, j, j, low, igh, last);
        }
    }
}

// One double-shift QR step on rows and columns l..en, starting at row m, with the
// shift given by (p, q, r); the transformations are applied to the whole of a (rows
// over columns k..n, columns over rows 1..min(en, k + 3)) and accumulated into v.
void DoubleShiftStep(RealMatrix& a, RealMatrix& v, int32_t l, int32_t m, int32_t en, int32_t low, int32_t igh,
                     int32_t n, double p, double q, double r)
{
    const int32_t na = en - 1;
    for (int32_t k = m; k <= na; ++k) {
        const bool notLast = k != na;
        double x = 0;
        if (k != m) {
            p = a[k][k - 1];
            q = a[k + 1][k - 1];
            r = notLast ? a[k + 2][k - 1] : 0;
            x = std::fabs(p) + std::fabs(q) + std::fabs(r);
            if (x == 0) continue;
            p /= x;
            q /= x;
            r /= x;
        }
        double s = std::sqrt(p * p + q * q + r * r);
        if (p < 0) s = -s;
        if (k != m) {
            a[k][k - 1] = -s * x;
        } else if (l != m) {
            a[k][k - 1] = -a[k][k - 1];
        }
        p += s;
        x = p / s;
        const double y = q / s, zz = r / s;
        q /= p;
        r /= p;
        const int32_t lastRow = std::min(en, k + 3);
        if (notLast) {
            for (int32_t j = k; j <= n; ++j) {
                const double t = a[k][j] + q * a[k + 1][j] + r * a[k + 2][j];
                a[k][j] -= t * x;
                a[k + 1][j] -= t * y;
                a[k + 2][j] -= t * zz;
            }
            for (int32_t i = 1; i <= lastRow; ++i) {
                const double t = x * a[i][k] + y * a[i][k + 1] + zz * a[i][k + 2];
                a[i][k] -= t;
                a[i][k + 1] -= t * q;
                a[i][k + 2] -= t * r;
            }
            for (int32_t i = low; i <= igh; ++i) {
                const double t = x * v[i][k] + y * v[i][k + 1] + zz * v[i][k + 2];
                v[i][k] -= t;
                v[i][k + 1] -= t * q;
                v[i][k + 2] -= t * r;
            }
        } else {
            for (int32_t j = k; j <= n; ++j) {
                const double t = a[k][j] + q * a[k + 1][j];
                a[k][j] -= t * x;
                a[k + 1][j] -= t * y;
            }
            for (int32_t i = 1; i <= lastRow; ++i) {
                const double t = x * a[i][k] + y * a[i][k + 1];
                a[i][k] -= t;
                a[i][k + 1] -= t * q;
            }
            for (int32_t i = low; i <= igh; ++i) {
                const double t = x * v[i][k] + y * v[i][k + 1];
                v[i][k] -= t;
                v[i][k + 1] -= t * q;
            }
        }
    }
}

// The plane rotation (p, q) applied to rows and columns na, en of a (rows over
// columns na..n, columns over rows 1..en) and to columns na, en of v.
void RotatePair(RealMatrix& a, RealMatrix& v, int32_t en, int32_t low, int32_t igh, int32_t n, double p, double q)
{
    const int32_t na = en - 1;
    for (int32_t j = na; j <= n; ++j) {
        const double u = a[na][j], w = a[en][j];
        a[na][j] = q * u + p * w;
        a[en][j] = q * w - p * u;
    }
    for (int32_t i = 1; i <= en; ++i) {
        const double u = a[i][na], w = a[i][en];
        a[i][na] = q * u + p * w;
        a[i][en] = q * w - p * u;
    }
    for (int32_t i = low; i <= igh; ++i) {
        const double u = v[i][na], w = v[i][en];
        v[i][na] = q * u + p * w;
        v[i][en] = q * w - p * u;
    }
}

}  // namespace

void BalanceMatrix(RealMatrix& a, RealVector& scale, BalancedRange& range, int32_t n)
{
    int32_t k = 1, l = n;
    range = {1, n};
    if (n <= 0) return;
    // Rows that isolate an eigenvalue, pushed down to l; the last row left isolates by itself.
    for (bool found = true; found;) {
        found = false;
        for (int32_t j = l; j >= 1; --j) {
            if (!RowIsolates(a, j, l)) continue;
            scale[l] = j;
            ExchangeRowsAndColumns(a, j, l, l, 1, n);
            if (l == 1) {
                range = {1, 1};
                return;
            }
            --l;
            found = true;
            break;
        }
    }
    // Columns that isolate an eigenvalue, pushed left to k.
    for (bool found = true; found;) {
        found = false;
        for (int32_t j = k; j <= l; ++j) {
            if (!ColumnIsolates(a, j, k, l)) continue;
            scale[k] = j;
            ExchangeRowsAndColumns(a, j, k, l, k, n);
            ++k;
            found = true;
            break;
        }
    }
    range = {k, l};
    for (int32_t i = k; i <= l; ++i) scale[i] = 1;
    for (int pass = 0; pass < kMaxBalancingPasses && ScalingPass(a, scale, k, l, n); ++pass) {
    }
}

void ReduceToHessenberg(RealMatrix& a, int32_t n, const BalancedRange& range, IntVector& perm)
{
    const int32_t low = range.low, igh = range.igh;
    for (int32_t i = 1; i <= n; ++i) perm[i] = 0;
    for (int32_t m = low + 1; m <= igh - 1; ++m) {
        double x = 0;
        int32_t pivot = m;
        for (int32_t j = m; j <= igh; ++j) {
            if (std::fabs(a[j][m - 1]) > std::fabs(x)) {
                x = a[j][m - 1];
                pivot = j;
            }
        }
        perm[m] = pivot;
        if (pivot != m) {
            for (int32_t j = m - 1; j <= n; ++j) std::swap(a[pivot][j], a[m][j]);
            for (int32_t j = 1; j <= igh; ++j) std::swap(a[j][pivot], a[j][m]);
        }
        if (x == 0) continue;
        for (int32_t i = m + 1; i <= igh; ++i) {
            double y = a[i][m - 1];
            if (y == 0) continue;
            y /= x;
            a[i][m - 1] = y;
            for (int32_t j = m; j <= n; ++j) a[i][j] -= y * a[m][j];
            for (int32_t j = 1; j <= igh; ++j) a[j][m] += y * a[j][i];
        }
    }
}

void AccumulateHessenberg(const RealMatrix& a, RealMatrix& v, const BalancedRange& range, const IntVector& perm,
                          int32_t n)
{
    const int32_t low = range.low, igh = range.igh;
    for (int32_t i = 1; i <= n; ++i) {
        for (int32_t j = 1; j <= n; ++j) v[i][j] = i == j ? 1.0 : 0.0;
    }
    for (int32_t mp = igh - 1; mp >= low + 1; --mp) {
        for (int32_t i = mp + 1; i <= igh; ++i) v[i][mp] = a[i][mp - 1];
        const int32_t i = perm[mp];
        if (i == mp) continue;
        for (int32_t j = mp; j <= igh; ++j) {
            v[mp][j] = v[i][j];
            v[i][j] = 0;
        }
        v[i][mp] = 1;
    }
}

int32_t HessenbergQr(RealMatrix& a, RealMatrix& v, RealVector& wr, RealVector& wi, BalancedRange range,
                     IntVector& count, int32_t n)
{
    if (n <= 0) return 0;
    int32_t low = range.low, igh = range.igh;
    if (low < 1 || low > n || igh < 1 || igh > n || low > igh) {
        low = 1;
        igh = n;
    }
    for (int32_t i = 1; i <= n; ++i) {
        if (i >= low && i <= igh) continue;
        wr[i] = a[i][i];
        wi[i] = 0;
        count[i] = 0;
    }
    int32_t largest = 0;
    double t = 0;  // the accumulated exceptional shifts
    int32_t en = igh;
    int32_t its = 0;
    while (en >= low) {
        const int32_t na = en - 1;
        // The lowest split: the largest l whose subdiagonal element is negligible.
        int32_t l = low;
        for (int32_t ll = en; ll > low; --ll) {
            if (std::fabs(a[ll][ll - 1]) <= kNegligible * (std::fabs(a[ll - 1][ll - 1]) + std::fabs(a[ll][ll]))) {
                l = ll;
                break;
            }
        }
        double x = a[en][en];
        if (l == en) {
            a[en][en] = x + t;
            wr[en] = a[en][en];
            wi[en] = 0;
            count[en] = its;
            largest = std::max(largest, its);
            en = na;
            its = 0;
            continue;
        }
        double y = a[na][na];
        double w = a[en][na] * a[na][en];
        if (l == na) {
            // A 2 × 2 block: its two roots, and for a real pair the rotation that
            // makes the block upper triangular.
            double p = (y - x) / 2;
            double q = p * p + w;
            double zz = std::sqrt(std::fabs(q));
            a[en][en] = x + t;
            x = a[en][en];
            a[na][na] = y + t;
            count[en] = -its;
            count[na] = its;
            largest = std::max(largest, its);
            if (q <= 0) {
                wr[na] = x + p;
                wr[en] = x + p;
                wi[na] = zz;
                wi[en] = -zz;
            } else {
                zz = p >= 0 ? p + zz : p - zz;
                wr[na] = x + zz;
                wr[en] = x - w / zz;
                wi[na] = 0;
                wi[en] = 0;
                x = a[en][na];
                const double s = std::sqrt(x * x + zz * zz);
                RotatePair(a, v, en, low, igh, n, x / s, zz / s);
            }
            en -= 2;
            its = 0;
            continue;
        }
        if (its == kEigenIterationLimit) {
            count[en] = kEigenIterationLimit + 1;
            return kEigenIterationLimit + 1;
        }
        if (its == 10 || its == 20) {
            // Exceptional shift.
            t += x;
            for (int32_t i = low; i <= en; ++i) a[i][i] -= x;
            const double s = std::fabs(a[en][na]) + std::fabs(a[na][en - 2]);
            x = y = 0.75 * s;
            w = -0.4375 * s * s;
        }
        ++its;
        // Two consecutive small subdiagonal elements: the step starts at row m.
        int32_t m = en - 2;
        double p = 0, q = 0, r = 0;
        for (;; --m) {
            const double zz = a[m][m];
            r = x - zz;
            double s = y - zz;
            p = (r * s - w) / a[m + 1][m] + a[m][m + 1];
            q = a[m + 1][m + 1] - zz - r - s;
            r = a[m + 2][m + 1];
            s = std::fabs(p) + std::fabs(q) + std::fabs(r);
            p /= s;
            q /= s;
            r /= s;
            if (m == l) break;
            if (std::fabs(a[m][m - 1]) * (std::fabs(q) + std::fabs(r)) <=
                kNegligible * std::fabs(p) * (std::fabs(a[m - 1][m - 1]) + std::fabs(zz) + std::fabs(a[m + 1][m + 1]))) {
                break;
            }
        }
        for (int32_t i = m + 2; i <= en; ++i) {
            a[i][i - 2] = 0;
            if (i != m + 2) a[i][i - 3] = 0;
        }
        DoubleShiftStep(a, v, l, m, en, low, igh, n, p, q, r);
    }
    EigenvectorsOfSchurForm(a, v, wr, wi, low, igh, n);
    return largest;
}

void BalanceBack(RealMatrix& v, const RealVector& scale, const BalancedRange& range, int32_t n, int32_t m)
{
    const int32_t low = range.low, igh = range.igh;
    for (int32_t i = low; i <= igh; ++i) {
        const double s = scale[i];
        for (int32_t j = 1; j <= m; ++j) v[i][j] *= s;
    }
    const auto undoExchange = [&](int32_t i) {
        // The index was stored by BalanceMatrix; anything else is a fault of the caller.
        const double stored = scale[i];
        Require(stored >= 1 && stored <= n, Status::Failure);
        const auto k = static_cast<int32_t>(stored);
        if (k == i) return;
        for (int32_t j = 1; j <= m; ++j) std::swap(v[i][j], v[k][j]);
    };
    for (int32_t i = low - 1; i >= 1; --i) undoExchange(i);
    for (int32_t i = igh + 1; i <= n; ++i) undoExchange(i);
}

ComplexQuotient ComplexDivide(double ar, double ai, double br, double bi) noexcept
{
    if (std::fabs(bi) < std::fabs(br)) {
        const double s = bi / br, d = s * bi + br;
        return {(s * ai + ar) / d, (ai - s * ar) / d};
    }
    const double s = br / bi, d = s * br + bi;
    return {(s * ar + ai) / d, (s * ai - ar) / d};
}

void SolveNonsymmetricEigen(RealMatrix& a, int32_t n, RealVector& wr, RealVector& wi, RealMatrix& v)
{
    Require(n >= 0, Status::Failure);
    const auto order = static_cast<std::size_t>(n);
    RealVector scale(1, order);
    IntVector perm(1, order), count(1, order);
    BalancedRange range;
    BalanceMatrix(a, scale, range, n);
    ReduceToHessenberg(a, n, range, perm);
    AccumulateHessenberg(a, v, range, perm, n);
    if (HessenbergQr(a, v, wr, wi, range, count, n) > kEigenIterationLimit) ThrowStatus(Status::NumericalFailure);
    BalanceBack(v, scale, range, n, n);
    for (int32_t i = 1; i <= n; ++i) {
        bool finite = std::isfinite(wr[i]) && std::isfinite(wi[i]);
        for (int32_t j = 1; j <= n; ++j) finite = finite && std::isfinite(v[i][j]);
        if (!finite) ThrowStatus(Status::NumericalFailure);
    }
}

}  // namespace sheetstat
