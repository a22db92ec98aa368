// Weighted column means and the intercept of a centred fit (see the header).
#include "numeric/weighted_centring.hpp"

#include <cstddef>
#include <cstdint>

#include "frame/status.hpp"

namespace sheetstat {
namespace {

std::size_t MeanCount(int32_t n)
{
    Require(n >= 0 && n < INT32_MAX);
    return static_cast<std::size_t>(n) + 1;
}

}  // namespace

WeightedCentring::WeightedCentring(int32_t n)
    : n_(n), shift_(1, MeanCount(n)), weightedDeviations_(1, MeanCount(n)), means_(1, MeanCount(n))
{
    shift_.Fill(0);
    weightedDeviations_.Fill(CompensatedSum{});
    means_.Fill(0);
}

void WeightedCentring::Add(const RealVector& p, double y, double sig)
{
    const int32_t last = n_ + 1;
    if (count_ == 0) {
        for (int32_t j = 1; j <= n_; ++j) shift_[j] = p[j];
        shift_[last] = y;
    }
    count_ += 1;
    const double t = 1 / sig;
    const double weight = t * t;
    weight_.Add(weight);
    for (int32_t j = 1; j <= n_; ++j) weightedDeviations_[j].Add(weight * (p[j] - shift_[j]));
    weightedDeviations_[last].Add(weight * (y - shift_[last]));
}

void WeightedCentring::Finish()
{
    if (count_ == 0) return;
    for (int32_t j = 1; j <= n_ + 1; ++j) means_[j] = shift_[j] + weightedDeviations_[j].Value() / weight_.Value();
}

double WeightedCentring::Centre(const RealVector& p, double y, RealVector& centred) const
{
    for (int32_t j = 1; j <= n_; ++j) centred[j] = p[j] - mean(j);
    return y - responseMean();
}

void WeightedCentring::AddIntercept(const IntVector& columns, int32_t q, const RealVector& slopes,
                                    const RealMatrix& slopeCov, RealVector& coef, RealMatrix& cov) const
{
    Require(count_ > 0, Status::InsufficientData);
    double intercept = responseMean();
    double interceptVariance = 1 / weight_.Value();
    for (int32_t j = 1; j <= q; ++j) {
        intercept -= slopes[j] * mean(columns[j]);
        // g_j = Σ_k C_jk·x̄_k
        double g = 0;
        for (int32_t k = 1; k <= q; ++k) g += slopeCov[j][k] * mean(columns[k]);
        interceptVariance += mean(columns[j]) * g;
        cov[1][1 + j] = cov[1 + j][1] = -g;
        for (int32_t k = 1; k <= q; ++k) cov[1 + j][1 + k] = slopeCov[j][k];
        coef[1 + j] = slopes[j];
    }
    coef[1] = intercept;
    cov[1][1] = interceptVariance;
}

}  // namespace sheetstat
