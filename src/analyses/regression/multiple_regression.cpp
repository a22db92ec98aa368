// Multiple linear regression of Y on X1..Xk by weighted least squares, with or
// without an intercept, on all variables or on a subset chosen by stepwise
// selection, forward selection, backward elimination or a search for the subset of
// highest R² (Efroymson 1960; Draper and Smith, Applied Regression Analysis, ch. 15).
//
// The complete cases (every X present, Y present and not a prediction request) are
// read into one triangular factor of the weighted [X | y], centred on the weighted
// means when there is an intercept (RegressionFactor); every model the selection
// tries is fitted from that factor in microseconds, and one last pass over the
// data gives the final model's residual sums of squares, residuals and predictions.
// A variable is tested by the t test of its coefficient (two-tailed); a candidate
// whose entry would make the design singular (its trial fit cuts a direction) or
// whose coefficient the data do not determine never enters. p-values or R² within
// 1e-12 relative of each other count as equal, so that the lower-numbered variable
// wins a tie whatever the rounding of the fits.
//
// The best-subsets search is a local search: for each size it adds the variable
// that raises R² most, then exchanges one variable of the subset for one outside it
// while that raises R², one best exchange per cycle over all of the subset's
// variables. It finds the best subset in most data, not in all (only an exhaustive
// search does).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "analyses/regression/complete_rows.hpp"
#include "analyses/regression/predictions_list.hpp"
#include "analyses/regression/regression_factor.hpp"
#include "analyses/regression/weighted_total_sum_of_squares.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kOptionSlots = 11;
constexpr std::size_t kResultSlots = 19;
constexpr std::size_t kStepRows = 6;
constexpr std::size_t kCoefficientRows = 5;
// Relative difference below which two p-values or two R² are taken as equal.
constexpr double kTieTolerance = 1e-12;

enum class Method { EnterAll = 0, Stepwise = 1, Forward = 2, Backward = 3, BestSubsets = 4 };

struct Settings {
    bool residuals = false, predictions = false, intercept = true;
    Method method = Method::EnterAll;
    double enter = 0, remove = 0;
    int32_t maxVariables = 0;
};

// What a fit of the current model (or of a trial change of it) gives.
struct ModelFit {
    int32_t nsel = 0, ma = 0;
    double df = 0, sse = 0;
    bool cut = false;    // a direction of the design was cut
    bool valid = false;  // SST ≠ 0 and SSE ≤ SST
    double rSquared = -1, adjusted = 0, s = 0;
};

class MultipleRegression {
public:
    MultipleRegression(HostArray** options, HostArray** data, HostArray** y, HostArray** weights,
                       HostArray** predictions, HostArray** residuals, HostArray** results, HostArray** steps,
                       HostArray** coefficients)
        : opts_(options), y_(y), weights_(weights), results_(results), data_(data), predictions_(predictions),
          residuals_(residuals), steps_(steps), coefficients_(coefficients)
    {
    }

    void Run()
    {
        CheckShapes();
        const std::size_t n = data_.rows();
        CompleteRows complete(n);
        ReadData(complete);
        m_ = complete.count();
        Require(m_ > static_cast<std::size_t>(k_), Status::InsufficientData);

        RealVector sig(1, m_);
        for (std::size_t i = 1; i <= m_; ++i) {
            const double w = weights_[complete[i] + 1];
            sig[static_cast<std::ptrdiff_t>(i)] = w > 0 ? 1 / std::sqrt(w) : 1.0;
        }
        sst_ = WeightedTotalSumOfSquares([&](auto&& visit) {
            for (std::size_t i = 1; i <= m_; ++i) {
                const double t = 1 / sig[static_cast<std::ptrdiff_t>(i)];
                visit(y_[complete[i] + 1], t * t);
            }
        });
        Require(settings_.method == Method::EnterAll || sst_ != 0, Status::InsufficientData);

        RegressionFactor factor(k_, settings_.intercept);
        RealVector p(1, static_cast<std::size_t>(k_));
        factor.Build([&](auto&& visit) {
            for (std::size_t i = 1; i <= m_; ++i) {
                const std::size_t r = complete[i];
                for (int32_t j = 1; j <= k_; ++j) p[j] = data_(r + 1, static_cast<std::size_t>(j));
                visit(p, y_[r + 1], sig[static_cast<std::ptrdiff_t>(i)]);
            }
        });
        factor_ = &factor;
        const std::size_t size = static_cast<std::size_t>(k_) + 1;
        RealVector coef(1, size);
        RealMatrix cov(1, size, 1, size);
        IntVector position(1, static_cast<std::size_t>(k_)), columns(1, static_cast<std::size_t>(k_));
        position.Fill(0);
        coef_ = &coef;
        cov_ = &cov;
        position_ = &position;
        columns_ = &columns;

        Select();
        WriteFinalModel(complete, sig, p);
        complete.Compact(y_.data());
        for (int32_t j = 1; j <= k_; ++j) complete.Compact(data_.column(static_cast<std::size_t>(j)));
        for (std::size_t i = 1; i <= m_; ++i) weights_[i] = sig[static_cast<std::ptrdiff_t>(i)];
    }

private:
    // ---- Checks and data ----

