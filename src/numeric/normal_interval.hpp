// The standard normal probability of an interval, accurate in either tail.
#pragma once

namespace sheetstat {

// P(lower < Z ≤ upper) for Z ~ N(0, 1), lower ≤ upper; an end may be infinite (an
// open tail). Formed from the tail on the side where the interval lies, so that a
// small probability far out in either tail keeps its relative accuracy instead of
// cancelling to 0 as a difference of distribution values near 1 would.
double NormalIntervalProb(double lower, double upper);

}  // namespace sheetstat
