// The regression factor and the coefficient test (see the header).
#include "analyses/regression/regression_factor.hpp"

#include <cmath>
#include <cstddef>

#include "frame/markers.hpp"
#include "frame/status.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/math_functions.hpp"
#include "numeric/svd.hpp"

namespace sheetstat {
namespace {

// How far λ may lean towards a cut direction (cosine of the angle between λ and the
// direction, both in the equilibrated coordinates of the fit) and still count as
// orthogonal to it: well above the rounding of a computed null vector, well below
// any real dependence.
constexpr double kCutTolerance = 1e-8;

std::size_t Count(int32_t n)
{
    Require(n >= 1);
    return static_cast<std::size_t>(n);
}

}  // namespace

RegressionFactor::RegressionFactor(int32_t n, bool intercept)
    : n_(n), intercept_(intercept), centring_(intercept ? n : 0), triangle_(n), centred_(1, Count(n)),
      norms_(1, Count(n)), columns_(1, Count(n)), slopes_(1, Count(n)), w_(1, Count(n)),
      v_(1, Count(n), 1, Count(n)), slopeCov_(1, Count(n), 1, Count(n)), lambda_(0, Count(n) + 1)
{
}

void RegressionFactor::FinishBuild()
{
    // Column j of R has its 2-norm in rows 1..j (R is upper triangular); scaled by
    // the largest magnitude so that the squares cannot overflow.
    for (int32_t j = 1; j <= n_; ++j) {
        double largest = 0;
        for (int32_t i = 1; i <= j; ++i) largest = std::fmax(largest, std::fabs(triangle_(i, j)));
        double sum = 0;
        if (largest > 0) {
            for (int32_t i = 1; i <= j; ++i) {
                const double scaled = triangle_(i, j) / largest;
                sum += scaled * scaled;
            }
        }
        norms_[j] = largest > 0 ? largest * std::sqrt(sum) : 1.0;
    }
}

LeastSquaresFit RegressionFactor::Fit(const IntVector& columns, int32_t q, RealVector& coef, RealMatrix& cov)
{
    const LeastSquaresFit fit = SvdFitTriangle(triangle_, columns, q, slopes_, v_, w_);
    SvdCovariance(v_, q, w_, slopeCov_);
    q_ = q;
    for (int32_t j = 1; j <= q; ++j) columns_[j] = columns[j];
    if (intercept_) {
        centring_.AddIntercept(columns_, q, slopes_, slopeCov_, coef, cov);
    } else {
        for (int32_t j = 1; j <= q; ++j) {
            coef[j] = slopes_[j];
            for (int32_t k = 1; k <= q; ++k) cov[j][k] = slopeCov_[j][k];
        }
    }
    return fit;
}

bool RegressionFactor::DependsOnCut(const RealVector& lambda) const
{
    // In the equilibrated coordinates (θ_i times the norm of its column; the
    // intercept's column is the constant, of norm sqrt(Σw)) the cut directions are
    // the unit vectors z_k = D·v[·][k], and λ becomes D⁻¹λ. Their cosine is
    // λᵀv[·][k] / ‖D⁻¹λ‖; λ is first divided by its largest equilibrated element.
    const double interceptNorm = intercept_ ? std::sqrt(centring_.sumWeights()) : 0.0;
    double largest = intercept_ ? std::fabs(lambda[0]) / interceptNorm : 0.0;
    for (int32_t i = 1; i <= q_; ++i) largest = std::fmax(largest, std::fabs(lambda[i]) / norms_[columns_[i]]);
    if (largest == 0) return false;
    double norm = 0;
    if (intercept_) {
        const double scaled = lambda[0] / largest / interceptNorm;
        norm += scaled * scaled;
    }
    for (int32_t i = 1; i <= q_; ++i) {
        const double scaled = lambda[i] / largest / norms_[columns_[i]];
        norm += scaled * scaled;
    }
    norm = std::sqrt(norm);
    for (int32_t k = 1; k <= q_; ++k) {
        if (w_[k] != 0) continue;
        double dot = 0;
        for (int32_t i = 1; i <= q_; ++i) dot += lambda[i] / largest * v_[i][k];
        if (std::fabs(dot) > kCutTolerance * norm) return true;
    }
    return false;
}

bool RegressionFactor::CoefficientCut(int32_t d) const
{
    for (int32_t i = 0; i <= q_; ++i) lambda_[i] = 0;
    if (intercept_ && d == 1) {
        // The reported intercept is θ_0 − Σ x̄_j·θ_j.
        lambda_[0] = 1;
        for (int32_t i = 1; i <= q_; ++i) lambda_[i] = -centring_.mean(columns_[i]);
    } else {
        lambda_[d - (intercept_ ? 1 : 0)] = 1;
    }
    return DependsOnCut(lambda_);
}

double RegressionFactor::Residual(const RealVector& p, double y) const
{
    if (!intercept_) {
        double residual = y;
        for (int32_t j = 1; j <= q_; ++j) residual -= slopes_[j] * p[columns_[j]];
        return residual;
    }
    double residual = y - centring_.responseMean();
    for (int32_t j = 1; j <= q_; ++j) residual -= slopes_[j] * (p[columns_[j]] - centring_.mean(columns_[j]));
    return residual;
}

double RegressionFactor::Fitted(const RealVector& p) const
{
    double fitted = intercept_ ? centring_.responseMean() : 0.0;
    for (int32_t j = 1; j <= q_; ++j) {
        fitted += slopes_[j] * (intercept_ ? p[columns_[j]] - centring_.mean(columns_[j]) : p[columns_[j]]);
    }
    return fitted;
}

CoefficientTest TestCoefficient(double coefficient, double variance, double s, double df, bool cut)
{
    CoefficientTest test{kMissingValue, kMissingValue, kMissingValue};
    if (!(df > 0)) return test;
    test.se = variance > 0 ? s * std::sqrt(variance) : 0.0;
    if (cut || (variance <= 0 && s > 0)) return test;
    if (test.se == 0) {
        test.p = 0;  // an exact fit
        return test;
    }
    test.t = coefficient / test.se;
    // df/(df + t²) as 1/(1 + r²), r = |t|/√df, without squaring a huge t.
    const double r = std::fabs(test.t) / std::sqrt(df);
    test.p = r > 1e150 ? 0.0 : ClampProbability(IncBeta(df / 2, 0.5, 1 / (1 + r * r)));
    return test;
}

}  // namespace sheetstat