    void CheckShapes()
    {
        Require(opts_.count() >= kOptionSlots && results_.count() >= kResultSlots && steps_.rows() >= kStepRows &&
                coefficients_.rows() >= kCoefficientRows);
        for (std::size_t slot = 1; slot <= kOptionSlots; ++slot) RequireFinite(opts_[slot]);
        settings_.residuals = TruncateCode(opts_[1]) != 0;
        settings_.predictions = TruncateCode(opts_[2]) != 0;
        int methods = 0;
        for (std::size_t slot = 3; slot <= 7; ++slot) {
            if (TruncateCode(opts_[slot]) == 0) continue;
            ++methods;
            settings_.method = static_cast<Method>(slot - 3);
        }
        Require(methods == 1);
        settings_.enter = opts_[8];
        settings_.remove = opts_[9];
        settings_.maxVariables = TruncateCode(opts_[10]);
        settings_.intercept = TruncateCode(opts_[11]) == 0;

        k_ = static_cast<int32_t>(data_.cols() < INT32_MAX - 1 ? data_.cols() : 0);
        Require(k_ >= 1);
        const std::size_t n = data_.rows();
        Require(y_.count() >= n && weights_.count() >= n);
        Require(coefficients_.cols() >= static_cast<std::size_t>(k_) + 1);
        const Method method = settings_.method;
        const auto isProbability = [](double p) { return p >= 0 && p <= 1; };
        if (method == Method::Stepwise || method == Method::Forward) Require(isProbability(settings_.enter));
        if (method == Method::Stepwise || method == Method::Backward) Require(isProbability(settings_.remove));
        if (method == Method::Stepwise) Require(settings_.enter <= settings_.remove);
        if (method == Method::Stepwise || method == Method::Forward || method == Method::BestSubsets) {
            Require(settings_.maxVariables >= 1 && settings_.maxVariables <= k_);
        }
        if (method == Method::EnterAll) Require(steps_.cols() >= static_cast<std::size_t>(k_));
        if (settings_.residuals) Require(residuals_.rows() >= n && residuals_.cols() >= 1);
    }

    // Checks every value read and lists the complete rows.
    void ReadData(CompleteRows& complete)
    {
        std::size_t markers = 0;
        for (std::size_t r = 0; r < data_.rows(); ++r) {
            bool present = true;
            for (int32_t j = 1; j <= k_; ++j) {
                const double x = data_(r + 1, static_cast<std::size_t>(j));
                if (IsMissing(x)) {
                    present = false;
                } else {
                    RequireFinite(x);
                }
            }
            RequireFinite(weights_[r + 1]);
            const double y = y_[r + 1];
            if (IsPredictMarker(y)) {
                ++markers;
                continue;
            }
            if (IsMissing(y)) continue;
            RequireFinite(y);
            if (present) complete.Append(r);
        }
        if (settings_.predictions) RequirePredictionsRoom(predictions_, markers);
    }

    // ---- Fits ----

    bool InModel(int32_t j) const { return (*position_)[j] != 0; }

    // Fits the current model without `out` and with `in` (0 for none): the variables
    // in increasing number.
    ModelFit FitModel(int32_t out = 0, int32_t in = 0)
    {
        IntVector& columns = *columns_;
        int32_t q = 0;
        for (int32_t j = 1; j <= k_; ++j) {
            if ((InModel(j) && j != out) || j == in) columns[++q] = j;
        }
        const LeastSquaresFit fit = factor_->Fit(columns, q, *coef_, *cov_);
        ModelFit model;
        model.nsel = q;
        model.ma = factor_->CoefficientCount(q);
        model.df = static_cast<double>(m_) - model.ma;
        model.sse = fit.chisq;
        model.cut = fit.kept < q;
        Judge(model);
        return model;
    }

