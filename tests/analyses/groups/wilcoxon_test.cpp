// nkWilcoxon: worked examples, ties and zero differences, and rank sums against
// mid-ranks of |x − y| counted by brute force.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct WilcoxonRun {
    int32_t status;
    std::vector<double> results;  // slots 1..8 at 0..7
};

WilcoxonRun RunWilcoxon(const std::vector<double>& x, const std::vector<double>& y)
{
    RealHostArray data = RealHostArray::FromColumns({x, y});
    RealHostArray results(8);
    const int32_t status = nkWilcoxon(data.ref(), results.ref());
    return {status, results.Slots()};
}

// Slots 1 to 5 as given; z from the smaller rank sum W of the n = slot 1 + slot 2
// ranked pairs, never positive; slot 7 its lower tail and slot 8 twice that.
void ExpectResults(const WilcoxonRun& run, const std::vector<double>& slots1To5)
{
    ASSERT_EQ(run.status, kOk);
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(run.results[k], slots1To5[k]) << "slot " << k + 1;
    const long double n = slots1To5[0] + slots1To5[1];
    const long double W = std::min(slots1To5[3], slots1To5[4]);
    const long double z = (W - n * (n + 1) / 4) / std::sqrt(n * (n + 1) * (2 * n + 1) / 24);
    EXPECT_NEAR(run.results[5], static_cast<double>(z), 1e-12);
    EXPECT_LE(run.results[5], 0.0);
    EXPECT_NEAR(run.results[6], static_cast<double>(ReferenceNormalCdf(z)), 1e-7);
    EXPECT_DOUBLE_EQ(run.results[7], 2 * run.results[6]);
}

TEST(Wilcoxon, WorkedExamplesTiesAndZeroDifferences)
{
    struct Case {
        const char* what;
        std::vector<double> x, y, slots1To5;
        double z;  // as printed, where the case has one
    };
    const double none = std::nan("");
    const Case cases[] = {
        {"d = −1, −2, −3, 1: |d| ranks 1.5, 3, 4, 1.5", {1, 2, 3, 4}, {2, 4, 6, 3}, {3, 1, 0, 8.5, 1.5}, -1.2780},
        {"one pair x > y: W = 0, z = (0 − 0.5)/√0.25", {5}, {3}, {0, 1, 0, 0, 1}, -1},
        {"one pair x < y", {3}, {5}, {1, 0, 0, 1, 0}, -1},
        {"|d| 1, 2, 2, 3 rank 1, 2.5, 2.5, 4", {1, 0, 2, 3}, {0, 2, 0, 0}, {1, 3, 0, 2.5, 7.5}, none},
        {"d = −1, 1, −4, 4: equal rank sums n(n + 1)/4", {1, 3, 10, 20}, {2, 2, 14, 16}, {2, 2, 0, 5, 5}, 0},
        {"the first case with two equal and two incomplete pairs", {7, 1, kMissing, 2, 3, 8, 4, 5},
         {7, 2, 1, 4, 6, 8, 3, kMissing}, {3, 1, 2, 8.5, 1.5}, -1.2780},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const WilcoxonRun run = RunWilcoxon(c.x, c.y);
        ExpectResults(run, c.slots1To5);
        if (!std::isnan(c.z)) {
            EXPECT_NEAR(run.results[5], c.z, 5e-5);
        }
    }
}

// Mid-ranks of |d| by brute force: #{|d_j| < |d_i|} plus the mean position within the
// run of equal values, summed by the sign of d.
TEST(Wilcoxon, RankSumsMatchBruteForceMidRanks)
{
    std::mt19937 generator(20240611);
    std::uniform_int_distribution<int> value(0, 6);
    std::bernoulli_distribution missing(0.1);
    for (int trial = 0; trial < 40; ++trial) {
        const std::size_t rows = 1 + static_cast<std::size_t>(trial) * 3;
        std::vector<double> x(rows), y(rows), d;
        double equalCount = 0;
        for (std::size_t i = 0; i < rows; ++i) {
            x[i] = missing(generator) ? kMissing : value(generator) * 0.5;
            y[i] = missing(generator) ? kMissing : value(generator) * 0.5;
            if (IsMissing(x[i]) || IsMissing(y[i])) continue;
            if (x[i] == y[i]) {
                ++equalCount;
            } else {
                d.push_back(x[i] - y[i]);
            }
        }
        double sum[2] = {0, 0}, count[2] = {0, 0};  // [0]: x < y, [1]: x > y
        for (const double di : d) {
            double below = 0, equal = 0;
            for (const double dj : d) {
                below += std::fabs(dj) < std::fabs(di) ? 1 : 0;
                equal += std::fabs(dj) == std::fabs(di) ? 1 : 0;
            }
            sum[di > 0] += below + (equal + 1) / 2;
            count[di > 0] += 1;
        }
        const WilcoxonRun run = RunWilcoxon(x, y);
        if (d.empty()) {
            EXPECT_EQ(run.status, kInsufficientData);
            continue;
        }
        SCOPED_TRACE(trial);
        ExpectResults(run, {count[0], count[1], equalCount, sum[0], sum[1]});
    }
}

}  // namespace
}  // namespace sheetstat::testing
