// Sums of squares and cross-products about the means of p variables (see the header).
#include "numeric/centred_cross_products.hpp"

#include <cmath>
#include <cstddef>

#include "numeric/cross_moments.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

// Rows summed plainly before their sums join the compensated totals: the rounding
// error of a block stays at a few hundred products, and the compensated addition of
// the block sums keeps that of the whole.
constexpr std::size_t kBlockRows = 256;

}  // namespace

CentredCrossProducts::CentredCrossProducts(const RealMatrixView& data, std::size_t p, const unsigned char* skipRow)
    : p_(p), center_(1, p), correction_(1, p), scale_(1, p), minimum_(1, p), maximum_(1, p), scaledSums_(1, p, 1, p)
{
    FirstPass(data, skipRow);
    SecondPass(data, skipRow);
}

void CentredCrossProducts::FirstPass(const RealMatrixView& data, const unsigned char* skipRow)
{
    const std::size_t rows = data.rows();
    for (std::size_t j = 1; j <= p_; ++j) {
        const double* x = data.column(j);
        // The sum of the deviations from the first value needs no compensation: the
        // second pass corrects the mean it gives.
        double shift = 0, sum = 0, low = 0, high = 0, n = 0;
        for (std::size_t r = 0; r < rows; ++r) {
            if (skipRow != nullptr && skipRow[r] != 0) continue;
            const double v = x[r];
            if (n == 0) shift = low = high = v;
            n += 1;
            sum += v - shift;
            low = v < low ? v : low;
            high = v > high ? v : high;
        }
        count_ = n;
        center_[At(j)] = n == 0 ? 0.0 : shift + sum / n;
        minimum_[At(j)] = low;
        maximum_[At(j)] = high;
        scale_[At(j)] = DeviationScale(low, high);
    }
}

void CentredCrossProducts::SecondPass(const RealMatrixView& data, const unsigned char* skipRow)
{
    const std::size_t rows = data.rows();
    // One row's scaled deviations, the sums of the current block and the totals.
    RealVector d(1, p_), blockDeviations(1, p_);
    RealMatrix blockProducts(1, p_, 1, p_);
    OffsetVector<CompensatedSum> deviations(1, p_);
    OffsetMatrix<CompensatedSum> products(1, p_, 1, p_);
    deviations.Fill(CompensatedSum{});
    products.Fill(CompensatedSum{});

    const auto endBlock = [&] {
        for (std::size_t i = 1; i <= p_; ++i) {
            deviations[At(i)].Add(blockDeviations[At(i)]);
            const auto block = blockProducts[At(i)];
            const auto total = products[At(i)];
            for (std::size_t j = i; j <= p_; ++j) total[At(j)].Add(block[At(j)]);
        }
    };
    const auto startBlock = [&] {
        blockDeviations.Fill(0.0);
        blockProducts.Fill(0.0);
    };

    startBlock();
    std::size_t inBlock = 0;
    for (std::size_t r = 0; r < rows; ++r) {
        if (skipRow != nullptr && skipRow[r] != 0) continue;
        for (std::size_t j = 1; j <= p_; ++j) d[At(j)] = (data.column(j)[r] - center_[At(j)]) * scale_[At(j)];
        for (std::size_t i = 1; i <= p_; ++i) {
            const double di = d[At(i)];
            blockDeviations[At(i)] += di;
            double* block = blockProducts[At(i)].data();
            const double* dj = d.data();
            for (std::size_t j = i - 1; j < p_; ++j) block[j] += di * dj[j];
        }
        if (++inBlock == kBlockRows) {
            endBlock();
            startBlock();
            inBlock = 0;
        }
    }
    endBlock();

    const double n = count_;
    for (std::size_t i = 1; i <= p_; ++i) {
        const double sumI = deviations[At(i)].Value();
        correction_[At(i)] = n == 0 ? 0.0 : (sumI / n) / scale_[At(i)];
        for (std::size_t j = i; j <= p_; ++j) {
            const double sumJ = deviations[At(j)].Value();
            const double s = n == 0 ? 0.0 : products[At(i)][At(j)].Value() - sumI * (sumJ / n);
            scaledSums_[At(i)][At(j)] = i == j && s < 0 ? 0.0 : s;
        }
    }
}

bool CentredCrossProducts::Constant(std::size_t j) const noexcept
{
    return minimum_[At(j)] == maximum_[At(j)];
}

double CentredCrossProducts::StandardDeviation(std::size_t j) const noexcept
{
    return std::sqrt(scaledSums_[At(j)][At(j)] / (count_ - 1)) / scale_[At(j)];
}

double CentredCrossProducts::Correlation(std::size_t i, std::size_t j) const noexcept
{
    if (i > j) return Correlation(j, i);
    const double sii = scaledSums_[At(i)][At(i)], sjj = scaledSums_[At(j)][At(j)];
    if (sii == 0 || sjj == 0) return 0;
    const double r = scaledSums_[At(i)][At(j)] / (std::sqrt(sii) * std::sqrt(sjj));
    return std::fmax(-1.0, std::fmin(1.0, r));
}

}  // namespace sheetstat