    // R², adjusted R² and s of a fit whose sse is known.
    void Judge(ModelFit& model) const
    {
        model.valid = sst_ != 0 && model.sse <= sst_;
        model.s = model.df > 0 ? std::sqrt(model.sse / model.df) : 0.0;
        model.rSquared = model.valid ? 1 - model.sse / sst_ : -1.0;
        model.adjusted = 0;
        if (model.valid && model.df > 0) {
            const double adjusted = model.rSquared - ((model.ma - 1) / model.df) * (1 - model.rSquared);
            model.adjusted = adjusted > 0 ? adjusted : 0.0;
        }
    }

    // The index of variable j's coefficient in the last fit, which holds it.
    int32_t CoefficientIndex(int32_t j) const
    {
        const IntVector& columns = *columns_;
        int32_t d = 1;
        while (columns[d] != j) ++d;
        return d + (settings_.intercept ? 1 : 0);
    }

    CoefficientTest Test(int32_t d, const ModelFit& model) const
    {
        return TestCoefficient((*coef_)[d], (*cov_)[d][d], model.s, model.df, factor_->CoefficientCut(d));
    }

    // Variable j's probability in the last fit (MissingValue when it has none).
    double ProbabilityOf(int32_t j, const ModelFit& model) const
    {
        return Test(CoefficientIndex(j), model).p;
    }

    // ---- Selection ----

    void Select()
    {
        switch (settings_.method) {
        case Method::EnterAll:
            for (int32_t j = 1; j <= k_; ++j) (*position_)[j] = j;
            nsel_ = k_;
            break;
        case Method::Stepwise:
        case Method::Forward:
            SelectForward(settings_.method == Method::Stepwise);
            break;
        case Method::Backward:
            EliminateBackward();
            break;
        case Method::BestSubsets:
            SearchBestSubsets();
            break;
        }
    }

    void Enter(int32_t j) { (*position_)[j] = ++nsel_; }
    void Remove(int32_t j)
    {
        IntVector& position = *position_;
        const int32_t left = position[j];
        for (int32_t i = 1; i <= k_; ++i) {
            if (position[i] > left) --position[i];
        }
        position[j] = 0;
        --nsel_;
    }

    // The candidate of smallest p whose entry keeps the design regular; 0 when none
    // has a probability.
    int32_t BestEntry(double& smallest)
    {
        int32_t best = 0;
        for (int32_t c = 1; c <= k_; ++c) {
            if (InModel(c)) continue;
            const ModelFit trial = FitModel(0, c);
            if (trial.cut) continue;
            const double p = ProbabilityOf(c, trial);
            if (IsMissing(p)) continue;
            if (best == 0 || p < smallest - kTieTolerance * smallest) {
                best = c;
                smallest = p;
            }
        }
        return best;
    }

    // The variable of the current model with the largest p (one without a
    // probability counts as larger than any), its p in `largest`.
    int32_t WorstVariable(const ModelFit& model, double& largest) const
    {
        int32_t worst = 0;
        bool worstUntestable = false;
        for (int32_t j = 1; j <= k_; ++j) {
            if (!InModel(j)) continue;
            const double p = ProbabilityOf(j, model);
            const bool untestable = IsMissing(p);
            if (worstUntestable) continue;
            if (worst == 0 || untestable || p > largest + kTieTolerance * largest) {
                worst = j;
                largest = p;
                worstUntestable = untestable;
            }
        }
        return worst;
    }

    bool ExceedsRemoval(double p) const { return IsMissing(p) || p > settings_.remove; }

    void SelectForward(bool stepwise)
    {
        double pass = 0;
        for (;;) {
            ++pass;
            double smallest = 0;
            const int32_t best = BestEntry(smallest);
            if (best == 0 || smallest > settings_.enter) {
                Require(nsel_ > 0, Status::NoPredictorLeft);
                return;
            }
            Enter(best);
            ModelFit model = FitModel();
            WriteStep(pass, best, true, ProbabilityOf(best, model), model);
            if (stepwise) {
                // Removal check after the entry and after every removal.
                for (;;) {
                    double largest = 0;
                    const int32_t worst = WorstVariable(model, largest);
                    if (!ExceedsRemoval(largest)) break;
                    Remove(worst);
                    Require(nsel_ > 0, Status::NoPredictorLeft);
                    ++pass;
                    model = FitModel();
                    WriteStep(pass, worst, false, largest, model);
                }
            }
            if (nsel_ >= settings_.maxVariables) return;
        }
    }

