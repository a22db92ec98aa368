// Descriptive statistics (nkDescriptives / DescribeSample): the 24 summary slots,
// their availability rules, missing cells, host-array forms, and the accuracy of
// spread and shape for data with a large common offset.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <random>
#include <set>
#include <vector>

#include "analyses/descriptive/describe_sample.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// Slots 1..24 at [1..24]; [0] unused.
using Summary = std::array<double, 25>;

Summary Describe(const std::vector<double>& values, int lowerBound = 1)
{
    RealHostArray data = RealHostArray::FromValues(values, lowerBound);
    RealHostArray results(kSampleSummarySlots, lowerBound);
    EXPECT_EQ(nkDescriptives(data.ref(), results.ref()), kOk);
    Summary s{};
    for (std::size_t k = 1; k <= kSampleSummarySlots; ++k) s[k] = results[k];
    return s;
}

// Every slot not listed holds MissingValue; every listed slot holds a number.
void ExpectSetExactly(const Summary& s, std::set<std::size_t> set)
{
    for (std::size_t k = 1; k <= kSampleSummarySlots; ++k) {
        if (set.count(k) != 0) {
            EXPECT_NOT_MISSING(s[k]) << " (slot " << k << ")";
        } else {
            EXPECT_MISSING(s[k]) << " (slot " << k << ")";
        }
    }
}

// Moments of a sample in long double, two passes about the mean: the sample
// variance and the moment coefficients g1 = m3/m2^1.5, g2 = m4/m2² − 3.
struct ReferenceMoments {
    long double mean, variance, g1, g2;
};

ReferenceMoments MomentsOf(const std::vector<long double>& x)
{
    const long double m = static_cast<long double>(x.size());
    long double sum = 0;
    for (long double v : x) sum += v;
    const long double mean = sum / m;
    long double d2 = 0, d3 = 0, d4 = 0;
    for (long double v : x) {
        const long double d = v - mean;
        d2 += d * d;
        d3 += d * d * d;
        d4 += d * d * d * d;
    }
    const long double m2 = d2 / m;
    return {mean, d2 / (m - 1), (d3 / m) / std::pow(m2, 1.5L), (d4 / m) / (m2 * m2) - 3};
}

std::vector<long double> Widened(const std::vector<double>& x)
{
    return std::vector<long double>(x.begin(), x.end());
}

TEST(Descriptives, NoValidValues)
{
    for (const std::vector<double>& values : {std::vector<double>{}, std::vector<double>{kMissing, kMissing, kMissing}}) {
        const Summary s = Describe(values);
        EXPECT_EQ(s[1], 0.0);
        EXPECT_EQ(s[9], 0.0);
        ExpectSetExactly(s, {1, 9});
    }
}

TEST(Descriptives, OneValue)
{
    const Summary s = Describe({2.5});
    EXPECT_EQ(s[1], 1.0);
    for (std::size_t k : {2u, 6u, 7u, 9u, 14u}) EXPECT_EQ(s[k], 2.5) << "slot " << k;
    EXPECT_EQ(s[8], 0.0);
    EXPECT_DOUBLE_EQ(s[21], 2.5);
    ExpectSetExactly(s, {1, 2, 6, 7, 8, 9, 14, 21});

    // A value ≤ 0 has no geometric mean.
    ExpectSetExactly(Describe({-3}), {1, 2, 6, 7, 8, 9, 14});
}

TEST(Descriptives, FourValues)
{
    const Summary s = Describe({3, 1, 4, 2});
    EXPECT_EQ(s[1], 4.0);
    EXPECT_EQ(s[2], 2.5);
    EXPECT_DOUBLE_EQ(s[5], 5.0 / 3);
    EXPECT_DOUBLE_EQ(s[4], std::sqrt(5.0 / 3));
    EXPECT_DOUBLE_EQ(s[3], std::sqrt(5.0 / 3) / 2);
    EXPECT_EQ(s[6], 1.0);
    EXPECT_EQ(s[7], 4.0);
    EXPECT_EQ(s[8], 3.0);
    EXPECT_EQ(s[9], 10.0);
    // Positions (m + 1)·p − 1 = 5p − 1: quartiles at 0.25 and 2.75, median at 1.5.
    EXPECT_DOUBLE_EQ(s[13], 1.25);
    EXPECT_DOUBLE_EQ(s[14], 2.5);
    EXPECT_DOUBLE_EQ(s[15], 3.75);
    // Symmetric: g1 = 0; m2 = 1.25, m4 = (2·2.25² + 2·0.25²)/4 = 2.5625, g2 = 1.64 − 3.
    EXPECT_NEAR(s[19], 0.0, 1e-15);
    EXPECT_NEAR(s[20], -1.36, 1e-14);
    EXPECT_DOUBLE_EQ(s[21], std::pow(24.0, 0.25));
    EXPECT_EQ(s[22], 1.0);
    EXPECT_DOUBLE_EQ(s[23], std::sqrt(5.0 / 3) / 2.5);
    EXPECT_DOUBLE_EQ(s[24], std::sqrt(5.0 / 3) / 2.5 * 100 / 2);
    // Percentiles 1, 5, 10 fall before the first value, 90, 95, 99 beyond the last.
    ExpectSetExactly(s, {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 19, 20, 21, 22, 23, 24});
}

