// Descriptive statistics (nkDescriptives / DescribeSample): the 24 summary slots,
// their availability rules, missing cells, and the accuracy of
// spread and shape for data with a large common offset.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "analyses/descriptive/describe_sample.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// Slots 1..24 at [1..24]; [0] unused.
using Summary = std::array<double, 25>;

Summary Describe(const std::vector<double>& values)
{
    RealHostArray data = RealHostArray::FromValues(values);
    RealHostArray results(kSampleSummarySlots);
    EXPECT_EQ(nkDescriptives(data.ref(), results.ref()), kOk);
    Summary s{};
    for (std::size_t k = 1; k <= kSampleSummarySlots; ++k) s[k] = results[k];
    return s;
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Moments in long double, two passes about the mean: the sample variance and the
// moment coefficients g1 = m3/m2^1.5, g2 = m4/m2² − 3.
struct Moments {
    long double mean, variance, g1, g2;
};

Moments MomentsOf(const std::vector<long double>& x)
{
    const auto m = static_cast<long double>(x.size());
    long double sum = 0, d2 = 0, d3 = 0, d4 = 0;
    for (long double v : x) sum += v;
    const long double mean = sum / m;
    for (long double v : x) {
        const long double d = v - mean;
        d2 += d * d, d3 += d * d * d, d4 += d * d * d * d;
    }
    const long double m2 = d2 / m;
    return {mean, d2 / (m - 1), (d3 / m) / std::pow(m2, 1.5L), (d4 / m) / (m2 * m2) - 3};
}

Moments MomentsOf(const std::vector<double>& x)
{
    return MomentsOf(std::vector<long double>(x.begin(), x.end()));
}

// Which slots hold a number (all others MissingValue), by the availability rules.
TEST(Descriptives, AvailabilityOfEachSlot)
{
    const std::set<std::size_t> spread{1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 19, 20, 21, 22, 23, 24};
    const struct {
        std::vector<double> values;
        std::set<std::size_t> available;
    } cases[] = {
        {{}, {1, 9}},
        {{kMissing, kMissing, kMissing}, {1, 9}},
        {{2.5}, {1, 2, 6, 7, 8, 9, 14, 21}},
        {{-3}, {1, 2, 6, 7, 8, 9, 14}},  // no geometric mean of a value ≤ 0
        // Three values: positions 4p − 1 put the quartiles on x(1) and x(3); the 1st to
        // 10th percentiles fall before the first value, the 90th to 99th beyond the last.
        {{40, 10, 20}, spread},
        {{3, 1, 4, 2}, spread},
        {{2, 2, 2}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 21, 22, 23, 24}},  // s² = 0: no shape
        {{1, 2, 0, 4}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 19, 20, 22, 23, 24}},
        {{5, 2, 3, -1e-300}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 19, 20, 22, 23, 24}},
        {{-2, -1, 1, 2}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15, 19, 20, 22}},  // mean exactly 0
    };
    for (const auto& c : cases) {
        const Summary s = Describe(c.values);
        for (std::size_t k = 1; k <= kSampleSummarySlots; ++k) {
            if (c.available.count(k) != 0) {
                EXPECT_NOT_MISSING(s[k]) << " (slot " << k << ", " << c.values.size() << " values)";
            } else {
                EXPECT_MISSING(s[k]) << " (slot " << k << ", " << c.values.size() << " values)";
            }
        }
    }
}

TEST(Descriptives, WorkedExamples)
{
    const Summary none = Describe({kMissing, kMissing});
    EXPECT_EQ(none[1], 0.0);
    EXPECT_EQ(none[9], 0.0);

    const Summary one = Describe({2.5});
    for (std::size_t k : {2u, 6u, 7u, 9u, 14u}) EXPECT_EQ(one[k], 2.5) << "slot " << k;
    EXPECT_EQ(one[1], 1.0);
    EXPECT_EQ(one[8], 0.0);
    EXPECT_DOUBLE_EQ(one[21], 2.5);

    const Summary s = Describe({3, 1, 4, 2});
    const double sd = std::sqrt(5.0 / 3);
    const double expected[25] = {0, 4, 2.5, sd / 2, sd, 5.0 / 3, 1, 4, 3, 10, 0, 0, 0,
                                 // positions 5p − 1: quartiles at 0.25 and 2.75, median at 1.5
                                 1.25, 2.5, 3.75, 0, 0, 0,
                                 // symmetric: g1 = 0; m2 = 1.25, m4 = 2.5625, g2 = 1.64 − 3
                                 0, -1.36, std::pow(24.0, 0.25), 1, sd / 2.5, sd / 2.5 * 100 / 2};
    for (std::size_t k = 1; k <= kSampleSummarySlots; ++k)
        if (!IsMissing(s[k])) {
            EXPECT_NEAR(s[k], expected[k], 1e-14 * (1 + std::fabs(expected[k]))) << "slot " << k;
        }

    // Equal values have exactly no spread, even where the summed mean misses them by
    // an ulp (0.1 has no exact binary form); the gap is 0.
    for (const std::vector<double>& same : {std::vector<double>{2, 2, 2}, std::vector<double>(10, 0.1)}) {
        const Summary c = Describe(same);
        for (std::size_t k : {3u, 4u, 5u, 8u, 22u, 23u, 24u}) EXPECT_EQ(c[k], 0.0) << "slot " << k;
    }
    EXPECT_DOUBLE_EQ(Describe({-2, -1, 1, 2})[5], 10.0 / 3);
    // The smallest positive gap skips tied neighbours.
    EXPECT_EQ(Describe({5, 1, 3, 3, 4.5})[22], 0.5);
    EXPECT_EQ(Describe({7, 7, 9, 9})[22], 2.0);
    // Far beyond e^±200 the geometric mean is still exact.
    EXPECT_NEAR(Describe({1e100, 1e120})[21] / 1e110, 1.0, 1e-12);
    EXPECT_NEAR(Describe({1e-100, 1e-120})[21] / 1e-110, 1.0, 1e-12);
}

