// Polynomial regression y = a_0 + a_1·x + ... + a_p·x^p by weighted least squares,
// with or without the constant a_0, reporting the coefficients with their standard
// errors, t values and two-tailed probabilities.
//
// Powers of raw x are hopelessly conditioned wherever x sits far from 0 relative to
// its spread (calendar years: at degree 5 on 1990..2020 the columns agree to 15
// digits). With a constant the fit therefore runs on u = (x − mid)/h, mid the middle
// of the range of x and h the power of two at or above its half-range, so that u
// lies in [−1, 1] (and is exact wherever x − mid is), with the powers of u centred on
// their weighted means (RegressionFactor). The coefficients of the powers of x then
// follow exactly from those of u by the binomial theorem,
//   a_j = Σ_{k ≥ j} C(k, j)·(−mid)^(k−j)/h^k · c_k,
// and their covariance by the same linear map, T·cov(c)·Tᵀ (Forsythe 1957; Seber and
// Lee, Linear Regression Analysis, 7.1). Without a constant the basis is (x·c)^j with
// c = 1/max|x|, which keeps the powers within range; moving the origin would
// introduce the constant.
//
// A coefficient that depends on a direction the fit had to cut (fewer distinct x
// than coefficients) is reported from the minimum-norm solution without a t value
// or probability.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>

#include "analyses/regression/complete_rows.hpp"
#include "analyses/regression/predictions_list.hpp"
#include "analyses/regression/regression_factor.hpp"
#include "analyses/regression/weighted_total_sum_of_squares.hpp"
#include "analyses/regression/xy_rows.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/distributions.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kOptionSlots = 3;
constexpr std::size_t kResultSlots = 6;
constexpr std::size_t kCoefficientRows = 4;
// A curve of at least this many columns also receives the prediction and confidence bands.
constexpr std::size_t kBandColumns = 6;
// Powers beyond this magnitude make a prediction that is not representable.
constexpr double kLargestPower = 1e250;

// The power of two at or above h > 0 (h itself where that would overflow); 1 for h = 0.
double PowerOfTwoAtOrAbove(double h)
{
    if (!(h > 0)) return 1;
    int exponent = 0;
    const double fraction = std::frexp(h, &exponent);  // h = fraction·2^exponent, fraction in [0.5, 1)
    if (fraction == 0.5) return h;
    return exponent > 1023 ? h : std::ldexp(1.0, exponent);
}

class PolynomialRegression {
public:
    PolynomialRegression(HostArray** options, HostArray** data, HostArray** weights, HostArray** predictions,
                         HostArray** residuals, HostArray** curve, HostArray** results, HostArray** coefficients)
        : opts_(options), weights_(weights), results_(results), data_(data), predictions_(predictions),
          residuals_(residuals), curve_(curve), coefficients_(coefficients)
    {
    }