    void EliminateBackward()
    {
        for (int32_t j = 1; j <= k_; ++j) (*position_)[j] = j;
        nsel_ = k_;
        double pass = 0;
        ModelFit model = FitModel();
        while (nsel_ > 1) {
            double largest = 0;
            const int32_t worst = WorstVariable(model, largest);
            if (!ExceedsRemoval(largest)) return;
            Remove(worst);
            ++pass;
            model = FitModel();
            WriteStep(pass, worst, false, largest, model);
        }
    }

    static bool Higher(double r2, double best) { return r2 > best + kTieTolerance * std::fabs(best); }

    void SearchBestSubsets()
    {
        double step = 0;
        for (int32_t size = 1; size <= settings_.maxVariables; ++size) {
            // The variable that raises R² most enters (from −∞: one always does,
            // unless every entry would make the design singular).
            int32_t best = 0;
            double bestR2 = -std::numeric_limits<double>::infinity();
            for (int32_t c = 1; c <= k_; ++c) {
                if (InModel(c)) continue;
                const ModelFit trial = FitModel(0, c);
                if (trial.cut) continue;
                if (best == 0 || Higher(trial.rSquared, bestR2)) {
                    best = c;
                    bestR2 = trial.rSquared;
                }
            }
            if (best == 0) {
                Require(nsel_ > 0, Status::NoPredictorLeft);
                return;
            }
            Enter(best);
            ModelFit model = FitModel();
            WriteStep(++step, best, true, kMissingValue, model);
            // Exchange cycles: the best single exchange of the cycle, while one raises R².
            for (;;) {
                int32_t out = 0, in = 0;
                double cycleR2 = model.rSquared;
                for (int32_t pos = 1; pos <= nsel_; ++pos) {
                    int32_t o = 1;
                    while ((*position_)[o] != pos) ++o;
                    for (int32_t c = 1; c <= k_; ++c) {
                        if (InModel(c)) continue;
                        const ModelFit trial = FitModel(o, c);
                        if (!trial.cut && Higher(trial.rSquared, cycleR2)) {
                            out = o;
                            in = c;
                            cycleR2 = trial.rSquared;
                        }
                    }
                }
                if (out == 0) break;
                ++step;
                WriteStep(step, out, false, kMissingValue, ModelFit{});
                (*position_)[in] = (*position_)[out];
                (*position_)[out] = 0;
                model = FitModel();
                WriteStep(step, in, true, kMissingValue, model);
            }
        }
    }

    // One column of the steps table; status 8 when the table is full. An invalid
    // model, or one of `ModelFit{}` (a best-subsets removal), has no R².
    void WriteStep(double step, int32_t variable, bool entered, double p, const ModelFit& model)
    {
        Require(stepColumns_ < steps_.cols());
        const std::size_t column = ++stepColumns_;
        steps_(1, column) = step;
        steps_(2, column) = variable;
        steps_(3, column) = entered ? 1 : 0;
        steps_(4, column) = p;
        steps_(5, column) = model.valid ? model.rSquared : kMissingValue;
        steps_(6, column) = model.valid && model.df > 0 ? model.adjusted : kMissingValue;
    }

    // ---- The final model ----

