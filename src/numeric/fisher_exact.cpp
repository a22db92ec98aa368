// Fisher's exact test of a 2 × 2 table, one-tailed towards the smallest cell.
//
// With its margins fixed, the first cell X of the table with rows (a, b) and (c, d)
// is hypergeometric: C1 = a + c draws from R1 = a + b white and R2 = c + d black,
//
//   P(X = x) = C(R1, x)·C(R2, C1 − x) / C(N, C1).
//
// Once the table is rearranged so that a is its smallest cell, the probability is
// P(X ≤ a), the tables (a − i, b + i, c + i, d − i) for i = 0..a.
//
// The terms are unimodal in x. The largest of them in 0..a, at s = min(a, mode), is
// taken in the saddle-point form of C. Loader (2000, as in R's dhyper):
//
//   ln P(X = x) = ln b(x; R1, p) + ln b(C1 − x; R2, p) − ln b(C1; N, p),  p = C1/N,
//   ln b(k; n, p) = δ(n) − δ(k) − δ(n − k) − D(k, np) − D(n − k, nq) − ½·ln(2πk(n − k)/n),
//
// with Stirling's correction δ and the deviance term D, whose distances k − np are
// formed exactly from the counts: relative accuracy near 1e−13 at any size, where
// differences of ln-factorials of size 5e10 keep no more than five digits. From s the terms relative to it follow from the ratio of neighbours
//
//   P(x + 1)/P(x) = (R1 − x)(C1 − x) / ((x + 1)(R2 − C1 + x + 1)),
//
// downwards to 0 and upwards to a, each walk until a term falls below 2^−70 of the
// sum: the terms left shrink faster than geometrically and cannot change it. Every
// 256 terms the relative term is taken afresh from the saddle-point form, so that
// rounding does not build up along the walk, and the sum is compensated. The work
// is about twenty standard deviations of X, and never more than a + 1 terms.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "numeric/fisher_exact.hpp"
#include "numeric/math_functions.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

constexpr double kLogTwoPi = 1.83787706640934548356;
constexpr double kNegligible = 0x1p-70;
constexpr int64_t kRefreshInterval = 256;
// Below e^−700 the largest term and the sum are combined as logarithms.
constexpr double kSmallestDirectExponent = -700.0;

// a·b − c·d for whole numbers below 2^34, exact until its one rounding to double:
// the products are split at 2^17 into partial products that integers hold exactly.
double ProductDifference(uint64_t a, uint64_t b, uint64_t c, uint64_t d)
{
    constexpr int kShift = 17;
    constexpr uint64_t kLow = (uint64_t{1} << kShift) - 1;
    const auto part = [](uint64_t u, uint64_t v) { return static_cast<int64_t>(u * v); };
    const int64_t high = part(a >> kShift, b >> kShift) - part(c >> kShift, d >> kShift);
    const int64_t middle = part(a >> kShift, b & kLow) + part(a & kLow, b >> kShift) -
                           part(c >> kShift, d & kLow) - part(c & kLow, d >> kShift);
    const int64_t low = part(a & kLow, b & kLow) - part(c & kLow, d & kLow);
    // middle·2^17 + low stays below 2^53 and is exact; the last addition rounds once.
    return std::ldexp(static_cast<double>(high), 2 * kShift) +
           (std::ldexp(static_cast<double>(middle), kShift) + static_cast<double>(low));
}

// ln b(k; n, p) for the binomial whose mean np lies `excess` below k: k − np = excess.
double LogBinomial(double k, double n, double excess)
{
    if (n == 0) return 0.0;
    if (k == 0) return n * std::log1p(excess / n);   // n·ln q, q = 1 + excess/n
    if (k == n) return n * std::log1p(-excess / n);  // n·ln p, p = 1 − excess/n
    const double n_k = n - k;
    const double corrections = StirlingCorrection(n) - StirlingCorrection(k) - StirlingCorrection(n_k);
    return corrections - DevianceTermFromDifference(k, excess) - DevianceTermFromDifference(n_k, -excess) -
           0.5 * (kLogTwoPi + std::log(k) + std::log1p(-k / n));
}

