// Simple regression of Y on X in seven two-parameter models, each fitted by ordinary
// least squares as a straight line y' = a + b·x' on transformed values:
//   1  y = A + B·x          (y, x)
//   2  y = A·x^B            (ln y, ln x), A = e^a
//   3  y = A·e^(B·x)        (ln y, x),    A = e^a
//   4  y = A + B·ln x       (y, ln x)
//   5  y = A + B/x          (y, 1/x)
//   6  y = 1/(A + B·x)      (1/y, x)
//   7  y = x/(A + B·x)      (1/y, 1/x),   A = b, B = a
// R² is that of the line on the transformed scale; the model with the highest R² is
// the best (the lower-numbered one among equals). For the best model the export
// writes a fitted curve, and for the straight line its 95 % prediction and
// confidence bands, ŷ ± t·s·sqrt(1 + 1/n + (x − x̄)²/Sxx) and ŷ ± t·s·sqrt(1/n +
// (x − x̄)²/Sxx) with s² = SSE/(n − 2) and t the two-tailed 5 % point of Student's t
// on n − 2 degrees of freedom (Draper and Smith, Applied Regression Analysis, 1.4).
// Means and sums of squares and products come from two passes about the means
// (CrossMomentsAccumulator), so a constant X has Sxx exactly 0 and its models are
// skipped.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "analyses/regression/complete_rows.hpp"
#include "analyses/regression/predictions_list.hpp"
#include "analyses/regression/xy_rows.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/cross_moments.hpp"
#include "numeric/distributions.hpp"

namespace sheetstat {
namespace {

constexpr int kModels = 7;
constexpr std::size_t kModelRows = 7;
// Largest argument of exp whose value is finite (ln of the largest double, rounded down).
constexpr double kLargestExpArgument = 709.78;

enum class Transform { Identity, Log, Reciprocal };

struct ModelForm {
    Transform y, x;
};
constexpr ModelForm kForms[kModels] = {
    {Transform::Identity, Transform::Identity}, {Transform::Log, Transform::Log},
    {Transform::Log, Transform::Identity},      {Transform::Identity, Transform::Log},
    {Transform::Identity, Transform::Reciprocal}, {Transform::Reciprocal, Transform::Identity},
    {Transform::Reciprocal, Transform::Reciprocal}};

// The transformed value, or false where the transform is undefined: a logarithm of
// a value ≤ 0, a reciprocal of 0 (or of a value so small that it overflows).
bool Apply(Transform transform, double value, double& result)
{
    switch (transform) {
    case Transform::Identity:
        result = value;
        return true;
    case Transform::Log:
        if (!(value > 0)) return false;
        result = std::log(value);
        return true;
    case Transform::Reciprocal:
        if (!(std::fabs(value) >= 1 / DBL_MAX)) return false;
        result = 1 / value;
        return true;
    }
    return false;
}

// num/den, or MissingValue when den is 0 or the quotient would overflow.
double Quotient(double num, double den)
{
    if (den == 0 || (std::fabs(den) < 1 && std::fabs(num) > std::fabs(den) * DBL_MAX)) return kMissingValue;
    return num / den;
}

// e^x, or MissingValue when it overflows.
double Exp(double x)
{
    return x > kLargestExpArgument ? kMissingValue : std::exp(x);
}

struct FittedModel {
    bool fitted = false;
    double a = 0, b = 0;  // the line on the transformed scale
    double rSquared = 0;
    double meanX = 0, sxx = 0;  // of the transformed X (for model 1 the raw X)
};

// The prediction of model k (1..7) from its line; MissingValue where the model has
// none: x ≤ 0 for models 2 and 4, x = 0 for model 5, a zero denominator for models 6
// and 7, a value beyond the range of doubles for models 2 and 3. Models 2 and 3 are
// evaluated as e^(a + b·ln x) and e^(a + b·x), so that a prediction within range
// does not depend on A = e^a being representable.
double Predict(int k, const FittedModel& model, double x)
{
    const double a = model.a, b = model.b;
    switch (k) {
    case 1: return a + b * x;
    case 2: return x > 0 ? Exp(a + b * std::log(x)) : kMissingValue;
    case 3: return Exp(a + b * x);
    case 4: return x > 0 ? a + b * std::log(x) : kMissingValue;
    case 5: {
        const double ratio = Quotient(b, x);
        return IsMissing(ratio) ? kMissingValue : a + ratio;
    }
    case 6: return Quotient(1, a + b * x);
    case 7: return Quotient(x, b + a * x);
    }
    return kMissingValue;
}

class SimpleRegression {
public:
    SimpleRegression(HostArray** options, HostArray** data, HostArray** predictions, HostArray** residuals,
                     HostArray** curve, HostArray** models)
        : opts_(options), data_(data), predictions_(predictions), residuals_(residuals), curve_(curve), models_(models)
    {
    }

