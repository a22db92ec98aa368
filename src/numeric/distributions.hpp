// Probability distributions and their quantiles: standard normal, Student's t, F,
// chi-square and the studentized range. No function raises; out-of-range requests
// are answered with the sentinels documented below.
#pragma once

#include <cstdint>

namespace sheetstat {

// Φ(z), the lower-tail standard normal probability.
double NormalCdf(double z);
// The one-tailed probability of a normal test statistic: the smaller tail, Φ(z) for
// z < 0 and 1 − Φ(z) for z ≥ 0. The two-tailed probability is twice it.
double NormalTailProb(double z);
// z with Φ(z) ≈ p, in [−10, 10]; −1 when p ≤ 0.
double NormalQuantile(double p);
// Two-tailed P(|T| ≥ |t|) for Student's t with df degrees of freedom.
double TProb(double t, double df);
// The two-tailed critical value: t ≥ 0 with TProb(t, df) ≈ p, within 1e−4 above the
// true value, any size (the bracket grows past 10 as needed); −1 when p ≤ 0. From
// df = 1e7 on (and for infinite df) from the normal limit.
double TQuantile(double p, double df);
// TQuantile within the fixed bracket [0, 10]: 10 when the true value lies above.
double TQuantileCapped(double p, double df);
// Upper-tail P(F' ≥ f) for F with df1 and df2 degrees of freedom.
double FProb(double f, double df1, double df2);
// f with FProb(f, df1, df2) ≈ p, within 1e−4 above the true value, any size (the
// bracket grows past 100 as needed); −1 when p ≤ 0.
double FQuantile(double p, double df1, double df2);
// Upper-tail P(χ² ≥ chiSquare) with df degrees of freedom: IncGammaQ(df/2, χ²/2).
double ChiSquareProb(double chiSquare, double df);
// Upper-tail probability of the studentized range of k means with df degrees of
// freedom, within 5e−4 absolute; −1 when k < 2, k > 20 or df = 0.
double RangeProb(double q, uint32_t k, uint32_t df);
// q with RangeProb(q, k, df) ≈ p, within 1e−4 above, any size (the bracket grows past
// 8 as needed); −1 when p ≤ 0, k < 2, k > 20 or df = 0.
double RangeQuantile(double p, uint32_t k, uint32_t df);

}  // namespace sheetstat
