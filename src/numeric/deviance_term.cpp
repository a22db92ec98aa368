// The deviance term D(x, m) = x·ln(x/m) + m − x ≥ 0 of the saddle-point forms of
// the Poisson, binomial, gamma and beta probabilities (C. Loader, "Fast and accurate
// computation of binomial probabilities", 2000, function bd0).
//
// Near x = m the two parts cancel; with v = (x − m)/(x + m),
//
//   D = (x − m)·v + 2x·(v³/3 + v⁵/5 + v⁷/7 + …),
//
// a series of positive terms that shrink by v² < 1/100 per step when
// |x − m| < (x + m)/10, so at most 10 terms reach the last bit. Elsewhere the direct
// form loses nothing. The logarithm of the ratio is taken as a difference of
// logarithms where the ratio itself would overflow or underflow. Where m is known
// better as its distance from x than as a number (a mean of 1.5e9 carries a
// rounding of 1e−7 that the series would take for part of x − m), callers give the
// difference itself.
#include <cmath>
#include <limits>

#include "numeric/math_functions.hpp"

namespace sheetstat {
namespace {

constexpr int kMaxSeriesTerms = 40;
// Far beyond this |ln x − ln m| the ratio x/m is no longer a normal double.
constexpr double kSafeLogRatio = 700.0;

// D(x, m) with difference = x − m: the series takes the difference, the direct form m.
double Deviance(double x, double m, double difference)
{
    if (x == 0.0) return m;
    if (m == 0.0) return std::numeric_limits<double>::infinity();
    if (std::fabs(difference) < 0.1 * (x + m)) {
        const double v = difference / (x + m);
        const double vSquared = v * v;
        double sum = difference * v;
        double power = 2.0 * x * v;
        for (int j = 1; j <= kMaxSeriesTerms; ++j) {
            power *= vSquared;
            const double term = power / (2 * j + 1);
            const double next = sum + term;
            if (next == sum || std::fabs(term) <= 1e-17 * std::fabs(sum)) return next;
            sum = next;
        }
        return sum;
    }
    const double logX = std::log(x);
    const double logM = std::log(m);
    const double logRatio = std::fabs(logX - logM) < kSafeLogRatio ? std::log(x / m) : logX - logM;
    return x * logRatio - difference;
}

}  // namespace

double DevianceTerm(double x, double m)
{
    return Deviance(x, m, x - m);
}

double DevianceTermFromDifference(double x, double difference)
{
    return Deviance(x, x - difference, difference);
}

}  // namespace sheetstat
