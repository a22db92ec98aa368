#include <cmath>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.25;

// The sample in column 1; every other stored element (skipped ones included) kUntouched.
RealHostArray Sample(const std::vector<double>& values)
{
    RealHostArray a(values.size(), 3, 1);
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
            EXPECT_NEAR(data(i, 3), static_cast<double>(1 - std::pow(ReferenceNormalCdf(z), reference.count)), 1e-9);
        }
    }
}

// x_i = 1e8 + 0.1·((37i) mod 101), i = 1..2000: every z to within a few ulps of the
// exact value (a running mean once put them 2.5e-7 off).
TEST(Outliers, ExactAtAnOffsetOf1e8)
{
    std::vector<double> values;
    for (int i = 1; i <= 2000; ++i) values.push_back(1e8 + 0.1 * ((37 * i) % 101));
    RealHostArray data = Sample(values);
    ASSERT_EQ(nkOutliers(data.ref()), kOk);
    const ReferenceMoments reference = ReferenceMeanVariance(values, 1e8);
    for (std::size_t i = 1; i <= values.size(); ++i) {
        const long double z = std::fabs(values[i - 1] - 1e8L - reference.mean) / reference.sd();
        EXPECT_NEAR(data(i, 2), static_cast<double>(z), 1e-14 * static_cast<double>(z) + 1e-15) << "row " << i;
    }
}

}  // namespace
}  // namespace sheetstat::testing
