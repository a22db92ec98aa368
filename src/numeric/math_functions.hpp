// Special functions behind every probability of the library: a guarded exponential
// and power, ln Γ with Stirling's correction, the deviance term of the saddle-point
// forms, the regularized incomplete gamma and beta functions, and erfc.
//
// Plain functions of their arguments without state. Arguments are not checked
// beyond this: a NaN, or a shape that is not a positive finite number, gives NaN.
// The incomplete gamma and beta functions iterate until they converge, within a
// bound that grows with √(shape); should they reach it they raise
// StatusError(Status::NumericalFailure) (frame/status.hpp), which an export frame
// turns into Status 7 and any caller outside a frame must catch. No other function
// here raises.
#pragma once

namespace sheetstat {

// e^x, clamped: 0 below −200 (and for NaN), 1e85 above 200.
double SafeExp(double x);
// x^y = SafeExp(y·ln x), x > 0.
double SafePow(double x, double y);
// ln Γ(x), x > 0: a few ulps of its magnitude (below 1e−14 absolute for x < 10).
double LogGamma(double x);
// δ(x) = ln Γ(x) − ((x − 1/2)·ln x − x + ln √(2π)), x > 0: Stirling's correction,
// about 1/(12x) for large x, to about 1e−17 absolute from x = 10 on.
double StirlingCorrection(double x);
// x·ln(x/m) + m − x ≥ 0 for x ≥ 0, m > 0 (Loader's bd0), to a few ulps relative also
// where x and m nearly agree; m for x = 0, +∞ for m = 0 < x.
double DevianceTerm(double x, double m);
// The same for m = x − difference, given the difference exactly.
double DevianceTermFromDifference(double x, double difference);
// Q(a, x) = 1 − P(a, x), the regularized upper incomplete gamma function; a > 0,
// x ≥ 0 (x ≤ 0 gives 1). About 1e−14 relative; see incomplete_gamma.cpp.
double IncGammaQ(double a, double x);
// I_x(a, b), the regularized incomplete beta function; a, b > 0, 0 ≤ x ≤ 1, exactly
// 0 at x = 0 and 1 at x = 1.
double IncBeta(double a, double b, double x);
// The same with y = 1 − x given separately, so that an x near 1 (a y of a few ulps)
// keeps the digits of its complement: callers that form x as a ratio form y as the
// complementary ratio.
double IncBeta(double a, double b, double x, double y);
// erfc(x), fractional error below about 1.2e-7.
double Erfc(double x);

}  // namespace sheetstat