// MissingValue cells anywhere change nothing, and nothing beyond slot 24 is written.
TEST(Descriptives, MissingCellsChangeNothing)
{
    const Summary expected = Describe({4.5, -1, 3.25, 8, 8, 0.5, 2});
    RealHostArray data =
        RealHostArray::FromValues({kMissing, 4.5, -1, kMissing, kMissing, 3.25, 8, 8, kMissing, 0.5, 2, kMissing});
    RealHostArray results = RealHostArray::FromValues(std::vector<double>(kSampleSummarySlots + 2, -777));
    ASSERT_EQ(nkDescriptives(data.ref(), results.ref()), kOk);
    for (std::size_t k = 1; k <= kSampleSummarySlots; ++k) EXPECT_TRUE(SameBits(results[k], expected[k])) << "slot " << k;
    EXPECT_EQ(results[25], -777.0);
    EXPECT_EQ(results[26], -777.0);
    // One bit away from MissingValue is an ordinary (tiny negative) number.
    const double nearMissing = std::nextafter(kMissing, 0.0);
    const Summary withNear = Describe({1, nearMissing, 3});
    EXPECT_EQ(withNear[1], 3.0);
    EXPECT_EQ(withNear[6], nearMissing);
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
            const double got = s[10 + level];
            if (P <= 50 ? h100 < 100 : h100 > 100 * m) {
                EXPECT_MISSING(got) << " m = " << m << ", P = " << P;
                continue;
            }
            const int below = h100 / 100;
            const double lowerValue = double(below) * below;
            const double expected = lowerValue + (h100 % 100) / 100.0 * (2.0 * below + 1);  // (b+1)² − b²
            EXPECT_NEAR(got, expected, 1e-12 * expected) << "m = " << m << ", P = " << P;
        }
    }
}

// Skewness and kurtosis are the moment coefficients g1, g2, free of scale: samples at
// 1e−150 and 1e150 times the same values give the same shape, nothing underflowing
// into a division by zero. Two values: g1 = 0, g2 = −2.
TEST(Descriptives, SkewnessAndKurtosisAreTheMomentCoefficients)
{
    std::mt19937 random(5);
    std::exponential_distribution<double> skewed(0.5);
    for (std::size_t n : {2u, 3u, 7u, 50u, 1000u}) {
        std::vector<double> x(n);
        for (double& v : x) v = skewed(random) - 1;
        const Moments reference = MomentsOf(x);
        const Summary s = Describe(x);
        EXPECT_NEAR(s[19], static_cast<double>(reference.g1), 1e-13) << "n = " << n;
        EXPECT_NEAR(s[20], static_cast<double>(reference.g2), 1e-12) << "n = " << n;
        EXPECT_NEAR(s[5], static_cast<double>(reference.variance), 1e-14 * static_cast<double>(reference.variance));
    }
    EXPECT_NEAR(Describe({1, 3})[20], -2.0, 1e-15);

    const std::vector<double> base{1, 2, 4, 8, 16, 16.5};
    const Moments reference = MomentsOf(base);
    for (double scale : {1e-150, 1e-40, 1e40, 1e150}) {
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
    const Moments e = MomentsOf(deviations);
    const long double mean = 1e9L + e.mean;
    const long double sd = std::sqrt(e.variance);
    const long double root = std::sqrt(static_cast<long double>(x.size()));
    const Summary s = Describe(x);
    const struct {
        std::size_t slot;
        long double expected;
    } spread[] = {{5, e.variance}, {4, sd}, {3, sd / root}, {23, sd / mean}, {24, sd / mean * 100 / root}};
    for (const auto& c : spread)
        EXPECT_NEAR(s[c.slot], static_cast<double>(c.expected), 1e-13 * static_cast<double>(c.expected)) << c.slot;
    EXPECT_NEAR(s[19], static_cast<double>(e.g1), 1e-12);
    EXPECT_NEAR(s[20], static_cast<double>(e.g2), 1e-12);
    EXPECT_NEAR(s[2], static_cast<double>(mean), 1e-6);
}

// DescribeSample takes exactly one block of work storage: its copy of the input.
TEST(Descriptives, DescribeSampleAllocatesOnce)
{
    const std::vector<double> values(1000, 2.5);
    SampleSummary summary;
    sheetstatFailAllocationAfter(-1);
    DescribeSample(values.data(), values.size(), summary.slot);
    EXPECT_EQ(sheetstatFailAllocationAfter(-1), 1);
}

// The sum is compensated: 1e16 + 1 − 1e16 + 1 is 2, not the 1 of plain summation,
// so the mean is 0.5.
TEST(Descriptives, SumAndMeanKeepEveryDigit)
{
    const Summary s = Describe({1e16, 1, -1e16, 1});
    EXPECT_EQ(s[9], 2);
    EXPECT_EQ(s[2], 0.5);
}

}  // namespace
}  // namespace sheetstat::testing
