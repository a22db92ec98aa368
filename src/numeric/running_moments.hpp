// Count, mean and sum of squared deviations of a sample, computed in two passes
// about the mean, and merged across samples.
//
// Pass 1 sums the deviations from the sample's first value (a shift that makes the
// differences small and exact for data with a large common offset), with Neumaier's
// compensation, for a provisional mean c. Pass 2 sums d = x − c and d² (compensated)
// and corrects both: mean = c + Σd/n, Σ(x − mean)² = Σd² − (Σd)²/n (the corrected
// two-pass algorithm; Chan, Golub and LeVeque 1983). The mean is then within about
// an ulp of the exact mean of the doubles, the sum of squares within a few ulps of
// the exact one, at any offset. A sample whose values are all equal gives exactly
// its value as the mean and exactly 0 as the sum of squares, so that "a variance of
// exactly 0" stays a meaningful test.
//
// Samples are combined by the pairwise update of Chan, Golub and LeVeque (1979).
#pragma once

#include <cstddef>

namespace sheetstat {

// The moments of a sample (or of several merged ones).
struct RunningMoments {
    double count = 0;
    double mean = 0;
    // Σ (x − mean)² over the values.
    double sumSquares = 0;

    // Single-pass update about the running mean (Welford 1962). It drifts by several
    // ulps of the mean at a large offset: new code uses MomentsAccumulator or
    // TwoPassMoments, and this goes once the last caller has moved.
    void Add(double x) noexcept
    {
        count += 1;
        const double delta = x - mean;
        mean += delta / count;
        sumSquares += delta * (x - mean);
    }

    // Adds the values of another accumulation, as if each had been added here.
    void Merge(const RunningMoments& other) noexcept
    {
        if (other.count == 0) return;
        if (count == 0) {
            *this = other;
            return;
        }
        const double total = count + other.count;
        const double delta = other.mean - mean;
        mean += delta * (other.count / total);
        sumSquares += other.sumSquares + delta * delta * (count * other.count / total);
        count = total;
    }

    // Sample variance Σ(x − mean)²/(n − 1); callers check count ≥ 2.
    double SampleVariance() const noexcept { return sumSquares / (count - 1); }
};

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
// then Moments.
class MomentsAccumulator {
public:
    void Add(double x) noexcept
    {
        if (count_ == 0) shift_ = x;
        count_ += 1;
        shifted_.Add(x - shift_);
    }

    void EndFirstPass() noexcept
    {
        center_ = count_ == 0 ? 0.0 : shift_ + shifted_.Value() / count_;
    }

    void AddSecond(double x) noexcept
    {
        const double d = x - center_;
        deviations_.Add(d);
        squares_.Add(d * d);
    }

    double count() const noexcept { return count_; }

    RunningMoments Moments() const noexcept
    {
        RunningMoments m;
        m.count = count_;
        if (count_ == 0) return m;
        const double sumDeviations = deviations_.Value();
        m.mean = center_ + sumDeviations / count_;
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
