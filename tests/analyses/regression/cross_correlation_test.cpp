// nkCrossCorrel: the lag layout, a series and its shifted copy, and every lag against
// Pearson's r of the overlapping pairs built by hand, with empty cells and lags beyond
// the series.
#include <cmath>
#include <random>
#include <vector>

#include "analyses/regression/correlation_matrix_call.hpp"

namespace sheetstat::testing {
namespace {

RealHostArray CrossCorrelate(const std::vector<double>& x, const std::vector<double>& y, std::size_t rows)
{
    RealHostArray options = RealHostArray::FromValues({0}), data = RealHostArray::FromColumns({x, y});
    RealHostArray result(rows, 2, 1);
    EXPECT_EQ(nkCrossCorrel(options.ref(), data.ref(), result.ref()), kOk);
    return result;
}

TEST(CrossCorrelation, ShiftedCopyPeaksAtItsLag)
{
    // Y_(t+2) = X_t: Y is X two steps later.
    const std::vector<double> x = {1, 4, 2, 8, 5, 7, 3, 6};
    const std::vector<double> y = {9, 9, 1, 4, 2, 8, 5, 7};
    RealHostArray result = CrossCorrelate(x, y, 5);
    for (std::size_t row = 1; row <= 5; ++row) EXPECT_EQ(result(row, 1), static_cast<double>(row) - 3);
    EXPECT_NEAR(result(1, 2), 1, 1e-15);
    for (std::size_t row = 2; row <= 5; ++row) EXPECT_LT(result(row, 2), 0.9);
}

// Every lag −L..L against r of the pairs (X_t, Y_(t−k)) listed by hand, for series
// with empty cells and for L beyond the series (those lags have no pair: 0).
TEST(CrossCorrelation, EveryLagIsThePearsonROfItsPairs)
{
    std::mt19937 generator(1927);
    std::normal_distribution<double> normal;
    std::bernoulli_distribution missing(0.1);
    const std::size_t n = 30;
    std::vector<double> x(n), y(n);
    for (std::size_t t = 0; t < n; ++t) {
        x[t] = missing(generator) ? kMissing : normal(generator);
        y[t] = missing(generator) ? kMissing : 0.5 * (t >= 3 && !IsMissing(x[t - 3]) ? x[t - 3] : 0) + normal(generator);
    }
    for (std::size_t maxLag : {0u, 4u, 33u}) {
        RealHostArray result = CrossCorrelate(x, y, 2 * maxLag + 1);
        for (std::size_t row = 1; row <= 2 * maxLag + 1; ++row) {
            const long lag = static_cast<long>(row) - static_cast<long>(maxLag) - 1;
            std::vector<double> xs, ys;
            for (long t = 0; t < static_cast<long>(n); ++t) {
                const long s = t - lag;
                if (s < 0 || s >= static_cast<long>(n)) continue;
                xs.push_back(x[static_cast<std::size_t>(t)]);
                ys.push_back(y[static_cast<std::size_t>(s)]);
            }
            long double count = 0;
            const long double r = ReferenceCorrelation(xs, ys, {&xs, &ys}, count);
            SCOPED_TRACE(::testing::Message() << "lag " << lag);
            EXPECT_EQ(result(row, 1), static_cast<double>(lag));
            EXPECT_NEAR(result(row, 2), static_cast<double>(r), 1e-14);
            if (count < 2) {
                EXPECT_EQ(result(row, 2), 0);  // no pair, or a single one
            }
        }
    }
}

}  // namespace
}  // namespace sheetstat::testing
