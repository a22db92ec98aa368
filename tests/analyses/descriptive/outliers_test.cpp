#include <cmath>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.25;

long double Phi(long double z)
{
    return 0.5L * std::erfc(-z / std::sqrt(2.0L));
}

// The sample in column 1; every other stored element (skipped ones included) kUntouched.
RealHostArray Sample(const std::vector<double>& values, int lowerBound = 1, std::size_t cols = 3)
{
    RealHostArray a(values.size(), cols, lowerBound);
    for (std::size_t p = 0; p < a.storedCount(); ++p) a.stored(p) = kUntouched;
    for (std::size_t i = 1; i <= values.size(); ++i) a(i, 1) = values[i - 1];
    return a;
}

// Worked cases and independent references: z and 1 − Φ(z)^n for every present value
// from a two-pass mean and standard deviation in long double, n the number of values
// present; empty rows keep columns 2 and 3.
TEST(Outliers, ScreensEveryPresentValue)
{
    struct Case {
        std::vector<double> values;
        std::size_t row;  // a row with a hand-computed z (0: none) ...
        double z;         // ... of this value
    };
    const std::vector<Case> cases = {
        {{1, 2, 3}, 2, 0},                                 // at the mean: p = 1 − 0.5³
        {{-4, 10}, 1, std::sqrt(0.5)},                     // n = 2: both at 1/√2
        {{kMissing, 12.5, 9, kMissing, 30, 11, kMissing, 10.25}, 0, 0},  // n = 5, not 8
        // Σx² − n·mean² would lose every digit of these deviations.
        {{1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4, 1e9 + 5}, 1, 2 / std::sqrt(2.5)},
        {{4, kMissing, 8, 15, 16, 23, 42}, 0, 0},
    };
    for (const Case& c : cases) {
        const ReferenceMoments reference = ReferenceMeanVariance(c.values);
        RealHostArray data = Sample(c.values);
        ASSERT_EQ(nkOutliers(data.ref()), kOk);
        if (c.row != 0) {
            EXPECT_NEAR(data(c.row, 2), c.z, 1e-9);
        }
        for (std::size_t i = 1; i <= c.values.size(); ++i) {
            const double x = c.values[i - 1];
            EXPECT_EQ(data(i, 1), x);
            if (IsMissing(x)) {
                EXPECT_EQ(data(i, 2), kUntouched) << "row " << i;
                EXPECT_EQ(data(i, 3), kUntouched) << "row " << i;
                continue;
            }
            const long double z = std::fabs(x - reference.mean) / reference.sd();
            EXPECT_NEAR(data(i, 2), static_cast<double>(z), 1e-9) << "row " << i;
            EXPECT_NEAR(data(i, 3), static_cast<double>(1 - std::pow(Phi(z), reference.count)), 1e-9);
        }
    }
}

}  // namespace
}  // namespace sheetstat::testing