    void Run()
    {
        CheckShapes();
        CompleteRows usable(data_.rows());
        ReadData(usable);
        Require(usable.count() >= 2, Status::InsufficientData);

        int best = 0;
        for (int k = 1; k <= kModels; ++k) {
            const auto column = static_cast<std::size_t>(k);
            for (std::size_t row = 1; row <= 5; ++row) models_(row, column) = kMissingValue;
            models_(7, column) = 0;
            if (!requested_[k - 1]) continue;
            FittedModel& model = fits_[k - 1];
            if (!FitModel(k, usable, model)) continue;
            if (best == 0 || model.rSquared > fits_[best - 1].rSquared) best = k;
            WriteModel(k, static_cast<double>(usable.count()), model);
        }
        Require(best != 0, Status::NoModelFitted);
        models_(7, static_cast<std::size_t>(best)) = 1;

        WriteCurve(best, usable);
        WriteXYFitOutputs(x(), y(), data_.rows(), usable, predictionsWanted_ ? &predictions_ : nullptr,
                          residualsWanted_ ? &residuals_ : nullptr,
                          [&](double xv) { return Predict(best, fits_[best - 1], xv); });
    }

private:
    double* x() const { return data_.column(1); }
    double* y() const { return data_.column(2); }

    // Every size and option, before anything is written.
    void CheckShapes()
    {
        Require(opts_.count() >= 2 && models_.rows() >= kModelRows && models_.cols() >= kModels);
        residualsWanted_ = TruncateCode(opts_[1]) != 0;
        predictionsWanted_ = TruncateCode(opts_[2]) != 0;
        for (int k = 1; k <= kModels; ++k) {
            const double request = models_(6, static_cast<std::size_t>(k));
            RequireFinite(request);
            requested_[k - 1] = request != 0;
        }
        Require(data_.cols() == 2);
        // 2h + 1 curve rows, h ≥ 2; the band columns when the straight line can be best.
        Require(curve_.rows() >= 5 && curve_.rows() % 2 == 1 && curve_.cols() >= (requested_[0] ? 4u : 2u));
        if (residualsWanted_) Require(residuals_.rows() >= data_.rows() && residuals_.cols() >= 1);
    }

    // Checks every value read, lists the usable rows and the range of their X.
    void ReadData(CompleteRows& usable)
    {
        const std::size_t markers = ReadXYRows(x(), y(), data_.rows(), usable, range_, [](std::size_t) {});
        if (predictionsWanted_) RequirePredictionsRoom(predictions_, markers);
    }

