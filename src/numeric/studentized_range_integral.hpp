// The studentized range distribution by direct numerical integration.
#pragma once

namespace sheetstat {

// P[W/s > q] for the range W of k independent standard normal variables and an
// independent s with ν s² ~ χ²_ν: the double integral over the range distribution
// and the distribution of s, to about 1e−9 absolute. k = 2..20, ν > 0; 1 for q ≤ 0,
// NaN for a NaN q.
double RangeUpperTailByIntegration(double q, int k, double df);

}  // namespace sheetstat
