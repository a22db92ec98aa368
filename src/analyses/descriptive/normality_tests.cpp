// Two tests of normality against a normal distribution whose mean and standard
// deviation are estimated from the sample:
//
// - nkKSNormalTest, the Kolmogorov-Smirnov test: D = sup |F_n(x) − Φ((x − mean)/s)|
//   over the sorted sample, referred to the asymptotic Kolmogorov distribution of √n·D;
// - nkChiSqNormalTest, Pearson's chi-square goodness of fit for data that are class
//   numbers 0..m − 1: class c is the interval (c − 1/2, c + 1/2) of the fitted normal
//   (a half-unit continuity correction), the first and last classes taking the whole
//   tails, on m − 3 degrees of freedom (two parameters estimated). Each class
//   probability comes from the tail on its own side of the mean, so that a class far
//   out keeps a positive expected frequency instead of a difference cancelled to 0.
//   Runs of classes without observations are taken together: each contributes its
//   expected frequency E to χ² ((0 − E)²/E = E), so a run adds n times its probability,
//   and the work grows with the number of values, not with m.
//
// Mean and standard deviation come from two passes about the mean (the moments
// kernel), so data with a large common offset keep their spread.
#include <cmath>
#include <limits>

#include "analyses/descriptive/normality_tests.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/math_functions.hpp"
#include "numeric/normal_interval.hpp"
#include "numeric/running_moments.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {

double KolmogorovProb(double lambda)
{
    constexpr int kMaxTerms = 100;
    double sum = 0;
    double sign = 2;
    double previous = 0;
    for (int j = 1; j <= kMaxTerms; ++j) {
        const double term = sign * SafeExp(-2.0 * lambda * lambda * j * j);
        sum += term;
        const double magnitude = std::fabs(term);
        if (magnitude <= 0.001 * previous || magnitude <= 1e-8 * sum) return sum;
        sign = -sign;
        previous = magnitude;
    }
    return 1.0;
}

namespace {

// Standard deviation of the accumulated values; a sample of fewer than 2 values or
// without spread is insufficient data.
double FittedStandardDeviation(const RunningMoments& moments)
{
    Require(moments.count >= 2, Status::InsufficientData);
    const double variance = moments.SampleVariance();
    Require(variance > 0, Status::InsufficientData);
    return std::sqrt(variance);
}

// Moves the values that are not MissingValue, in order, to the front of x[0..count)
// and returns their number; the positions behind them keep what they held.
std::size_t CompactValues(double* x, std::size_t count)
{
    std::size_t next = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if (IsMissing(x[k])) continue;
        RequireFinite(x[k]);
        x[next++] = x[k];
    }
    return next;
}

// D = max over i of max(|i/n − Φ_i|, |(i − 1)/n − Φ_i|), Φ_i the fitted normal
// distribution function at the i-th smallest value x_i (x points at x_1).
double KolmogorovDistance(const double* x, std::size_t count, const RunningMoments& fit, double sd)
{
    const double n = static_cast<double>(count);
    double D = 0;
    for (std::size_t i = 1; i <= count; ++i) {
        const double Phi = NormalCdf(fit.Deviation(x[i - 1]) / sd);
        const double above = std::fabs(static_cast<double>(i) / n - Phi);
        const double below = std::fabs(static_cast<double>(i - 1) / n - Phi);
        D = std::fmax(D, std::fmax(above, below));
    }
    return D;
}

void KSNormalTest(HostArray** data, HostArray** results)
{
    RealArrayView x(data), out(results);
    Require(out.count() >= 3);

    const std::size_t n = CompactValues(x.data(), x.count());
    const RunningMoments moments = TwoPassMoments([&x, n](auto visit) {
        for (std::size_t i = 0; i < n; ++i) visit(x.data()[i]);
    });
    const double sd = FittedStandardDeviation(moments);
    SortReals(n, x.data());

    const double D = KolmogorovDistance(x.data(), n, moments, sd);
    out[1] = moments.count;
    out[2] = D;
    out[3] = ClampProbability(KolmogorovProb(std::sqrt(moments.count) * D));
}

constexpr int32_t kMinimumClasses = 5;

// The normal distribution fitted to the data, over the classes 0..m − 1: class c is
// (c − 1/2, c + 1/2], the first class open below, the last open above.
class FittedClasses {
public:
    FittedClasses(std::size_t m, const RunningMoments& fit, double sd) : m_(m), fit_(fit), sd_(sd) {}

    std::size_t count() const noexcept { return m_; }

