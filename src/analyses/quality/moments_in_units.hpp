// Means, and sums of squared deviations of values measured in units of a known spread.
//
// A mean alone is taken in one pass (MeanAccumulator), as the first pass of the
// two-pass kernel takes it: the deviations from the first value, summed with
// compensation. No square is formed, so values near the top of the double range do
// not overflow, and equal values give exactly their value.
//
// The values are delivered as u = (x − origin)/unit, with origin and unit chosen by
// the caller so that u stays within a few units of 0 (the smallest value and the
// range of the data, as a rule). The two-pass kernel of running_moments.hpp then sums
// squares of numbers near 1: they neither underflow at 1e−200 nor overflow at
// 1e+200, where squares of the raw deviations would (silently turning a spread into
// 0 in the first case). Equal values give u = 0 exactly, so no spread stays exactly
// no spread.
#pragma once

#include <cmath>

#include "numeric/running_moments.hpp"

namespace sheetstat {

class MeanAccumulator {
public:
    void Add(double x) noexcept
    {
        if (count_ == 0) first_ = x;
        count_ += 1;
        deviations_.Add(x - first_);
    }
    double count() const noexcept { return count_; }
    // The mean of the values added; 0 when there are none.
    double Mean() const noexcept { return count_ == 0 ? 0.0 : first_ + deviations_.Value() / count_; }

private:
    double count_ = 0;
    double first_ = 0;
    CompensatedSum deviations_;
};

// The mean of the values that forEach(visit) delivers.
template <class ForEach>
double MeanOf(ForEach&& forEach)
{
    MeanAccumulator mean;
    forEach([&mean](double x) { mean.Add(x); });
    return mean.Mean();
}

// The scale of a sample: deviations are measured from `origin` in units of `unit` > 0.
struct SpreadUnits {
    double origin = 0;
    double unit = 1;

    // Units for values in [low, high]; a single value gets unit 1.
    static SpreadUnits Spanning(double low, double high) noexcept
    {
        const double range = high - low;
        return {low, range > 0 ? range : 1.0};
    }
    double ToUnits(double x) const noexcept { return (x - origin) / unit; }
};

// Moments of values in units, turned back into the values' own scale.
struct UnitMoments {
    RunningMoments inUnits;
    SpreadUnits units;

    double count() const noexcept { return inUnits.count; }
    double Mean() const noexcept { return units.origin + inUnits.mean * units.unit; }
    // The sample standard deviation √(Σ(x − mean)²/(n − 1)); callers check n ≥ 2.
    double StandardDeviation() const noexcept { return std::sqrt(inUnits.SampleVariance()) * units.unit; }
};

// Two passes (TwoPassMoments) over the values that forEach(visit) delivers, each
// measured in `units`; forEach is called twice and must deliver the same values.
template <class ForEach>
UnitMoments MomentsInUnits(const SpreadUnits& units, ForEach&& forEach)
{
    const RunningMoments moments = TwoPassMoments([&](auto&& visit) {
        forEach([&](double x) { visit(units.ToUnits(x)); });
    });
    return {moments, units};
}

}  // namespace sheetstat
