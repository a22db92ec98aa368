// Weighted least squares for the regression exports: the cases are read into the
// triangular factor of their weighted rows once (LeastSquaresTriangle), and every
// model on a subset of the variable columns, with or without an intercept, is fitted
// from that factor (SvdFitTriangle) without another pass over the data.
//
// With an intercept the columns and the response are first centred on their
// weighted means (WeightedCentring): the slopes are fitted without an intercept on
// the centred columns and the intercept recovered from the means. An offset common
// to a column (calendar years, population counts) then costs no digits, and the
// singular values that the fit compares with its cut-off are those of the variables'
// variation, not of their offsets.
//
// A fit that cuts a direction (a singular value below 1e-10 of the largest of the
// equilibrated design) gives the minimum-norm solution. A linear function λᵀθ of
// the fitted parameters is then determined by the data only when λ is orthogonal to
// the cut directions; DependsOnCut tells, for the reported coefficients of each
// export, whether it is not (its probability is then not reported).
#pragma once

#include <cstdint>

#include "frame/work_storage.hpp"
#include "numeric/least_squares_triangle.hpp"
#include "numeric/svd_fit.hpp"
#include "numeric/weighted_centring.hpp"

namespace sheetstat {

class RegressionFactor {
public:
    // A factor for n ≥ 1 variable columns, with or without an intercept.
    RegressionFactor(int32_t n, bool intercept);

    // forEachCase(visit) calls visit(p, y, sig) for every case: p[1..n] (a RealVector)
    // the case's variables, y its response, sig > 0 its standard deviation (weight
    // 1/sig²). Called twice with an intercept (means, then the factor), once without;
    // it must deliver the same cases each time.
    template <class ForEachCase>
    void Build(ForEachCase&& forEachCase)
    {
        if (intercept_) {
            forEachCase([this](const RealVector& p, double y, double sig) { centring_.Add(p, y, sig); });
            centring_.Finish();
            forEachCase([this](const RealVector& p, double y, double sig) {
                const double response = centring_.Centre(p, y, centred_);
                triangle_.AddRow(centred_, response, sig);
            });
        } else {
            forEachCase([this](const RealVector& p, double y, double sig) { triangle_.AddRow(p, y, sig); });
        }
        FinishBuild();
    }

    bool intercept() const noexcept { return intercept_; }
    // The weighted mean of variable column j (with an intercept; 0 without).
    double ColumnMean(int32_t j) const { return intercept_ ? centring_.mean(j) : 0.0; }
    // Number of coefficients of a model on q columns.
    int32_t CoefficientCount(int32_t q) const noexcept { return q + (intercept_ ? 1 : 0); }

    // Fits the model on columns[1..q] (distinct, each in 1..n, in the order wanted).
    // coef[1..ma] and cov[1..ma][1..ma] (ma = CoefficientCount(q); the covariance up
    // to the residual variance) come back intercept first when there is one. chisq is
    // the weighted residual sum of squares; kept < q means a direction was cut. The
    // factor remembers the fit for DependsOnCut, CoefficientCut and Residual.
    LeastSquaresFit Fit(const IntVector& columns, int32_t q, RealVector& coef, RealMatrix& cov);

    // Whether λᵀθ depends on a direction the last fit cut, θ being the parameters of
    // that fit in the centred form: θ_0 the intercept of the centred fit (ignored
    // without an intercept), θ_1..θ_q the slopes. λ[0..q].
    bool DependsOnCut(const RealVector& lambda) const;
    // The same for the reported coefficient d = 1..ma of the last fit.
    bool CoefficientCut(int32_t d) const;

    // y − fitted for a case (p[1..n], the variables of the case) under the last fit,
    // computed in centred form when there is an intercept.
    double Residual(const RealVector& p, double y) const;
    // The fitted value for a case under the last fit.
    double Fitted(const RealVector& p) const;

private:
    void FinishBuild();

    int32_t n_;
    bool intercept_;
    WeightedCentring centring_;
    LeastSquaresTriangle triangle_;
    RealVector centred_;
    // The 2-norms of the factor's columns (1 for a zero column), as the fit's
    // equilibration uses them.
    RealVector norms_;
    // The last fit: its columns, slopes, V (of the slopes, in their units), singular
    // values (0 = cut), slope covariance; work for DependsOnCut.
    IntVector columns_;
    int32_t q_ = 0;
    RealVector slopes_, w_;
    RealMatrix v_, slopeCov_;
    mutable RealVector lambda_;
};

// The test of a coefficient b with variance factor `variance` (its diagonal element
// of the covariance up to the residual variance), residual standard deviation s and
// df residual degrees of freedom: se = s·sqrt(variance), t = b/se and the two-tailed
// probability of |t| under Student's t. MissingValue where a quantity is not
// defined: everything when df ≤ 0; t and p for a coefficient the data do not
// determine (`cut`, or a variance of 0 while s > 0); t for an exact fit (s = 0),
// whose p is 0.
struct CoefficientTest {
    double se = 0, t = 0, p = 0;
};
CoefficientTest TestCoefficient(double coefficient, double variance, double s, double df, bool cut);

}  // namespace sheetstat
