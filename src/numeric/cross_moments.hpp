// Count, means and sums of squares and cross-products of a pair of variables,
// Sxx = Σ(x − x̄)², Syy = Σ(y − ȳ)², Sxy = Σ(x − x̄)(y − ȳ), in two passes about the
// means: the pair counterpart of MomentsAccumulator (running_moments.hpp).
//
// Pass 1 sums the deviations from the first pair (compensated) for the means; pass 2
// sums the deviations from those means, their squares and their products
// (compensated) and applies the correction of Chan, Golub and LeVeque (1983):
// Sxy = Σdx·dy − Σdx·Σdy/n. Constant values give a mean equal to the value and
// exactly 0 for its sum of squares. In pass 2 each variable's deviations are
// multiplied by a power of two that brings its half-range into [1, 2): exact, so
// the sums are those of the unscaled deviations, but neither their squares nor
// their products overflow or underflow for data near the ends of the double range.
#pragma once

#include <cmath>

#include "numeric/running_moments.hpp"

namespace sheetstat {

// The power of two 2^−e with 2^e ≤ (max − min)/2 < 2^(e+1), at most 2^1000 (so that a
// subnormal range does not overflow it); 1 for a constant variable. Deviations from
// a mean multiplied by it lie within about ±2, exactly scaled: their squares and
// products neither overflow nor underflow whatever the scale of the data.
inline double DeviationScale(double min, double max) noexcept
{
    const double halfRange = max / 2 - min / 2;
    if (!(halfRange > 0)) return 1.0;
    const int exponent = std::ilogb(halfRange);
    return std::ldexp(1.0, exponent < -1000 ? 1000 : -exponent);
}

struct CrossMoments {
    double count = 0;
    double meanX = 0, meanY = 0;
    double sxx = 0, syy = 0, sxy = 0;
};

// Call Add for every pair, then EndFirstPass once, then AddSecond for the same pairs
// again, then Moments or Correlation.
class CrossMomentsAccumulator {
public:
    void Add(double x, double y) noexcept
    {
        if (count_ == 0) {
            shiftX_ = minX_ = maxX_ = x;
            shiftY_ = minY_ = maxY_ = y;
        }
        count_ += 1;
        shiftedX_.Add(x - shiftX_);
        shiftedY_.Add(y - shiftY_);
        // Plain comparisons (the values are numbers): std::fmin is a call.
        minX_ = x < minX_ ? x : minX_;
        maxX_ = x > maxX_ ? x : maxX_;
        minY_ = y < minY_ ? y : minY_;
        maxY_ = y > maxY_ ? y : maxY_;
    }

    void EndFirstPass() noexcept
    {
        if (count_ == 0) return;
        centerX_ = shiftX_ + shiftedX_.Value() / count_;
        centerY_ = shiftY_ + shiftedY_.Value() / count_;
        scaleX_ = DeviationScale(minX_, maxX_);
        scaleY_ = DeviationScale(minY_, maxY_);
    }

    void AddSecond(double x, double y) noexcept
    {
        const double dx = (x - centerX_) * scaleX_;
        const double dy = (y - centerY_) * scaleY_;
        deviationsX_.Add(dx);
        deviationsY_.Add(dy);
        squaresX_.Add(dx * dx);
        squaresY_.Add(dy * dy);
        products_.Add(dx * dy);
    }

    double count() const noexcept { return count_; }

    // The sums in the units of the data (they may overflow where the data's do).
    CrossMoments Moments() const noexcept
    {
        const Scaled s = ScaledSums();
        CrossMoments m;
        m.count = count_;
        m.meanX = s.meanX;
        m.meanY = s.meanY;
        m.sxx = s.sxx / scaleX_ / scaleX_;
        m.syy = s.syy / scaleY_ / scaleY_;
        m.sxy = s.sxy / scaleX_ / scaleY_;
        return m;
    }

    // Pearson's r = Sxy/(√Sxx·√Syy), clamped to [−1, 1]; 0 when Sxx or Syy is 0
    // (no pair, or a constant variable). Equal spreads divide by Sxx itself, so a column
    // with itself (or with its negative) gives exactly ±1, not 1 − ε.
    double Correlation() const noexcept
    {
        const Scaled s = ScaledSums();
        if (s.sxx == 0 || s.syy == 0) return 0;
        const double r = s.sxy / (s.sxx == s.syy ? s.sxx : std::sqrt(s.sxx) * std::sqrt(s.syy));
        return std::fmax(-1.0, std::fmin(1.0, r));
    }

private:
    struct Scaled {
        double meanX = 0, meanY = 0, sxx = 0, syy = 0, sxy = 0;
    };

    Scaled ScaledSums() const noexcept
    {
        Scaled s;
        if (count_ == 0) return s;
        const double sumX = deviationsX_.Value(), sumY = deviationsY_.Value();
        s.meanX = centerX_ + (sumX / count_) / scaleX_;
        s.meanY = centerY_ + (sumY / count_) / scaleY_;
        s.sxx = std::fmax(0.0, squaresX_.Value() - sumX * (sumX / count_));
        s.syy = std::fmax(0.0, squaresY_.Value() - sumY * (sumY / count_));
        s.sxy = products_.Value() - sumX * (sumY / count_);
        return s;
    }

    double count_ = 0;
    double shiftX_ = 0, shiftY_ = 0;
    double minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
    double centerX_ = 0, centerY_ = 0;
    double scaleX_ = 1, scaleY_ = 1;
    CompensatedSum shiftedX_, shiftedY_;
    CompensatedSum deviationsX_, deviationsY_;
    CompensatedSum squaresX_, squaresY_, products_;
};

}  // namespace sheetstat
