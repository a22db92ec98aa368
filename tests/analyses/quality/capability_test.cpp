// nkCapability: worked examples, data without spread, indices against long-double
// formulas with normal tails from erfc.
#include <algorithm>
#include <cmath>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// Normal tails beyond 3.5 come from Hill's continued fraction, good to about 3e−11.
constexpr double kTailTolerance = 1e-10;

struct CapabilityCall {
    RealHostArray limits, data, results;

    int32_t Run() { return nkCapability(limits.ref(), data.ref(), results.ref()); }
};

CapabilityCall Capability(double lower, double upper, const std::vector<double>& data)
{
    return {RealHostArray::FromValues({lower, upper}), RealHostArray::FromValues(data), RealHostArray(6)};
}

// Results slots 1..6 against long-double formulas: middle, mean, s, Cp, Cpk (the nearer
// limit, signed) and ppm with tails Φ(−z) from erfc.
void ExpectIndices(const std::vector<double>& data, double lower, double upper, double tolerance = 1e-14)
{
    CapabilityCall call = Capability(lower, upper, data);
    ASSERT_EQ(call.Run(), kOk);
    const ReferenceMoments m = ReferenceMeanVariance(data);
    const long double s = m.sd(), toUpper = upper - m.mean, fromLower = m.mean - lower;
    const long double ppm = (ReferenceNormalCdf(-fromLower / s) + ReferenceNormalCdf(-toUpper / s)) * 1e6L;
    const long double expected[] = {(lower + upper) / 2.0L, m.mean, s, (upper - lower) / (6 * s),
                                    std::min(toUpper, fromLower) / (3 * s), ppm};
    for (std::size_t slot = 1; slot <= 6; ++slot) {
        ExpectRelativelyNear(call.results[slot], expected[slot - 1], slot == 6 ? std::max(tolerance, kTailTolerance) : tolerance);
    }
}

TEST(Capability, WorkedExamplesAndIndicesAgainstLongDoubleFormulas)
{
    CapabilityCall centred = Capability(0, 12, {5, 6, 7});
    ASSERT_EQ(centred.Run(), kOk);
    const double expected[] = {6, 6, 1, 2, 2};
    for (std::size_t slot = 1; slot <= 5; ++slot) EXPECT_DOUBLE_EQ(centred.results[slot], expected[slot - 1]);
    ExpectRelativelyNear(centred.results[6], 2e6L * ReferenceNormalCdf(-6), kTailTolerance);  // about 0.002

    ExpectIndices({9.8, 10.3, 10.1, 9.7, 10.4, 10.0, 9.9, 10.6, 10.2}, 9, 11.5);   // nearer the upper limit
    ExpectIndices({9.8, 10.3, 10.1, 9.7, 10.4, 10.0, 9.9, 10.6, 10.2}, 9.5, 12);   // nearer the lower limit
    ExpectIndices({13.1, 12.7, 13.4, 12.9}, 9, 12);  // mean above USL: Cpk < 0, ppm > 500000
    // At an offset of 1e9 the mean carries its rounding (1e−7) into the distances to the limits.
    ExpectIndices({1e9 + 0.3, 1e9 + 0.1, 1e9 + 0.45, 1e9 + 0.2}, 1e9, 1e9 + 1, 2e-6);
    CapabilityCall above = Capability(9, 12, {13.1, 12.7, 13.4, 12.9});
    ASSERT_EQ(above.Run(), kOk);
    EXPECT_LT(above.results[5], 0);
    EXPECT_GT(above.results[6], 500000);
}

// No spread (smallest = largest, even where the summed mean misses the value by an ulp)
// or too few values: MissingValue where nothing can be computed, status 0.
TEST(Capability, DataWithoutSpreadOrTooFewValues)
{
    struct Case {
        std::vector<double> data;
        double mean, s;  // kMissing where the slot is empty
    };
    const Case cases[] = {
        {{0.1, 0.1, 0.1}, 0.1, 0},
        {{0.1, kMissing, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1}, 0.1, 0},
        {{2.5, kMissing}, 2.5, kMissing},
        {{kMissing}, kMissing, kMissing},
        {{}, kMissing, kMissing},
    };
    for (const Case& c : cases) {
        CapabilityCall call = Capability(0, 1, c.data);
        ASSERT_EQ(call.Run(), kOk);
        EXPECT_EQ(call.results[1], 0.5);
        for (const auto& [slot, expected] : {std::pair{2, c.mean}, std::pair{3, c.s}}) {
            if (IsMissing(expected)) {
                EXPECT_MISSING(call.results[static_cast<std::size_t>(slot)]);
            } else {
                EXPECT_DOUBLE_EQ(call.results[static_cast<std::size_t>(slot)], expected);
            }
        }
        for (std::size_t slot = 4; slot <= 6; ++slot) EXPECT_MISSING(call.results[slot]);
    }
}

}  // namespace
}  // namespace sheetstat::testing
