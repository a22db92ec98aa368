// nkHTest: the worked example, empty groups, ties (up to a tie group of 3,000 values)
// against mid-ranks and H computed independently in long double, both layouts giving
// the same output bit for bit, and "all values tied" at N = 10^6.
#include <algorithm>
#include <bit>
#include <map>
#include <random>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct HTestRun {
    int32_t status;
    std::vector<double> output;  // groupStats rows 1 and 2 column by column, then result slots 1..3
};

HTestRun RunHTest(double layout, const std::vector<std::vector<double>>& columns, const std::vector<double>& codes,
                  std::size_t k)
{
    RealHostArray options = RealHostArray::FromValues({layout}), data = RealHostArray::FromColumns(columns),
                  codeArray = RealHostArray::FromValues(codes), groupStats(2, k, 1), results(3);
    HTestRun run{nkHTest(options.ref(), data.ref(), codeArray.ref(), groupStats.ref(), results.ref()), {}};
    for (std::size_t g = 1; g <= k; ++g) run.output.insert(run.output.end(), {groupStats(1, g), groupStats(2, g)});
    for (std::size_t slot = 1; slot <= 3; ++slot) run.output.push_back(results[slot]);
    return run;
}

// Runs layout 0 (one column, the groups one after the other, codes g + 0.5) and the
// column layout (one column per given group, padded) with k groupStats columns; the
// two must agree bit for bit.
HTestRun RunBothLayouts(std::vector<std::vector<double>> groups, std::size_t k)
{
    std::vector<double> values, codes;
    std::size_t rows = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        values.insert(values.end(), groups[g].begin(), groups[g].end());
        codes.resize(values.size(), static_cast<double>(g) + 0.5);
        rows = std::max(rows, groups[g].size());
    }
    for (auto& group : groups) group.resize(rows, kMissing);
    const HTestRun byCodes = RunHTest(0, {values}, codes, k), byColumns = RunHTest(1, groups, {}, k);
    EXPECT_EQ(byCodes.status, byColumns.status);
    for (std::size_t i = 0; i < byCodes.output.size(); ++i) {
        EXPECT_EQ(std::bit_cast<uint64_t>(byCodes.output[i]), std::bit_cast<uint64_t>(byColumns.output[i])) << i;
    }
    return byCodes;
}

// Mid-ranks from the multiplicities of the values (a map, not a sort of positions) and
// H in its textbook form with the tie correction, in long double; then the output.
void ExpectMatchesReference(const HTestRun& run, const std::vector<std::vector<double>>& groups, double tolerance)
{
    std::map<double, long double> multiplicity, midRank;
    for (const auto& group : groups) {
        for (const double x : group) {
            if (!IsMissing(x)) multiplicity[x] += 1;
        }
    }
    long double N = 0, tieSum = 0, S = 0, df = -1;
    for (const auto& [x, t] : multiplicity) {
        midRank[x] = N + (t + 1) / 2;
        N += t;
        tieSum += t * t * t - t;
    }
    ASSERT_EQ(run.status, kOk);
    const std::size_t k = (run.output.size() - 3) / 2;
    for (std::size_t g = 0; g < k; ++g) {
        long double R = 0, n = 0;
        for (const double x : g < groups.size() ? groups[g] : std::vector<double>{}) {
            if (IsMissing(x)) continue;
            R += midRank[x];
            n += 1;
        }
        EXPECT_EQ(run.output[2 * g], static_cast<double>(n)) << "group " << g + 1;
        if (n == 0) {
            EXPECT_MISSING(run.output[2 * g + 1]);
            continue;
        }
        EXPECT_NEAR(run.output[2 * g + 1], static_cast<double>(R / n), 1e-15 * static_cast<double>(N)) << "group " << g + 1;
        S += R * R / n;
        df += 1;
    }
    const long double H = (12 / (N * (N + 1)) * S - 3 * (N + 1)) / (1 - tieSum / (N * N * N - N));
    const double* results = &run.output[2 * k];
    EXPECT_NEAR(results[0], static_cast<double>(H), tolerance * static_cast<double>(H));
    EXPECT_EQ(results[1], static_cast<double>(df));
    const Real p = ReferenceGammaQ(df / 2, H / 2);
    EXPECT_NEAR(results[2], static_cast<double>(p), kIterationTolerance * static_cast<double>(p) + 1e-15);
}

TEST(HTest, WorkedExampleTiesAndEmptyGroups)
{
    // {1, 2, 3} and {4, 5, 6}: mean ranks 2 and 5, H = 12/42·(36/3 + 225/3) − 21 = 27/7 = 3.8571.
    const HTestRun example = RunBothLayouts({{1, 2, 3}, {4, 5, 6}}, 2);
    EXPECT_EQ(std::vector<double>(example.output.begin(), example.output.begin() + 4), (std::vector<double>{3, 2, 3, 5}));
    EXPECT_NEAR(example.output[4], 27.0 / 7, 1e-14);
    struct Case {
        const char* what;
        std::vector<std::vector<double>> groups;
        std::size_t k;
    };
    const Case cases[] = {
        {"the worked example", {{1, 2, 3}, {4, 5, 6}}, 2},
        {"ties across groups", {{1, 2, 2, 3}, {2, 3, 3, 7}, {0.5, 7, 9}}, 3},
        {"an empty group lowers the df", {{1, 2, 5}, {kMissing, kMissing}, {3, 4, 6, 6}}, 3},
        {"groups beyond the data columns are empty", {{1, 2, 5}, {3, 4, 6, 6}}, 4},
        {"missing values skipped; −0 ties with 0", {{kMissing, 4, -0.0, kMissing}, {0.0, kMissing, 8}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectMatchesReference(RunBothLayouts(c.groups, c.k), c.groups, 1e-13);
    }
}

// 3,000 equal values (t³ − t ≈ 2.7e10, far beyond 32-bit arithmetic) among 1,000 others
// in five groups; then random data with many ties in up to 20 groups of unequal sizes.
TEST(HTest, LargeTieGroupsAgainstLongDoubleReference)
{
    std::mt19937 generator(1291);
    std::uniform_int_distribution<int> group(0, 4), level(0, 40), size(1, 30);
    std::vector<std::vector<double>> groups(5);
    for (int i = 0; i < 4000; ++i) {
        groups[static_cast<std::size_t>(group(generator))].push_back(i < 3000 ? 17.25 : level(generator) * 0.5 + 1e6);
    }
    ExpectMatchesReference(RunBothLayouts(groups, 5), groups, 1e-12);
    for (int trial = 0; trial < 10; ++trial) {
        std::vector<std::vector<double>> random(static_cast<std::size_t>(2 + 2 * trial));  // 2 to 20 groups
        for (auto& g : random) {
            g.resize(static_cast<std::size_t>(size(generator)));
            for (double& x : g) x = level(generator) % 9;
        }
        ExpectMatchesReference(RunBothLayouts(random, random.size()), random, 1e-12);
    }
}

// All values tied is found by comparing values: at N = 10^6 the textbook correction
// factor 1 − (T/N)/(N² − 1) is −2.2e-16, not 0.
TEST(HTest, AllValuesTiedAtLargeN)
{
    const std::vector<double> half(500000, 0.1);
    EXPECT_EQ(RunBothLayouts({half, half}, 2).status, kInsufficientData);
}

}  // namespace
}  // namespace sheetstat::testing