// The hypergeometric distribution of the first cell, a ≤ d (so that 0 is in its range).
struct Hypergeometric {
    uint64_t R1, R2, C1, N;
    double excess;  // R2 − C1 = d − a ≥ 0

    // ln P(X = x) = ln b(x; R1, p) + ln b(C1 − x; R2, p) − ln b(C1; N, p), p = C1/N. Every
    // binomial count but the last lies ±Δ/N from its mean, Δ = x·N − R1·C1, which is
    // formed exactly, so the deviance terms keep their digits at any size; the last
    // count is its mean.
    double LogTerm(double x) const
    {
        const double r1 = static_cast<double>(R1), r2 = static_cast<double>(R2), c1 = static_cast<double>(C1);
        const double n = static_cast<double>(N);
        const double offset = ProductDifference(static_cast<uint64_t>(x), N, R1, C1) / n;
        return LogBinomial(x, r1, offset) + LogBinomial(c1 - x, r2, -offset) - LogBinomial(c1, n, 0.0);
    }
    // P(x + 1)/P(x)
    double RatioUp(double x) const
    {
        const double r1 = static_cast<double>(R1), c1 = static_cast<double>(C1);
        return (r1 - x) * (c1 - x) / ((x + 1) * (excess + x + 1));
    }
};

// Adds P(x)/P(s) for x = s + step, s + 2·step, … up to `last` (step ±1) to `sum`,
// until a term no longer counts.
void AddWalk(const Hypergeometric& h, double s, double last, int step, double logPeak, CompensatedSum& sum)
{
    double term = 1.0;
    const auto count = static_cast<int64_t>(std::fabs(last - s));
    for (int64_t i = 1; i <= count; ++i) {
        const double x = s + static_cast<double>(step * i);
        if (i % kRefreshInterval == 0) {
            term = std::exp(h.LogTerm(x) - logPeak);
        } else {
            term = step > 0 ? term * h.RatioUp(x - 1) : term / h.RatioUp(x);
        }
        sum.Add(term);
        if (term < kNegligible * sum.Value()) return;
    }
}

}  // namespace

double FisherExactP(int32_t a, int32_t b, int32_t c, int32_t d)
{
    if (a < 0 || b < 0 || c < 0 || d < 0) return std::numeric_limits<double>::quiet_NaN();
    // Exchanging rows or columns (or both) leaves the hypergeometric distribution of
    // the table alone; bring the smallest cell to a.
    if (b < a) {
        std::swap(a, b);
        std::swap(c, d);
    }
    if (c < a) {
        std::swap(a, c);
        std::swap(b, d);
        if (b < a) {
            std::swap(a, b);
            std::swap(c, d);
        }
    } else if (d < a) {
        std::swap(a, d);
        std::swap(b, c);
    }

    // Transposing leaves the distribution alone too: with b ≤ c the transposed table
    // takes the same steps and gives the very same probability.
    if (c < b) std::swap(b, c);

    const auto A = static_cast<uint64_t>(a), B = static_cast<uint64_t>(b), C = static_cast<uint64_t>(c),
               D = static_cast<uint64_t>(d);
    const uint64_t N = A + B + C + D;
    if (N == 0) return 1.0;
    const Hypergeometric h{A + B, C + D, A + C, N, static_cast<double>(D - A)};

    const double first = static_cast<double>(A);
    const double mode = std::floor((static_cast<double>(h.R1) + 1) * (static_cast<double>(h.C1) + 1) /
                                   (static_cast<double>(N) + 2));
    const double s = std::min(first, mode);
    const double logPeak = h.LogTerm(s);
    CompensatedSum relative;  // Σ P(x)/P(s)
    relative.Add(1.0);
    AddWalk(h, s, 0.0, -1, logPeak, relative);
    AddWalk(h, s, first, +1, logPeak, relative);
    const double sum = relative.Value();
    const double p = logPeak >= kSmallestDirectExponent ? std::exp(logPeak) * sum
                                                        : std::exp(logPeak + std::log(sum));
    return std::clamp(p, 0.0, 1.0);
}

}  // namespace sheetstat