    // The line of model k on the usable rows; false when a transform is undefined
    // for one of them or the transformed X has no spread.
    bool FitModel(int k, const CompleteRows& usable, FittedModel& model) const
    {
        const ModelForm form = kForms[k - 1];
        CrossMomentsAccumulator sums;
        double tx = 0, ty = 0;
        for (std::size_t i = 1; i <= usable.count(); ++i) {
            const std::size_t r = usable[i];
            if (!Apply(form.x, x()[r], tx) || !Apply(form.y, y()[r], ty)) return false;
            sums.Add(tx, ty);
        }
        sums.EndFirstPass();
        for (std::size_t i = 1; i <= usable.count(); ++i) {
            const std::size_t r = usable[i];
            Apply(form.x, x()[r], tx);
            Apply(form.y, y()[r], ty);
            sums.AddSecond(tx, ty);
        }
        const CrossMoments moments = sums.Moments();
        if (moments.sxx == 0) return false;
        model.fitted = true;
        model.b = moments.sxy / moments.sxx;
        model.a = moments.meanY - moments.meanX * model.b;
        const double r = sums.Correlation();
        model.rSquared = moments.syy == 0 ? 1.0 : r * r;
        model.meanX = moments.meanX;
        model.sxx = moments.sxx;
        return true;
    }

    void WriteModel(int k, double n, const FittedModel& model) const
    {
        const auto column = static_cast<std::size_t>(k);
        double coefficientA = model.a, coefficientB = model.b;
        if (k == 2 || k == 3) coefficientA = Exp(model.a);
        if (k == 7) {
            coefficientA = model.b;
            coefficientB = model.a;
        }
        models_(1, column) = n;
        models_(2, column) = coefficientA;
        models_(3, column) = coefficientB;
        models_(4, column) = std::sqrt(model.rSquared);
        models_(5, column) = model.rSquared;
    }

    // Σ (y − ŷ)² of the straight line, in centred form: (y − ȳ) − b·(x − x̄).
    double LineResidualSumOfSquares(const CompleteRows& usable, const FittedModel& line) const
    {
        const double meanY = line.a + line.b * line.meanX;
        double sse = 0;
        for (std::size_t i = 1; i <= usable.count(); ++i) {
            const std::size_t r = usable[i];
            const double residual = (y()[r] - meanY) - line.b * (x()[r] - line.meanX);
            sse += residual * residual;
        }
        return sse;
    }

    void WriteCurve(int best, const CompleteRows& usable) const
    {
        const std::size_t h = curve_.rows() / 2;
        const FittedModel& model = fits_[best - 1];
        const double n = static_cast<double>(usable.count());
        // The bands: c = t·s on n − 2 degrees of freedom; none from two points.
        bool bands = best == 1;
        double c = 0;
        if (bands && n > 2) {
            const double df = n - 2;
            c = TQuantile(0.05, df) * std::sqrt(LineResidualSumOfSquares(usable, model) / df);
        }
        for (std::size_t i = 1; i <= h; ++i) {
            // Equally spaced from min x to max x, both ends exact.
            const double t = static_cast<double>(i - 1) / static_cast<double>(h - 1);
            const double xi = std::lerp(range_.min, range_.max, t);
            const std::size_t lower = h + 1 + i;
            curve_(i, 1) = xi;
            curve_(lower, 1) = xi;
            const double fitted = Predict(best, model, xi);
            curve_(i, 2) = fitted;
            if (!bands) continue;
            if (n <= 2) {
                curve_(i, 3) = curve_(i, 4) = curve_(lower, 3) = curve_(lower, 4) = kMissingValue;
                continue;
            }
            const double d = xi - model.meanX;
            const double leverage = 1 / n + d * (d / model.sxx);
            const double prediction = c * std::sqrt(1 + leverage), confidence = c * std::sqrt(leverage);
            curve_(i, 3) = fitted + prediction;
            curve_(i, 4) = fitted + confidence;
            curve_(lower, 3) = fitted - prediction;
            curve_(lower, 4) = fitted - confidence;
        }
    }

    RealArrayView opts_;
    RealMatrixView data_, predictions_, residuals_, curve_, models_;
    bool residualsWanted_ = false, predictionsWanted_ = false;
    bool requested_[kModels] = {};
    FittedModel fits_[kModels];
    XRange range_;
};

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkSimpleReg(HostArray** options, HostArray** data,
                                                            HostArray** predictions, HostArray** residuals,
                                                            HostArray** curve, HostArray** models)
{
    return sheetstat::RunExport([&] {
        sheetstat::SimpleRegression(options, data, predictions, residuals, curve, models).Run();
    });
}