TEST(Descriptives, ThreeValuesOnOrderStatistics)
{
    // Positions 4p − 1: quartiles and median land exactly on x(1), x(2), x(3).
    const Summary s = Describe({40, 10, 20});
    EXPECT_EQ(s[13], 10.0);
    EXPECT_EQ(s[14], 20.0);
    EXPECT_EQ(s[15], 40.0);
    EXPECT_EQ(s[22], 10.0);
    EXPECT_NEAR(s[19], static_cast<double>(MomentsOf({10, 20, 40}).g1), 1e-14);
    EXPECT_NEAR(s[20], static_cast<double>(MomentsOf({10, 20, 40}).g2), 1e-14);
    ExpectSetExactly(s, {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 19, 20, 21, 22, 23, 24});
}

TEST(Descriptives, ConstantSamplesHaveNoSpreadAndNoShape)
{
    const Summary s = Describe({2, 2, 2});
    for (std::size_t k : {3u, 4u, 5u, 8u, 22u, 23u, 24u}) EXPECT_EQ(s[k], 0.0) << "slot " << k;
    EXPECT_MISSING(s[19]);
    EXPECT_MISSING(s[20]);

    // 0.1 has no exact binary form and the summed mean misses it by an ulp; the
    // spread of equal values is still exactly 0.
    const Summary tenths = Describe(std::vector<double>(10, 0.1));
    for (std::size_t k : {3u, 4u, 5u, 22u, 23u, 24u}) EXPECT_EQ(tenths[k], 0.0) << "slot " << k;
    EXPECT_MISSING(tenths[19]);
    EXPECT_MISSING(tenths[20]);
}

TEST(Descriptives, SmallestPositiveGapIgnoresTies)
{
    EXPECT_EQ(Describe({5, 1, 3, 3, 4.5})[22], 0.5);
    EXPECT_EQ(Describe({7, 7, 9, 9})[22], 2.0);
}

TEST(Descriptives, ZeroOrNegativeValueRemovesTheGeometricMean)
{
    EXPECT_MISSING(Describe({1, 2, 0, 4})[21]);
    EXPECT_MISSING(Describe({5, 2, 3, -1e-300})[21]);
    // Far beyond e^200 the geometric mean is still exact: 10^110 for 10^100 and 10^120.
    EXPECT_NEAR(Describe({1e100, 1e120})[21] / 1e110, 1.0, 1e-12);
    EXPECT_NEAR(Describe({1e-100, 1e-120})[21] / 1e-110, 1.0, 1e-12);
}

TEST(Descriptives, MeanOfExactlyZeroRemovesOnlyTheRelativeSpread)
{
    const Summary s = Describe({-2, -1, 1, 2});
    EXPECT_EQ(s[2], 0.0);
    EXPECT_DOUBLE_EQ(s[5], 10.0 / 3);
    EXPECT_NOT_MISSING(s[3]);
    EXPECT_NOT_MISSING(s[4]);
    EXPECT_MISSING(s[23]);
    EXPECT_MISSING(s[24]);
}

TEST(Descriptives, MissingCellsAnywhereChangeNothing)
{
    const std::vector<double> compact{4.5, -1, 3.25, 8, 8, 0.5, 2};
    const Summary expected = Describe(compact);
    const std::vector<double> padded{kMissing, 4.5, -1, kMissing, kMissing, 3.25, 8, 8, kMissing, 0.5, 2, kMissing};
    const Summary s = Describe(padded);
    for (std::size_t k = 1; k <= kSampleSummarySlots; ++k) {
        EXPECT_EQ(std::memcmp(&s[k], &expected[k], sizeof(double)), 0) << "slot " << k;
    }

    // One bit away from MissingValue is an ordinary (tiny negative) number.
    const double nearMissing = std::nextafter(kMissing, 0.0);
    const Summary withNear = Describe({1, nearMissing, 3});
    EXPECT_EQ(withNear[1], 3.0);
    EXPECT_EQ(withNear[6], nearMissing);
}