    void WriteFinalModel(const CompleteRows& complete, const RealVector& sig, RealVector& p)
    {
        ModelFit model = FitModel();
        // The residual sums of squares from the data: weighted and unweighted.
        double sse = 0, unweighted = 0;
        for (std::size_t i = 1; i <= m_; ++i) {
            const std::size_t r = complete[i];
            ReadSelected(r, p);
            const double residual = factor_->Residual(p, y_[r + 1]);
            const double scaled = residual / sig[static_cast<std::ptrdiff_t>(i)];
            sse += scaled * scaled;
            unweighted += residual * residual;
        }
        model.sse = sse;
        Judge(model);
        const double m = static_cast<double>(m_), nsel = nsel_;
        const double df = model.df;
        const double missing = kMissingValue;

        if (settings_.method == Method::EnterAll) {
            for (int32_t j = 1; j <= k_; ++j) {
                const auto column = static_cast<std::size_t>(j);
                steps_(1, column) = j;
                steps_(2, column) = j;
                steps_(3, column) = 1;
                steps_(4, column) = steps_(5, column) = steps_(6, column) = missing;
            }
            stepColumns_ = static_cast<std::size_t>(k_);
        }

        const bool valid = model.valid, tested = df > 0;
        results_[1] = m;
        results_[2] = valid ? std::sqrt(model.rSquared) : missing;
        results_[3] = valid ? model.rSquared : missing;
        results_[4] = tested ? std::sqrt(unweighted / df) : missing;
        results_[5] = valid && tested ? std::sqrt(model.adjusted) : missing;
        results_[6] = valid && tested ? model.adjusted : missing;
        results_[7] = static_cast<double>(stepColumns_);
        results_[8] = nsel;
        const double ssr = sst_ - sse;
        results_[9] = ssr;
        results_[10] = nsel;
        results_[11] = ssr / nsel;
        double f = missing, pf = missing;
        if (valid && tested) {
            if (sse > 0) {
                const double meanSquareError = sse / df, meanSquareRegression = ssr / nsel;
                if (meanSquareRegression / 1e300 < meanSquareError) {  // F within range
                    f = meanSquareRegression / meanSquareError;
                    pf = ClampProbability(FProb(f, nsel, df));
                } else {
                    pf = 0;
                }
            } else {
                pf = 0;
            }
        }
        results_[12] = f;
        results_[13] = pf;
        results_[14] = sse;
        const double residualDf = m - nsel - 1;
        results_[15] = residualDf;
        results_[16] = residualDf > 0 ? sse / residualDf : missing;
        results_[17] = sst_;
        results_[18] = m - 1;
        results_[19] = sst_ / (m - 1);

        WriteCoefficients(model);
        WritePredictionsAndResiduals(p);
    }

    // p[j] for the selected variables j of host row r (0-based); false when one is missing.
    bool ReadSelected(std::size_t r, RealVector& p) const
    {
        for (int32_t j = 1; j <= k_; ++j) {
            if (!InModel(j)) continue;
            p[j] = data_(r + 1, static_cast<std::size_t>(j));
            if (IsMissing(p[j])) return false;
        }
        return true;
    }

    void WriteCoefficients(const ModelFit& model)
    {
        std::size_t column = 1;
        const auto write = [&](double variable, int32_t d) {
            const CoefficientTest test = Test(d, model);
            coefficients_(1, column) = variable;
            coefficients_(2, column) = (*coef_)[d];
            coefficients_(3, column) = test.se;
            coefficients_(4, column) = test.t;
            coefficients_(5, column) = test.p;
            ++column;
        };
        int32_t d = 1;
        if (settings_.intercept) {
            write(0, d++);
        } else {
            coefficients_(1, 1) = coefficients_(2, 1) = 0;
            coefficients_(3, 1) = coefficients_(4, 1) = coefficients_(5, 1) = kMissingValue;
            ++column;
        }
        for (int32_t j = 1; j <= k_; ++j) {
            if (InModel(j)) write(j, d++);
        }
    }

    void WritePredictionsAndResiduals(RealVector& p)
    {
        const std::size_t n = data_.rows();
        if (settings_.predictions) {
            WritePredictions(predictions_, y_.data(), n,
                             [&](std::size_t r) { return ReadSelected(r, p) ? factor_->Fitted(p) : kMissingValue; });
        }
        if (!settings_.residuals) return;
        for (std::size_t r = 0; r < n; ++r) {
            const double y = y_[r + 1];
            const bool usable = !IsMissing(y) && !IsPredictMarker(y) && ReadSelected(r, p);
            residuals_(r + 1, 1) = usable ? factor_->Residual(p, y) : kMissingValue;
        }
    }

    RealArrayView opts_, y_, weights_, results_;
    RealMatrixView data_, predictions_, residuals_, steps_, coefficients_;
    Settings settings_;
    int32_t k_ = 0;
    std::size_t m_ = 0;
    double sst_ = 0;
    int32_t nsel_ = 0;
    std::size_t stepColumns_ = 0;
    // Work of Run, reached by the steps.
    RegressionFactor* factor_ = nullptr;
    RealVector* coef_ = nullptr;
    RealMatrix* cov_ = nullptr;
    IntVector* position_ = nullptr;  // 0 = out of the model, else 1..nsel
    IntVector* columns_ = nullptr;   // the columns of the last fit
};

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkMultiReg(HostArray** options, HostArray** data, HostArray** y,
                                                           HostArray** weights, HostArray** predictions,
                                                           HostArray** residuals, HostArray** results,
                                                           HostArray** steps, HostArray** coefficients)
{
    return sheetstat::RunExport([&] {
        sheetstat::MultipleRegression(options, data, y, weights, predictions, residuals, results, steps, coefficients)
            .Run();
    });
}
