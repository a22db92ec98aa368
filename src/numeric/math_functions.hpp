// Special functions behind every probability of the library: a guarded exponential
// and power, ln Γ, the regularized incomplete gamma and beta functions, and erfc.
// Plain functions of their arguments: no state, no exceptions; an iteration that
// runs out of steps returns its last value. Arguments are not checked.
#pragma once

namespace sheetstat {

// e^x, clamped: 0 below −200 (and for NaN), 1e85 above 200.
double SafeExp(double x);
// x^y = SafeExp(y·ln x), x > 0.
double SafePow(double x, double y);
// ln Γ(x), x > 0 (Lanczos).
double LogGamma(double x);
// Q(a, x) = 1 − P(a, x), the regularized upper incomplete gamma function; a > 0, x ≥ 0.
double IncGammaQ(double a, double x);
// I_x(a, b), the regularized incomplete beta function; a, b > 0, 0 ≤ x ≤ 1.
double IncBeta(double a, double b, double x);
// erfc(x), fractional error below about 1.2e-7.
double Erfc(double x);

}  // namespace sheetstat