    // Expected frequency of the classes first..last together.
    double Expected(std::size_t first, std::size_t last) const
    {
        constexpr double kOpen = std::numeric_limits<double>::infinity();
        const double lower = first == 0 ? -kOpen : Standard(static_cast<double>(first) - 0.5);
        const double upper = last + 1 == m_ ? kOpen : Standard(static_cast<double>(last) + 0.5);
        return fit_.count * NormalIntervalProb(lower, upper);
    }

private:
    double Standard(double x) const noexcept { return fit_.Deviation(x) / sd_; }

    std::size_t m_;
    RunningMoments fit_;
    double sd_;
};

// The smallest expected frequency of a single class in the run first..last. The
// probabilities of unit classes form a log-concave sequence (the normal density
// smoothed by a unit window), so over a run the smallest lies at an end; only the
// open end classes hold more than a unit class, so next to them the neighbour counts
// as an end too.
double SmallestExpectedInRun(const FittedClasses& classes, std::size_t first, std::size_t last)
{
    double smallest = std::fmin(classes.Expected(first, first), classes.Expected(last, last));
    if (first < last) {
        if (first == 0) smallest = std::fmin(smallest, classes.Expected(1, 1));
        if (last + 1 == classes.count()) smallest = std::fmin(smallest, classes.Expected(last - 1, last - 1));
    }
    return smallest;
}

// Pearson's χ² over the m classes, given the classes of the n values sorted
// ascending; MissingValue when a class has no expected frequency (the fitted normal
// puts no representable mass on it).
double ClassChiSquare(const FittedClasses& classes, const double* sortedClasses, std::size_t n)
{
    double chiSquare = 0;
    std::size_t next = 0;  // the first class not yet accounted for
    for (std::size_t k = 0; k < n;) {
        const double code = sortedClasses[k];
        double observed = 0;
        for (; k < n && sortedClasses[k] == code; ++k) observed += 1;
        const auto c = static_cast<std::size_t>(code);
        if (c > next) {
            if (!(SmallestExpectedInRun(classes, next, c - 1) > 0)) return kMissingValue;
            chiSquare += classes.Expected(next, c - 1);
        }
        const double expected = classes.Expected(c, c);
        if (!(expected > 0)) return kMissingValue;
        const double deviation = observed - expected;
        chiSquare += deviation * deviation / expected;
        next = c + 1;
    }
    if (next < classes.count()) {
        if (!(SmallestExpectedInRun(classes, next, classes.count() - 1) > 0)) return kMissingValue;
        chiSquare += classes.Expected(next, classes.count() - 1);
    }
    return chiSquare;
}

void ChiSqNormalTest(HostArray** options, HostArray** data, HostArray** results)
{
    RealArrayView opts(options), x(data), out(results);
    Require(opts.count() >= 1 && out.count() >= 4);
    const int32_t classCount = TruncateCode(opts[1]);
    Require(classCount >= kMinimumClasses, Status::InsufficientData);
    const std::size_t m = static_cast<std::size_t>(classCount);

    // Every value must lie in a class 0..m − 1 (which a value that is not a finite
    // number does not); nothing is allocated before the sample has passed its checks.
    const RunningMoments moments = TwoPassMoments([&x, m](auto visit) {
        for (std::size_t k = 1; k <= x.count(); ++k) {
            if (IsMissing(x[k])) continue;
            ClassIndex(x[k], m);
            visit(x[k]);
        }
    });
    const double sd = FittedStandardDeviation(moments);

    const auto n = static_cast<std::size_t>(moments.count);
    RealVector sortedClasses(0, n);
    std::size_t next = 0;
    for (std::size_t k = 1; k <= x.count(); ++k) {
        if (!IsMissing(x[k])) sortedClasses[static_cast<std::ptrdiff_t>(next++)] = std::trunc(x[k]);
    }
    SortReals(n, sortedClasses.data());

    const FittedClasses classes(m, moments, sd);
    const double chiSquare = ClassChiSquare(classes, sortedClasses.data(), n);
    const double df = static_cast<double>(classCount - 3);
    out[1] = static_cast<double>(classCount);
    out[2] = chiSquare;
    out[3] = df;
    out[4] = IsMissing(chiSquare) ? kMissingValue : ClampProbability(ChiSquareProb(chiSquare, df));
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkKSNormalTest(HostArray** data, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::KSNormalTest(data, results); });
}

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkChiSqNormalTest(HostArray** options, HostArray** data,
                                                                  HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::ChiSqNormalTest(options, data, results); });
}
