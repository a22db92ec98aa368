// Least-squares solution and covariance from the factors A = U·diag(w)·Vᵀ:
// x = Σ_k v_k·(u_kᵀb)/w_k and cov = Σ_k v_k·v_kᵀ/w_k² over the kept singular values
// (w_k ≠ 0), the pseudo-inverse A⁺b and (AᵀA)⁺ (Golub and Van Loan, Matrix
// Computations, 5.5.4).
#include <cstdint>

#include "numeric/svd.hpp"

namespace sheetstat {

void SvdBackSubstitute(const RealMatrix& u, const RealVector& w, const RealMatrix& v, int32_t m, int32_t n,
                       const RealVector& b, RealVector& x)
{
    if (n <= 0) return;
    RealVector t(1, static_cast<std::size_t>(n));
    for (int32_t j = 1; j <= n; ++j) {
        double s = 0;
        if (w[j] != 0) {
            for (int32_t i = 1; i <= m; ++i) s += u[i][j] * b[i];
            s /= w[j];
        }
        t[j] = s;
    }
    for (int32_t j = 1; j <= n; ++j) {
        double s = 0;
        for (int32_t k = 1; k <= n; ++k) s += v[j][k] * t[k];
        x[j] = s;
    }
}

void SvdCovariance(const RealMatrix& v, int32_t n, const RealVector& w, RealMatrix& cov)
{
    if (n <= 0) return;
    RealVector reciprocal(1, static_cast<std::size_t>(n));
    for (int32_t k = 1; k <= n; ++k) reciprocal[k] = w[k] != 0 ? 1 / (w[k] * w[k]) : 0.0;
    for (int32_t i = 1; i <= n; ++i) {
        for (int32_t j = 1; j <= i; ++j) {
            double sum = 0;
            for (int32_t k = 1; k <= n; ++k) sum += v[i][k] * v[j][k] * reciprocal[k];
            cov[i][j] = cov[j][i] = sum;
        }
    }
}

}  // namespace sheetstat
