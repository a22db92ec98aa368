// P(a < Z ≤ b), Z standard normal:
//
//   above the mean (a ≥ 0):      Q(a) − Q(b), Q(z) = 1 − Φ(z) = Φ(−z) the upper tail;
//   below the mean (b ≤ 0):      Φ(b) − Φ(a);
//   across the mean (a < 0 < b): 1 − Φ(a) − Q(b).
//
// Each tail comes straight from NormalCdf, which keeps the relative accuracy of small
// tails; only the central case subtracts from 1, where the result is not small.
#include <cmath>

#include "numeric/distributions.hpp"
#include "numeric/normal_interval.hpp"

namespace sheetstat {
namespace {

// Φ(z), and 0 for an open lower end.
double LowerTail(double z)
{
    return std::isinf(z) ? 0.0 : NormalCdf(z);
}

// Q(z) = Φ(−z), and 0 for an open upper end.
double UpperTail(double z)
{
    return std::isinf(z) ? 0.0 : NormalCdf(-z);
}

}  // namespace

double NormalIntervalProb(double lower, double upper)
{
    if (lower >= 0) return UpperTail(lower) - UpperTail(upper);
    if (upper <= 0) return LowerTail(upper) - LowerTail(lower);
    return 1.0 - (LowerTail(lower) + UpperTail(upper));
}

}  // namespace sheetstat