    void Run()
    {
        CheckShapes();
        CompleteRows usable(data_.rows());
        ReadData(usable);
        const std::size_t m = usable.count();
        const int32_t ma = degree_ + (constant_ ? 1 : 0);
        Require(m > static_cast<std::size_t>(ma), Status::InsufficientData);

        // The basis: u = (x − mid)/h with a constant, x·c without.
        if (constant_) {
            mid_ = std::midpoint(range_.min, range_.max);
            scale_ = PowerOfTwoAtOrAbove(range_.max / 2 - range_.min / 2);
        } else {
            mid_ = 0;
            scale_ = range_.maxAbs > 0 ? range_.maxAbs : 1.0;
        }

        RealVector sig(1, m);
        for (std::size_t i = 1; i <= m; ++i) {
            const double w = weights_[usable[i] + 1];
            sig[Index(i)] = w > 0 ? 1 / std::sqrt(w) : 1.0;
        }
        const double sst = WeightedTotalSumOfSquares([&](auto&& visit) {
            for (std::size_t i = 1; i <= m; ++i) {
                const double t = 1 / sig[Index(i)];
                visit(y()[usable[i]], t * t);
            }
        });

        const auto size = static_cast<std::size_t>(degree_);
        RegressionFactor factor(degree_, constant_);
        RealVector p(1, size);
        factor.Build([&](auto&& visit) {
            for (std::size_t i = 1; i <= m; ++i) {
                const std::size_t r = usable[i];
                Basis(x()[r], p);
                visit(p, y()[r], sig[Index(i)]);
            }
        });
        IntVector columns(1, size);
        std::iota(columns.data(), columns.data() + degree_, 1);
        const auto coefficientCount = static_cast<std::size_t>(ma);
        RealVector coef(1, coefficientCount);
        RealMatrix cov(1, coefficientCount, 1, coefficientCount);
        factor.Fit(columns, degree_, coef, cov);
        // One step of iterative refinement: the residuals fitted once more on the same
        // design and the correction added (the covariance is that of the design).
        RegressionFactor correction(degree_, constant_);
        correction.Build([&](auto&& visit) {
            for (std::size_t i = 1; i <= m; ++i) {
                const std::size_t r = usable[i];
                Basis(x()[r], p);
                visit(p, factor.Residual(p, y()[r]), sig[Index(i)]);
            }
        });
        RealVector delta(1, coefficientCount);
        RealMatrix unused(1, coefficientCount, 1, coefficientCount);
        correction.Fit(columns, degree_, delta, unused);
        for (std::size_t j = 1; j <= coefficientCount; ++j) coef[Index(j)] += delta[Index(j)];
        const auto residualOf = [&](std::size_t r) {
            return correction.Residual(p, factor.Residual(p, y()[r]));
        };

        double sse = 0, unweighted = 0;
        for (std::size_t i = 1; i <= m; ++i) {
            const std::size_t r = usable[i];
            Basis(x()[r], p);
            const double residual = residualOf(r);
            const double scaled = residual / sig[Index(i)];
            sse += scaled * scaled;
            unweighted += residual * residual;
        }

        const double df = static_cast<double>(m) - ma;
        WriteResults(static_cast<double>(m), ma, df, sse, unweighted, sst);
        WriteCoefficients(factor, coef, cov, std::sqrt(sse / df), df);

        // ŷ(x) in the centred form of the fit; MissingValue where it is not representable.
        const auto predict = [&](double xv) {
            return Basis(xv, p) ? factor.Fitted(p) + correction.Fitted(p) : kMissingValue;
        };
        const std::size_t points = curve_.rows();
        const bool bands = curve_.cols() >= kBandColumns;
        // t·s of the bands; MissingValue without residual degrees of freedom or when the
        // fit cut a direction (the variance of ŷ is then not determined).
        double ts = bands && df >= 1 ? TQuantile(0.05, df) * std::sqrt(sse / df) : kMissingValue;
        for (std::size_t d = 1; d <= coefficientCount && bands && !IsMissing(ts); ++d) {
            if (factor.CoefficientCut(static_cast<int32_t>(d))) ts = kMissingValue;
        }
        for (std::size_t i = 1; i <= points; ++i) {
            const double xi = std::lerp(range_.min, range_.max, static_cast<double>(i - 1) / static_cast<double>(points - 1));
            const double fitted = predict(xi);
            curve_(i, 1) = xi;
            curve_(i, 2) = fitted;
            if (bands) WriteBands(i, fitted, ts, p, cov);
        }
        const std::size_t n = data_.rows();
        WriteXYFitOutputs(x(), y(), n, usable, predictionsWanted_ ? &predictions_ : nullptr,
                          residualsWanted_ ? &residuals_ : nullptr, predict);
        for (std::size_t i = 1; i <= m; ++i) weights_[i] = sig[Index(i)];
    }

private:
    static std::ptrdiff_t Index(std::size_t i) { return static_cast<std::ptrdiff_t>(i); }
    double* x() const { return data_.column(1); }
    double* y() const { return data_.column(2); }

