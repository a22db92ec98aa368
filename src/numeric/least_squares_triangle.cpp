// Row-sequential Givens QR of the weighted rows [a_i | b_i]/σ_i (see the header).
//
// A new row x is merged into R column by column: for j = 1..n + 1 a rotation of
// rows j of R and x through the angle with cos = R_jj/ρ, sin = x_j/ρ,
// ρ = sqrt(R_jj² + x_j²), zeroes x_j and leaves ρ ≥ 0 on the diagonal; rows of
// R_jj = 0 take the rest of x over unchanged up to sign. What is left of x_{n+1}
// at the end is the part of the response no design column can explain, so R_{n+1,n+1}²
// grows into the residual sum of squares of the fit on all n columns.
#include "numeric/least_squares_triangle.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "frame/status.hpp"

namespace sheetstat {
namespace {

// sqrt(a² + b²) for b ≠ 0: directly when the squares can neither overflow nor lose
// the smaller term to underflow, else scaled by the larger magnitude.
double RotationRadius(double a, double b)
{
    const double absA = std::fabs(a), absB = std::fabs(b);
    const double larger = absA > absB ? absA : absB;
    if (larger > 0x1p-500 && larger < 0x1p500) return std::sqrt(a * a + b * b);
    const double ratio = (absA > absB ? absB : absA) / larger;
    return larger * std::sqrt(1 + ratio * ratio);
}

// The order of R for n design columns, n ≥ 0.
std::size_t FactorOrder(int32_t n)
{
    Require(n >= 0 && n < INT32_MAX);
    return static_cast<std::size_t>(n) + 1;
}

}  // namespace

LeastSquaresTriangle::LeastSquaresTriangle(int32_t n)
    : n_(n), r_(1, FactorOrder(n), 1, FactorOrder(n)), block_(1, kBlockRows, 1, FactorOrder(n))
{
    r_.Fill(0);
}

void LeastSquaresTriangle::AddRow(const RealVector& p, double y, double sig)
{
    const double t = 1 / sig;
    const int32_t last = n_ + 1;
    const auto row = block_[++pending_];
    for (int32_t j = 1; j <= n_; ++j) row[j] = p[j] * t;
    row[last] = y * t;
    rows_ += 1;
    if (pending_ == kBlockRows) MergePending();
}

void LeastSquaresTriangle::MergePending() const noexcept
{
    // Row b is rotated against R's row j at step j + b: the rows of one step touch
    // different rows of R and run independently, and every row of R still meets the
    // pending rows in the order they were added.
    const int32_t last = n_ + 1;
    const int32_t rows = pending_;
    pending_ = 0;
    for (int32_t step = 2; step <= last + rows; ++step) {
        const int32_t first = step - last > 1 ? step - last : 1;
        const int32_t final = step - 1 < rows ? step - 1 : rows;
        for (int32_t b = first; b <= final; ++b) {
            const int32_t j = step - b;
            const double xj = block_[b][j];
            if (xj == 0) continue;
            // rj[k] is R(j, j + k) and x[k] is element j + k of the row, k = 0..last − j.
            double* rj = r_[j].data() + (j - 1);
            double* x = block_[b].data() + (j - 1);
            const double radius = RotationRadius(rj[0], xj);
            const double c = rj[0] / radius;
            const double s = xj / radius;
            rj[0] = radius;
            const int32_t width = last - j;
            for (int32_t k = 1; k <= width; ++k) {
                const double rk = rj[k];
                const double xk = x[k];
                rj[k] = c * rk + s * xk;
                x[k] = c * xk - s * rk;
            }
        }
    }
}

double LeastSquaresTriangle::ResponseSumOfSquares() const
{
    const int32_t last = n_ + 1;
    double sum = 0;
    for (int32_t i = 1; i <= last; ++i) sum += (*this)(i, last) * (*this)(i, last);
    return sum;
}

}  // namespace sheetstat
