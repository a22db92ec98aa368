// Count, mean and sum of squared deviations of a stream of values, accumulated
// about the running mean (Welford 1962; merging two accumulations by the pairwise
// update of Chan, Golub and LeVeque 1979). Unlike Σx² − n·mean², this stays exact
// to rounding when the values share a large common offset.
#pragma once

#include <cstddef>

namespace sheetstat {

struct RunningMoments {
    double count = 0;
    double mean = 0;
    // Σ (x − mean)² over the values added so far.
    double sumSquares = 0;

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

}  // namespace sheetstat
