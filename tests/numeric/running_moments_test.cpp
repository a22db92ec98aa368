// The moments kernel against long-double two-pass references: offsets of 1e8 and 1e9,
// scales of 1e-8, constant data, weights, and the merge of groups.
#include "numeric/running_moments.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUlp = std::numeric_limits<double>::epsilon();

// offset + scale·u_k with u_k = ((37k) mod 101)/50 − 1, k = 1..n, as doubles.
std::vector<double> Sample(double offset, double scale, int n)
{
    std::vector<double> x;
    for (int k = 1; k <= n; ++k) x.push_back(offset + scale * (((37 * k) % 101) / 50.0 - 1));
    return x;
}

RunningMoments TwoPass(const std::vector<double>& x)
{
    return TwoPassMoments([&x](auto visit) {
        for (double v : x) visit(v);
    });
}

// The mean within an ulp of itself or of the standard deviation (a mean near 0 is
// only as exact as the deviations it sums), the deviation of the first value and the
// variance within a few ulps of their exact values for the doubles given.
void ExpectExact(const RunningMoments& m, const std::vector<double>& x, long double offset)
{
    const ReferenceMoments reference = ReferenceMeanVariance(x, offset);
    const long double mean = offset + reference.mean;
    EXPECT_EQ(m.count, static_cast<double>(x.size()));
    EXPECT_LE(std::fabs(static_cast<long double>(m.mean) - mean), kUlp * (std::fabs(mean) + reference.sd()));
    const long double deviation = x[0] - offset - reference.mean;
    EXPECT_LE(std::fabs(m.Deviation(x[0]) - deviation), 4 * kUlp * std::fabs(deviation));
    EXPECT_LE(std::fabs(m.SampleVariance() - reference.variance), 4 * kUlp * reference.variance);
}

TEST(MomentsKernel, WithinAFewUlpsAtLargeOffsetsAndSmallScales)
{
    const struct {
        double offset, scale;
    } cases[] = {{0, 1}, {1e8, 1}, {1e9, 0.5}, {-1e8, 0.3}, {0, 1e-8}, {1, 1e-8}, {1e9, 1e-3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "offset " << c.offset << ", scale " << c.scale);
        const std::vector<double> x = Sample(c.offset, c.scale, 2000);
        ExpectExact(TwoPass(x), x, c.offset);
    }
}

// Equal values: the mean is the value and the spread exactly 0, at any offset.
TEST(MomentsKernel, ConstantDataGiveTheirValueAndNoSpread)
{
    for (const std::vector<double>& x : {std::vector<double>{0.1, 0.1, 0.1}, std::vector<double>(7, 1e9 + 0.3),
                                         std::vector<double>{-2.5e-8}}) {
        const RunningMoments m = TwoPass(x);
        EXPECT_EQ(m.mean, x[0]);
        EXPECT_EQ(m.meanResidual, 0);
        EXPECT_EQ(m.sumSquares, 0);
        EXPECT_EQ(m.Deviation(x[0]), 0);
    }
}

// A value of weight w counts as w equal values.
TEST(MomentsKernel, WeightsCountValuesRepeatedly)
{
    const std::vector<double> values = {1e8 + 0.1, 1e8 + 0.7, 1e8 - 0.4};
    const double weights[] = {3, 1, 2};
    MomentsAccumulator weighted;
    std::vector<double> repeated;
    for (std::size_t k = 0; k < values.size(); ++k) {
        weighted.Add(values[k], weights[k]);
        repeated.insert(repeated.end(), static_cast<std::size_t>(weights[k]), values[k]);
    }
    weighted.EndFirstPass();
    for (std::size_t k = 0; k < values.size(); ++k) weighted.AddSecond(values[k], weights[k]);
    ExpectExact(weighted.Moments(), repeated, 1e8);
}

// Merging the groups gives the moments of the whole, and the difference of the group
// means keeps its own digits under an offset of 1e8 (rounded means would lose them).
TEST(MomentsKernel, MergeAndMeanDifference)
{
    const std::vector<double> first = Sample(1e8, 1, 1000), second = Sample(1e8 + 0.01, 0.7, 700);
    RunningMoments merged = TwoPass(first);
    merged.Merge(TwoPass(second));
    std::vector<double> both = first;
    both.insert(both.end(), second.begin(), second.end());
    ExpectExact(merged, both, 1e8);

    const long double difference =
        ReferenceMeanVariance(first, 1e8).mean - ReferenceMeanVariance(second, 1e8).mean;
    const double computed = MeanDifference(TwoPass(first), TwoPass(second));
    EXPECT_LE(std::fabs(computed - difference), 4 * kUlp * std::fabs(difference)) << computed;
}

}  // namespace
}  // namespace sheetstat::testing