    void CheckShapes()
    {
        Require(opts_.count() >= kOptionSlots && results_.count() >= kResultSlots &&
                coefficients_.rows() >= kCoefficientRows);
        residualsWanted_ = TruncateCode(opts_[1]) != 0;
        predictionsWanted_ = TruncateCode(opts_[2]) != 0;
        constant_ = TruncateCode(opts_[3]) == 0;
        // At least the power 1 (column 2); the degree must fit the fit's counters.
        Require(coefficients_.cols() >= 2 && coefficients_.cols() < INT32_MAX / 2);
        degree_ = static_cast<int32_t>(coefficients_.cols() - 1);
        const std::size_t n = data_.rows();
        Require(data_.cols() == 2 && weights_.count() >= n);
        Require(curve_.rows() >= 2 && curve_.cols() >= 2);
        if (residualsWanted_) Require(residuals_.rows() >= n && residuals_.cols() >= 1);
    }

    void ReadData(CompleteRows& usable)
    {
        const std::size_t markers = ReadXYRows(x(), y(), data_.rows(), usable, range_,
                                               [&](std::size_t r) { RequireFinite(weights_[r + 1]); });
        if (predictionsWanted_) RequirePredictionsRoom(predictions_, markers);
    }

    // p[1..degree] = the powers 1..degree of the transformed x; false when one is too
    // large for a representable prediction.
    bool Basis(double xv, RealVector& p) const
    {
        const double t = (xv - mid_) / scale_;
        double power = 1;
        for (int32_t j = 1; j <= degree_; ++j) {
            power *= t;
            if (std::fabs(power) > kLargestPower) return false;
            p[j] = power;
        }
        return true;
    }

    // Columns 3 to 6 of curve row i: the 95 % prediction limits (upper, lower) for one
    // new observation of weight 1, ŷ ± t·s·√(1 + vᵀCv), and the confidence limits of the
    // fitted value, ŷ ± t·s·√(vᵀCv), with v the basis at the row's x (p, already
    // evaluated by predict; 1 first with a constant) and C the coefficients' covariance
    // up to s².
    void WriteBands(std::size_t i, double fitted, double ts, const RealVector& p, const RealMatrix& cov) const
    {
        double prediction = kMissingValue, confidence = kMissingValue;
        if (!IsMissing(fitted) && !IsMissing(ts)) {
            const auto size = static_cast<std::size_t>(degree_) + (constant_ ? 1 : 0);
            const auto basis = [&](std::size_t k) { return constant_ ? (k == 1 ? 1.0 : p[Index(k) - 1]) : p[Index(k)]; };
            double variance = 0;
            for (std::size_t k = 1; k <= size; ++k) {
                double inner = 0;
                for (std::size_t l = 1; l <= size; ++l) inner += cov[Index(k)][Index(l)] * basis(l);
                variance += basis(k) * inner;
            }
            variance = std::fmax(variance, 0.0);  // rounding can leave −ε where ŷ is exact
            prediction = ts * std::sqrt(1 + variance);
            confidence = ts * std::sqrt(variance);
        }
        const auto limit = [&](double half, double sign) { return IsMissing(half) ? kMissingValue : fitted + sign * half; };
        curve_(i, 3) = limit(prediction, 1);
        curve_(i, 4) = limit(prediction, -1);
        curve_(i, 5) = limit(confidence, 1);
        curve_(i, 6) = limit(confidence, -1);
    }

    void WriteResults(double m, int32_t ma, double df, double sse, double unweighted, double sst) const
    {
        const bool valid = sst != 0 && sse <= sst;
        const double rSquared = valid ? 1 - sse / sst : 0.0;
        double adjusted = rSquared - ((ma - 1) / df) * (1 - rSquared);
        if (adjusted < 0) adjusted = 0;
        results_[1] = m;
        results_[2] = valid ? std::sqrt(rSquared) : kMissingValue;
        results_[3] = valid ? rSquared : kMissingValue;
        results_[4] = std::sqrt(unweighted / df);
        results_[5] = valid ? std::sqrt(adjusted) : kMissingValue;
        results_[6] = valid ? adjusted : kMissingValue;
    }