TEST(Descriptives, LowerBoundsZeroAndOne)
{
    const std::vector<double> values{6, 1, 9, 3, 3};
    const Summary fromOne = Describe(values, 1);
    for (int lowerBound : {0, 1}) {
        RealHostArray data = RealHostArray::FromValues(values, lowerBound);
        RealHostArray results(kSampleSummarySlots + 2, lowerBound);
        for (std::size_t p = 0; p < results.storedCount(); ++p) results.stored(p) = -777;
        // The skipped element of an array indexed from 0 is never read as data.
        if (lowerBound == 0) data.stored(0) = 1e6;
        ASSERT_EQ(nkDescriptives(data.ref(), results.ref()), kOk);
        for (std::size_t k = 1; k <= kSampleSummarySlots; ++k) {
            EXPECT_EQ(std::memcmp(&results[k], &fromOne[k], sizeof(double)), 0) << "slot " << k;
        }
        EXPECT_EQ(results[25], -777.0);
        EXPECT_EQ(results[26], -777.0);
        if (lowerBound == 0) {
            EXPECT_EQ(results.stored(0), -777.0);
        }
    }
    EXPECT_EQ(fromOne[1], 5.0);
    EXPECT_EQ(fromOne[7], 9.0);
}

TEST(Descriptives, ResultsTooShortAreRejectedUntouched)
{
    RealHostArray data = RealHostArray::FromValues({1, 2, 3});
    for (int lowerBound : {0, 1}) {
        RealHostArray results(kSampleSummarySlots - 1, lowerBound);
        for (std::size_t p = 0; p < results.storedCount(); ++p) results.stored(p) = 42;
        EXPECT_EQ(nkDescriptives(data.ref(), results.ref()), kBadArray);
        for (std::size_t p = 0; p < results.storedCount(); ++p) EXPECT_EQ(results.stored(p), 42.0);
    }
}

// The percentile at 1-based position h = (m + 1)·P/100, interpolated between
// x(⌊h⌋) and x(⌊h⌋ + 1); below the median it needs h ≥ 1, above it h ≤ m. Checked in
// exact integer arithmetic (h·100 = (m + 1)·P) on x(i) = i², for m = 1..250.
TEST(Descriptives, PercentilePositionRule)
{
    const int percents[] = {1, 5, 10, 25, 50, 75, 90, 95, 99};
    for (int m = 1; m <= 250; ++m) {
        std::vector<double> values;
        for (int i = m; i >= 1; --i) values.push_back(double(i) * i);
        const Summary s = Describe(values);
        for (std::size_t level = 0; level < 9; ++level) {
            const int P = percents[level];
            const int h100 = (m + 1) * P;
            const bool inside = P <= 50 ? h100 >= 100 : h100 <= 100 * m;
            const double got = s[10 + level];
            if (!inside) {
                EXPECT_MISSING(got) << " m = " << m << ", P = " << P;
                continue;
            }
            const int below = h100 / 100;
            const double fraction = (h100 % 100) / 100.0;
            const double lowerValue = double(below) * below;
            const double expected =
                fraction == 0 ? lowerValue : lowerValue + fraction * (double(below + 1) * (below + 1) - lowerValue);
            EXPECT_NEAR(got, expected, 1e-12 * expected) << "m = " << m << ", P = " << P;
        }
    }
    // By hand: 10, 20, ..., 100 has its lower quartile at position 2.75: 27.5.
    EXPECT_DOUBLE_EQ(Describe({10, 20, 30, 40, 50, 60, 70, 80, 90, 100})[13], 27.5);
}

