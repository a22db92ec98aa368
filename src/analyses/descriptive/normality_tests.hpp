// Routines of the normality tests that are useful on their own.
#pragma once

namespace sheetstat {

// Q(λ) = 2·Σ_{j ≥ 1} (−1)^(j−1)·e^(−2j²λ²), the asymptotic probability that the
// Kolmogorov statistic √n·D exceeds λ (Kolmogorov 1933). The alternating series is
// summed until a term falls below 0.001 of the previous one or 1e−8 of the sum; a
// series that has not settled after 100 terms (λ near 0) gives 1.
double KolmogorovProb(double lambda);

}  // namespace sheetstat