    // The coefficients of the powers of x, their standard errors, t and p.
    void WriteCoefficients(const RegressionFactor& factor, const RealVector& coef, const RealMatrix& cov, double s,
                           double df) const
    {
        const std::size_t columns = static_cast<std::size_t>(degree_) + 1;
        if (!constant_) {
            coefficients_(1, 1) = 0;
            coefficients_(2, 1) = coefficients_(3, 1) = coefficients_(4, 1) = kMissingValue;
            // a_j = c_j·c^j, c = 1/max|x|, applied by repeated division.
            double factorJ = 1;
            for (int32_t j = 1; j <= degree_; ++j) {
                factorJ /= scale_;
                const CoefficientTest test =
                    TestCoefficient(coef[j] * factorJ, cov[j][j] * factorJ * factorJ, s, df, factor.CoefficientCut(j));
                WriteColumn(static_cast<std::size_t>(j) + 1, coef[j] * factorJ, test);
            }
            return;
        }
        // Row j of the map (powers 0..degree, stored from 1): the coefficient of x^j is
        // h^−j·Σ_{k ≥ j} C(k, j)·shift^(k−j)·c_k, shift = −mid/h; the binomial
        // coefficients by Pascal's rule (exact integers up to 2^53).
        const double shift = -mid_ / scale_;
        RealVector shiftPowers(0, columns), binomial(0, columns), row(0, columns), lambda(0, columns);
        shiftPowers[0] = 1;
        for (std::size_t e = 1; e < columns; ++e) shiftPowers[Index(e)] = shiftPowers[Index(e) - 1] * shift;
        double inverseScale = 1;  // h^−j
        for (std::size_t j = 0; j < columns; ++j) {
            // binomial[k] = C(k, j) for k = j..degree, from C(k, j) = C(k − 1, j)·k/(k − j).
            for (std::size_t k = 0; k < columns; ++k) {
                row[Index(k)] = 0;
                if (k < j) continue;
                binomial[Index(k)] = k == j ? 1.0 : binomial[Index(k) - 1] * static_cast<double>(k) /
                                                        static_cast<double>(k - j);
                row[Index(k)] = binomial[Index(k)] * shiftPowers[Index(k - j)] * inverseScale;
            }
            double coefficient = 0, variance = 0;
            for (std::size_t k = j; k < columns; ++k) {
                coefficient += row[Index(k)] * coef[Index(k) + 1];
                double inner = 0;
                for (std::size_t l = j; l < columns; ++l) inner += cov[Index(k) + 1][Index(l) + 1] * row[Index(l)];
                variance += row[Index(k)] * inner;
            }
            // λ in the parameters of the centred fit: c_0 = θ_0 − Σ ū_i·θ_i.
            lambda[0] = row[0];
            for (std::size_t i = 1; i < columns; ++i) {
                lambda[Index(i)] = row[Index(i)] - row[0] * factor.ColumnMean(static_cast<int32_t>(i));
            }
            const bool cut = factor.DependsOnCut(lambda);
            WriteColumn(j + 1, coefficient, TestCoefficient(coefficient, variance, s, df, cut));
            inverseScale /= scale_;
        }
    }

    void WriteColumn(std::size_t column, double coefficient, const CoefficientTest& test) const
    {
        coefficients_(1, column) = coefficient;
        coefficients_(2, column) = test.se;
        coefficients_(3, column) = test.t;
        coefficients_(4, column) = test.p;
    }

    RealArrayView opts_, weights_, results_;
    RealMatrixView data_, predictions_, residuals_, curve_, coefficients_;
    bool residualsWanted_ = false, predictionsWanted_ = false, constant_ = true;
    int32_t degree_ = 0;
    XRange range_;
    double mid_ = 0, scale_ = 1;
};

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkPolyReg(HostArray** options, HostArray** data, HostArray** weights,
                                                          HostArray** predictions, HostArray** residuals,
                                                          HostArray** curve, HostArray** results,
                                                          HostArray** coefficients)
{
    return sheetstat::RunExport([&] {
        sheetstat::PolynomialRegression(options, data, weights, predictions, residuals, curve, results, coefficients)
            .Run();
    });
}