TEST(Descriptives, SkewnessAndKurtosisAreTheMomentCoefficients)
{
    std::mt19937 random(5);
    std::exponential_distribution<double> skewed(0.5);
    for (std::size_t n : {2u, 3u, 7u, 50u, 1000u}) {
        std::vector<double> x(n);
        for (double& v : x) v = skewed(random) - 1;
        const ReferenceMoments reference = MomentsOf(Widened(x));
        const Summary s = Describe(x);
        EXPECT_NEAR(s[19], static_cast<double>(reference.g1), 1e-13) << "n = " << n;
        EXPECT_NEAR(s[20], static_cast<double>(reference.g2), 1e-12) << "n = " << n;
        EXPECT_NEAR(s[5], static_cast<double>(reference.variance), 1e-14 * static_cast<double>(reference.variance));
    }
    // Two values: g1 = 0, g2 = −2.
    const Summary two = Describe({1, 3});
    EXPECT_NEAR(two[19], 0.0, 1e-15);
    EXPECT_NEAR(two[20], -2.0, 1e-15);
}

// Shape is free of scale: samples of 1e-40 and 1e40 times the same values have the
// same skewness and kurtosis, and nothing underflows into a division by zero.
TEST(Descriptives, ShapeAtExtremeScales)
{
    const std::vector<double> base{1, 2, 4, 8, 16, 16.5};
    const ReferenceMoments reference = MomentsOf(Widened(base));
    for (double scale : {1e-150, 1e-40, 1.0, 1e40, 1e150}) {
        std::vector<double> x = base;
        for (double& v : x) v *= scale;
        const Summary s = Describe(x);
        EXPECT_NEAR(s[19], static_cast<double>(reference.g1), 1e-13) << "scale " << scale;
        EXPECT_NEAR(s[20], static_cast<double>(reference.g2), 1e-13) << "scale " << scale;
        EXPECT_NEAR(s[4] / scale, std::sqrt(static_cast<double>(reference.variance)), 1e-13);
    }
}

// Values 1e9 + e with e in (−1, 1): Σx² ≈ 1e21 leaves nothing of the spread in a raw
// power sum. The reference works on the deviations e = x − 1e9, exact in binary.
// Variance, standard deviation, standard error, coefficient of variation and relative
// standard error agree to 13 significant digits, skewness and kurtosis to 1e-12.
TEST(Descriptives, LargeCommonOffsetKeepsSpreadAndShape)
{
    std::mt19937 random(1234);
    std::uniform_real_distribution<double> small(-1, 1);
    std::vector<double> x(5000);
    std::vector<long double> deviations;
    for (double& v : x) {
        v = 1e9 + small(random) * small(random);
        deviations.push_back(static_cast<long double>(v - 1e9));
    }
    const ReferenceMoments e = MomentsOf(deviations);
    const long double mean = 1e9L + e.mean;
    const long double sd = std::sqrt(e.variance);
    const long double m = x.size();
    const Summary s = Describe(x);

    auto expectDigits = [](double got, long double expected, const char* what) {
        EXPECT_NEAR(got, static_cast<double>(expected), 1e-13 * std::fabs(static_cast<double>(expected))) << what;
    };
    expectDigits(s[5], e.variance, "variance");
    expectDigits(s[4], sd, "standard deviation");
    expectDigits(s[3], sd / std::sqrt(m), "standard error");
    expectDigits(s[23], sd / mean, "coefficient of variation");
    expectDigits(s[24], sd / mean * 100 / std::sqrt(m), "relative standard error");
    EXPECT_NEAR(s[19], static_cast<double>(e.g1), 1e-12);
    EXPECT_NEAR(s[20], static_cast<double>(e.g2), 1e-12);
    EXPECT_NEAR(s[2], static_cast<double>(mean), 1e-6);
}

TEST(Descriptives, DescribeSampleLeavesItsInputAlone)
{
    const std::vector<double> original{3, kMissing, 1, 2};
    std::vector<double> values = original;
    double summary[kSampleSummarySlots];
    DescribeSample(values.data(), values.size(), summary);
    EXPECT_EQ(std::memcmp(values.data(), original.data(), original.size() * sizeof(double)), 0);
    EXPECT_EQ(summary[0], 3.0);
    EXPECT_EQ(summary[13], 2.0);  // slot 14, the median

    DescribeSample(nullptr, 0, summary);
    EXPECT_EQ(summary[0], 0.0);
    EXPECT_MISSING(summary[1]);
}

TEST(Descriptives, AllocationFailureGivesNoMemory)
{
    ExpectEachAllocationFailureGivesNoMemory([] {
        RealHostArray data = RealHostArray::FromValues({4, kMissing, 2, 9, 9});
        RealHostArray results(kSampleSummarySlots);
        return nkDescriptives(data.ref(), results.ref());
    });
}

}  // namespace
}  // namespace sheetstat::testing
