// Two tests of normality against a normal distribution whose mean and standard
// deviation are estimated from the sample:
//
// - nkKSNormalTest, the Kolmogorov-Smirnov test: D = sup |F_n(x) − Φ((x − mean)/s)|
//   over the sorted sample, referred to the asymptotic Kolmogorov distribution of √n·D;
// - nkChiSqNormalTest, Pearson's chi-square goodness of fit for data that are class
//   numbers 0..m − 1: class c is the interval (c − 1/2, c + 1/2) of the fitted normal
//   (a half-unit continuity correction), the first and last classes taking the whole
//   tails, on m − 3 degrees of freedom (two parameters estimated).
//
// Mean and standard deviation accumulate about the running mean (Welford), so data
// with a large common offset keep their spread.
#include <cmath>

#include "analyses/descriptive/normality_tests.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/distributions.hpp"
#include "numeric/math_functions.hpp"
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
// and accumulates them; the positions behind them keep what they held.
RunningMoments CompactValues(double* x, std::size_t count)
{
    RunningMoments moments;
    std::size_t next = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if (IsMissing(x[k])) continue;
        moments.Add(x[k]);
        x[next++] = x[k];
    }
    return moments;
}

// D = max over i of max(|i/n − Φ_i|, |(i − 1)/n − Φ_i|), Φ_i the fitted normal
// distribution function at the i-th smallest value x_i (x points at x_1).
double KolmogorovDistance(const double* x, std::size_t count, double mean, double sd)
{
    const double n = static_cast<double>(count);
    double D = 0;
    for (std::size_t i = 1; i <= count; ++i) {
        const double Phi = NormalCdf((x[i - 1] - mean) / sd);
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

    const RunningMoments moments = CompactValues(x.data(), x.count());
    const double sd = FittedStandardDeviation(moments);
    const std::size_t n = static_cast<std::size_t>(moments.count);
    SortReals(n, x.data());

    const double D = KolmogorovDistance(x.data(), n, moments.mean, sd);
    out[1] = moments.count;
    out[2] = D;
    out[3] = KolmogorovProb(std::sqrt(moments.count) * D);
}

constexpr int32_t kMinimumClasses = 5;

// Probability of class c of m under N(mean, sd²) with the half-unit continuity
// correction: (c − 1/2, c + 1/2], the first class from −∞, the last to +∞.
double ClassProbability(std::size_t c, std::size_t m, double mean, double sd)
{
    const double cd = static_cast<double>(c);
    const double upper = c + 1 == m ? 1.0 : NormalCdf((cd + 0.5 - mean) / sd);
    const double lower = c == 0 ? 0.0 : NormalCdf((cd - 0.5 - mean) / sd);
    return upper - lower;
}

// Pearson's χ² over the m classes, or MissingValue when a class has no expected
// frequency (the fitted normal puts no mass on it).
double ClassChiSquare(const RealVector& observed, std::size_t m, double n, double mean, double sd)
{
    double chiSquare = 0;
    for (std::size_t c = 0; c < m; ++c) {
        const double expected = n * ClassProbability(c, m, mean, sd);
        if (expected <= 0) return kMissingValue;
        const double deviation = observed[static_cast<std::ptrdiff_t>(c)] - expected;
        chiSquare += deviation * deviation / expected;
    }
    return chiSquare;
}

void ChiSqNormalTest(HostArray** options, HostArray** data, HostArray** results)
{
    RealArrayView opts(options), x(data), out(results);
    Require(opts.count() >= 1 && out.count() >= 4);
    const int32_t classes = TruncateCode(opts[1]);
    // Checked before the class counts are obtained, so that m sizes the counts safely.
    Require(classes >= kMinimumClasses, Status::InsufficientData);
    const std::size_t m = static_cast<std::size_t>(classes);

    RealVector observed(0, m);
    observed.Fill(0);
    RunningMoments moments;
    for (std::size_t k = 1; k <= x.count(); ++k) {
        if (IsMissing(x[k])) continue;
        const std::size_t c = ClassIndex(x[k], m);
        observed[static_cast<std::ptrdiff_t>(c)] += 1;
        moments.Add(x[k]);
    }
    const double sd = FittedStandardDeviation(moments);

    const double chiSquare = ClassChiSquare(observed, m, moments.count, moments.mean, sd);
    const double df = static_cast<double>(classes - 3);
    out[1] = static_cast<double>(classes);
    out[2] = chiSquare;
    out[3] = df;
    out[4] = IsMissing(chiSquare) ? kMissingValue : ChiSquareProb(chiSquare, df);
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
