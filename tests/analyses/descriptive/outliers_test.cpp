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

// Three columns: the sample, then z and the probability prefilled with kUntouched.
RealHostArray Sample(const std::vector<double>& values, int lowerBound = 1, std::size_t cols = 3)
{
    RealHostArray a(values.size(), cols, lowerBound);
    for (std::size_t p = 0; p < a.storedCount(); ++p) a.stored(p) = kUntouched;
    for (std::size_t i = 1; i <= values.size(); ++i) a(i, 1) = values[i - 1];
    return a;
}

// z and 1 − Φ(z)^n for every present value, from a two-pass mean and standard
// deviation in long double and Φ from erfc.
void ExpectScreened(RealHostArray& data, const std::vector<double>& values, double zTolerance = 1e-12)
{
    const testing::ReferenceMoments reference = testing::ReferenceMeanVariance(values);
    const long double n = reference.count, mean = reference.mean, s = reference.sd();
    for (std::size_t i = 1; i <= values.size(); ++i) {
        if (IsMissing(values[i - 1])) {
            EXPECT_EQ(data(i, 2), kUntouched) << "row " << i;
            EXPECT_EQ(data(i, 3), kUntouched) << "row " << i;
            continue;
        }
        const long double z = std::fabs(values[i - 1] - mean) / s;
        EXPECT_NEAR(data(i, 2), static_cast<double>(z), zTolerance) << "row " << i;
        EXPECT_NEAR(data(i, 3), static_cast<double>(1 - std::pow(Phi(z), n)), 1e-9) << "row " << i;
        EXPECT_EQ(data(i, 1), values[i - 1]);
    }
}

// ---- Worked examples ----

TEST(Outliers, ValueAtTheMeanAndOneSdAway)
{
    RealHostArray data = Sample({1, 2, 3});
    ASSERT_EQ(nkOutliers(data.ref()), kOk);
    EXPECT_EQ(data(2, 2), 0);
    EXPECT_NEAR(data(2, 3), 1 - 0.125, 1e-15);
    EXPECT_NEAR(data(1, 2), 1, 1e-15);
    EXPECT_NEAR(data(3, 2), 1, 1e-15);
    // 1 − Φ(1)³, Φ(1) = 0.8413447460685429.
    EXPECT_NEAR(data(1, 3), 1 - std::pow(0.8413447460685429, 3), 1e-9);
    ExpectScreened(data, {1, 2, 3});
}

TEST(Outliers, TwoValuesAreEachOneOverRootTwoAway)
{
    RealHostArray data = Sample({-4, 10});
    ASSERT_EQ(nkOutliers(data.ref()), kOk);
    EXPECT_NEAR(data(1, 2), std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(data(2, 2), std::sqrt(0.5), 1e-15);
    ExpectScreened(data, {-4, 10});
}

TEST(Outliers, EmptyRowsKeepTheirContentsAndDoNotCount)
{
    // n is the number of values present (5), not the number of rows (8).
    const std::vector<double> values{kMissing, 12.5, 9, kMissing, 30, 11, kMissing, 10.25};
    RealHostArray data = Sample(values);
    ASSERT_EQ(nkOutliers(data.ref()), kOk);
    ExpectScreened(data, values);
    const double z = data(5, 2);
    EXPECT_NEAR(data(5, 3), static_cast<double>(1 - std::pow(Phi(z), 5.0L)), 1e-9);
}

TEST(Outliers, LargeCommonOffsetKeepsSmallDeviations)
{
    // Σx² − n·mean² would lose every digit of these deviations.
    const std::vector<double> values{1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4, 1e9 + 5};
    RealHostArray data = Sample(values);
    ASSERT_EQ(nkOutliers(data.ref()), kOk);
    EXPECT_NEAR(data(1, 2), 2 / std::sqrt(2.5), 1e-9);
    EXPECT_EQ(data(3, 2), 0);
    ExpectScreened(data, values, 1e-9);
}

// ---- Status paths ----

TEST(Outliers, TooFewColumns)
{
    RealHostArray data = Sample({1, 2, 3}, 1, 2);
    EXPECT_EQ(nkOutliers(data.ref()), kBadArray);
    EXPECT_EQ(data(1, 2), kUntouched);
}

TEST(Outliers, TooFewValuesOrNoSpread)
{
    for (const auto& values : std::vector<std::vector<double>>{
             {}, {kMissing, kMissing}, {kMissing, 5, kMissing}, {7, 7, kMissing, 7}, {1e9 + 0.5, 1e9 + 0.5}}) {
        RealHostArray data = Sample(values);
        EXPECT_EQ(nkOutliers(data.ref()), kInsufficientData) << values.size();
        for (std::size_t i = 1; i <= values.size(); ++i) {
            EXPECT_EQ(data(i, 2), kUntouched);
            EXPECT_EQ(data(i, 3), kUntouched);
        }
    }
}

// ---- Host-array forms ----

TEST(Outliers, ArraysIndexedFromZeroAndOneAgree)
{
    const std::vector<double> values{4, kMissing, 8, 15, 16, 23, 42};
    for (int lowerBound : {0, 1}) {
        RealHostArray data = Sample(values, lowerBound);
        if (lowerBound == 0) data.stored(8) = 1e6;  // row 0 of column 1: not a value
        ASSERT_EQ(nkOutliers(data.ref()), kOk) << lowerBound;
        ExpectScreened(data, values);
        if (lowerBound == 0) {
            for (std::size_t p = 0; p <= 7; ++p) EXPECT_EQ(data.stored(p), kUntouched);
            EXPECT_EQ(data.stored(16), kUntouched);
            EXPECT_EQ(data.stored(24), kUntouched);
        }
    }
}

// ---- Work storage ----

TEST(Outliers, EachAllocationFailureGivesNoMemory)
{
    ExpectEachAllocationFailureGivesNoMemory([] {
        RealHostArray data = Sample({1, 2, kMissing, 4});
        return nkOutliers(data.ref());
    });
}

}  // namespace
}  // namespace sheetstat::testing
