// nkCumulative: the worked example, compaction and sorting in place, the four series
// against long-double formulas (the probit through the normal distribution function of
// erfc).
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct CumulativeCall {
    RealHostArray table, results;

    int32_t Run() { return nkCumulative(table.ref(), results.ref()); }
};

CumulativeCall Cumulative(const std::vector<double>& values, std::size_t columns = 5)
{
    std::vector<std::vector<double>> table(columns, std::vector<double>(values.size(), -7));
    table[0] = values;
    return {RealHostArray::FromColumns(table), RealHostArray(1)};
}

TEST(Cumulative, WorkedExample)
{
    CumulativeCall call = Cumulative({3, 1, 2});
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.results[1], 3);
    EXPECT_EQ(call.table.Column(1), (std::vector<double>{1, 2, 3}));
    const std::vector<double> percent = call.table.Column(2);
    EXPECT_NEAR(percent[0], 16.67, 0.005);
    EXPECT_EQ(percent[1], 50);
    EXPECT_NEAR(percent[2], 83.33, 0.005);
    EXPECT_EQ(call.table(2, 3), 50);  // z = 0
    EXPECT_NEAR(call.table(2, 4), 5, 1e-4);
    EXPECT_EQ(call.table(2, 5), 5);
}

// Empty cells among the values: the valid ones move up and are sorted; the rows below
// keep their contents. Columns 2 to 5 against long-double formulas; the probit p is
// checked through Φ(p − 5) ≈ (i − 0.5)/n (the quantile is bisected to 1e−4).
TEST(Cumulative, SeriesAgainstLongDoubleFormulas)
{
    std::mt19937_64 random(5);
    std::normal_distribution<double> normal(1e6, 3);  // a large common offset
    std::vector<double> values(60);
    for (std::size_t r = 0; r < values.size(); ++r) values[r] = r % 9 == 4 ? kMissing : normal(random);
    CumulativeCall call = Cumulative(values);
    ASSERT_EQ(call.Run(), kOk);

    std::vector<double> valid;
    for (double v : values) {
        if (!IsMissing(v)) valid.push_back(v);
    }
    std::sort(valid.begin(), valid.end());
    const std::size_t n = valid.size();
    EXPECT_EQ(call.results[1], static_cast<double>(n));
    const ReferenceMoments m = ReferenceMeanVariance(valid, 1e6);
    const std::vector<double> x = call.table.Column(1);
    for (std::size_t i = 1; i <= n; ++i) {
        EXPECT_EQ(x[i - 1], valid[i - 1]) << "row " << i;
        const long double z = (valid[i - 1] - 1e6L - m.mean) / m.sd();
        const long double position = (i - 0.5L) / n;
        EXPECT_NEAR(call.table(i, 2), static_cast<double>(100 * position), 1e-13);
        EXPECT_NEAR(call.table(i, 3), static_cast<double>(100 * ReferenceNormalCdf(z)), 1e-9);
        EXPECT_NEAR(call.table(i, 5), static_cast<double>(z + 5), 1e-9);
        const long double probit = call.table(i, 4) - 5;
        const long double density = std::exp(-probit * probit / 2) / std::sqrt(2 * std::numbers::pi_v<long double>);
        EXPECT_NEAR(static_cast<double>(ReferenceNormalCdf(probit)), static_cast<double>(position),
                    static_cast<double>(1.01e-4L * density))
            << "row " << i;
    }
    for (std::size_t r = n; r < values.size(); ++r) {
        EXPECT_EQ(std::bit_cast<uint64_t>(x[r]), std::bit_cast<uint64_t>(values[r])) << "row " << r + 1;
    }
    EXPECT_EQ(call.table(n + 1, 2), -7);  // columns 2 to 5 below row n untouched
}

}  // namespace
}  // namespace sheetstat::testing
