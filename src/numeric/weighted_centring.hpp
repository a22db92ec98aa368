// Least squares with an intercept, fitted on centred columns.
//
// The fit y ≈ c_0 + Σ c_j·x_j with weights w_i = 1/σ_i² has the same slopes as the
// fit of y − ȳ on the columns x_j − x̄_j without an intercept, x̄ and ȳ the weighted
// means, and c_0 = ȳ − Σ c_j·x̄_j. Centring first removes the common offset of each
// column before the factorisation (calendar years, population counts), where it
// would otherwise cost as many digits as the offset exceeds the spread. The
// intercept's covariance follows from the centred fit: with C the covariance of the
// slopes and g = C·x̄, var c_0 = 1/Σw + x̄ᵀg and cov(c_0, c_j) = −g_j (the two blocks
// are uncorrelated since the centred columns are orthogonal to the constant).
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/status.hpp"
#include "frame/work_storage.hpp"
#include "numeric/least_squares_triangle.hpp"
#include "numeric/running_moments.hpp"
#include "numeric/svd.hpp"
#include "numeric/svd_fit.hpp"

namespace sheetstat {

class WeightedCentring {
public:
    // Means for n ≥ 0 design columns and the response, with no case yet.
    explicit WeightedCentring(int32_t n);

    // Adds a case: design row p[1..n], response y, standard deviation sig > 0.
    void Add(const RealVector& p, double y, double sig);
    // Fixes the means after the last case; the members below read them.
    void Finish();

    // The weighted mean of design column j = 1..n, or of the response for j = n + 1
    // (0 when no case was added). Each comes from compensated sums of the deviations
    // from the first case's value, so an offset common to the column costs nothing.
    double mean(int32_t j) const { return means_[j]; }
    double responseMean() const { return means_[n_ + 1]; }
    // Σ 1/σ_i² over the cases added.
    double sumWeights() const { return weight_.Value(); }

    // centred[j] = p[j] − mean(j) for j = 1..n; returns y − responseMean().
    double Centre(const RealVector& p, double y, RealVector& centred) const;

    // From a fit without intercept of the centred response on the centred columns
    // columns[1..q] (slopes[1..q], their covariance slopeCov[1..q][1..q] up to the
    // residual variance): coef[1] = the intercept and coef[1 + j] = slopes[j];
    // cov[1..q+1][1..q+1] the covariance of coef on the same scale, intercept first.
    // Raises status 3 when no case has been added.
    void AddIntercept(const IntVector& columns, int32_t q, const RealVector& slopes, const RealMatrix& slopeCov,
                      RealVector& coef, RealMatrix& cov) const;

private:
    int32_t n_;
    double count_ = 0;
    CompensatedSum weight_;
    // The first case's values, and Σ w·(x − shift) per column (response last).
    RealVector shift_;
    OffsetVector<CompensatedSum> weightedDeviations_;
    RealVector means_;
};

// Fits y ≈ coef[1] + Σ_{j=1..n} coef[1 + j]·f_j over the cases i = 1..m ≥ 1, weights
// 1/sig[i]², where basis(i, p, n) fills p[1..n] with f_1..f_n for case i (the
// constant is not a basis function here). Centres the columns (WeightedCentring),
// fits the slopes from the factor of the centred rows, and adds the intercept:
// coef[1..n+1] and cov[1..n+1][1..n+1] (up to the residual variance) come back
// intercept first; v[1..n][1..n] and w[1..n] are those of the slopes' fit
// (SvdFitTriangle), so w[j] = 0 marks a cut direction. chisq and sse from a pass
// over the data. basis is called three times per case.
template <class Basis>
SvdFitResult SvdFitWithIntercept(const RealVector& y, const RealVector& sig, int32_t m, RealVector& coef, int32_t n,
                                 RealMatrix& v, RealVector& w, RealMatrix& cov, Basis&& basis)
{
    Require(m >= 1, Status::InsufficientData);
    const auto size = static_cast<std::size_t>(n);
    WeightedCentring centring(n);
    RealVector p(1, size), centred(1, size);
    for (int32_t i = 1; i <= m; ++i) {
        basis(i, p, n);
        centring.Add(p, y[i], sig[i]);
    }
    centring.Finish();
    LeastSquaresTriangle triangle(n);
    for (int32_t i = 1; i <= m; ++i) {
        basis(i, p, n);
        const double response = centring.Centre(p, y[i], centred);
        triangle.AddRow(centred, response, sig[i]);
    }

    RealVector slopes(1, size);
    RealMatrix slopeCov(1, size, 1, size);
    IntVector all(1, size);
    for (int32_t j = 1; j <= n; ++j) all[j] = j;
    SvdFitResult result;
    result.kept = SvdFitTriangle(triangle, all, n, slopes, v, w).kept;
    SvdCovariance(v, n, w, slopeCov);
    centring.AddIntercept(all, n, slopes, slopeCov, coef, cov);

    // Residuals in centred form: no cancellation against the intercept.
    for (int32_t i = 1; i <= m; ++i) {
        basis(i, p, n);
        double residual = centring.Centre(p, y[i], centred);
        for (int32_t j = 1; j <= n; ++j) residual -= slopes[j] * centred[j];
        const double scaled = residual / sig[i];
        result.chisq += scaled * scaled;
        result.sse += residual * residual;
    }
    return result;
}

}  // namespace sheetstat
