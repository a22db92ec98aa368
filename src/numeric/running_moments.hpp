// Count, mean and sum of squared deviations of a sample, computed in two passes
// about the mean, and merged across samples.
//
// Pass 1 sums the deviations from the sample's first value (a shift that makes the
// differences small and exact for data with a large common offset), with Neumaier's
// compensation, for a provisional mean c. Pass 2 sums d = x − c and d² (compensated)
// and corrects both: mean = c + Σd/n, Σ(x − mean)² = Σd² − (Σd)²/n (the corrected
// two-pass algorithm; Chan, Golub and LeVeque 1983). The mean is then within about
// an ulp of the exact mean of the doubles, the sum of squares within a few ulps of
// the exact one, at any offset; the mean's rounding error is kept as well, so that
// deviations from the mean and differences of means are as exact. A sample whose
// values are all equal gives exactly its value as the mean and exactly 0 as the sum
// of squares, so that "a variance of exactly 0" stays a meaningful test. (Squared
// deviations below about 1e-154 lose digits to underflow; above about 1e154 they
// overflow, which the export frame reports as a numerical failure.)
//
// Samples are combined by the pairwise update of Chan, Golub and LeVeque (1979).
#pragma once

#include <cstddef>

namespace sheetstat {

// The error of a rounded sum: with s = a + b rounded to nearest, a + b = s + error
// exactly (Knuth's TwoSum).
inline double RoundingErrorOfSum(double a, double b, double s) noexcept
{
    const double bPart = s - a;
    const double aPart = s - bPart;
    return (a - aPart) + (b - bPart);
}

// The moments of a sample (or of several merged ones).
struct RunningMoments {
    double count = 0;
    double mean = 0;
    // Σ (x − mean)² over the values.
    double sumSquares = 0;
    // The exact mean less `mean` (to within rounding of this small part): the digits
    // of the mean below its last place. Deviations from the mean and differences of
    // means use it, so that they keep their own relative accuracy when the mean
    // carries a large offset (a difference of two means rounded at 1e8 would
    // otherwise be off by up to 1.5e-8 absolute).
    double meanResidual = 0;

    // x − mean, within about an ulp of the deviation itself.
    double Deviation(double x) const noexcept { return (x - mean) - meanResidual; }

    // Adds the values of another accumulation, as if each had been added here.
    void Merge(const RunningMoments& other) noexcept
    {
        if (other.count == 0) return;
        if (count == 0) {
            *this = other;
            return;
        }
        const double total = count + other.count;
        const double delta = (other.mean - mean) + (other.meanResidual - meanResidual);
        // The merged mean is this mean plus `shift`; the rounding of that sum goes
        // into the new residual.
        const double shift = meanResidual + delta * (other.count / total);
        const double merged = mean + shift;
        meanResidual = RoundingErrorOfSum(mean, shift, merged);
        mean = merged;
        sumSquares += other.sumSquares + delta * delta * (count * other.count / total);
        count = total;
    }

    // Sample variance Σ(x − mean)²/(n − 1); callers check count ≥ 2.
    double SampleVariance() const noexcept { return sumSquares / (count - 1); }
};

// The difference of the means of a and b, within a few ulps of the difference itself.
inline double MeanDifference(const RunningMoments& a, const RunningMoments& b) noexcept
{
    return (a.mean - b.mean) + (a.meanResidual - b.meanResidual);
}

// Neumaier's compensated sum: the rounding error of every addition is carried
// separately and added back at the end.
struct CompensatedSum {
    double sum = 0;
    double compensation = 0;

    void Add(double x) noexcept
    {
        const double t = sum + x;
        // The low-order part lost by the addition: of x when |sum| ≥ |x|, else of sum.
        compensation += Magnitude(sum) >= Magnitude(x) ? (sum - t) + x : (x - t) + sum;
        sum = t;
    }
    double Value() const noexcept { return sum + compensation; }

private:
    static double Magnitude(double v) noexcept { return v < 0 ? -v : v; }
};

// The two passes over one sample (or one group of a grouped sample): call Add for
// every value, then EndFirstPass once, then AddSecond for the same values again,
// then Moments. A value may carry a weight ≥ 0 (a frequency: the value counted that
// many times); it must be the same in both passes.
class MomentsAccumulator {
public:
    void Add(double x, double weight = 1) noexcept
    {
        if (count_ == 0) shift_ = x;
        count_ += weight;
        shifted_.Add(weight * (x - shift_));
    }

    void EndFirstPass() noexcept
    {
        center_ = count_ == 0 ? 0.0 : shift_ + shifted_.Value() / count_;
    }

    void AddSecond(double x, double weight = 1) noexcept
    {
        const double d = x - center_;
        deviations_.Add(weight * d);
        squares_.Add(weight * d * d);
    }

    double count() const noexcept { return count_; }

    RunningMoments Moments() const noexcept
    {
        RunningMoments m;
        m.count = count_;
        if (count_ == 0) return m;
        const double sumDeviations = deviations_.Value();
        const double correction = sumDeviations / count_;
        m.mean = center_ + correction;
        m.meanResidual = RoundingErrorOfSum(center_, correction, m.mean);
        const double sumSquares = squares_.Value() - sumDeviations * (sumDeviations / count_);
        m.sumSquares = sumSquares > 0 ? sumSquares : 0.0;
        return m;
    }

private:
    double count_ = 0;
    double shift_ = 0;
    double center_ = 0;
    CompensatedSum shifted_;
    CompensatedSum deviations_;
    CompensatedSum squares_;
};

// The moments of the values that forEach(visit) delivers by calling visit(x) for
// each; forEach is called twice and must deliver the same values both times.
template <class ForEach>
RunningMoments TwoPassMoments(ForEach&& forEach)
{
    MomentsAccumulator accumulator;
    forEach([&accumulator](double x) { accumulator.Add(x); });
    accumulator.EndFirstPass();
    forEach([&accumulator](double x) { accumulator.AddSecond(x); });
    return accumulator.Moments();
}

}  // namespace sheetstat
