// Doubled mid-ranks and the tie sum Σ(t³ − t) of sorted values.
#include "numeric/sorting.hpp"

#include <algorithm>
#include <cstddef>
#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace sheetstat {
namespace {

TEST(RankWithTies, DocumentedExamplesAndTiesAtBothEnds)
{
    const struct {
        std::vector<double> w, doubledRanks;
        double tieSum;
    } cases[] = {
        {{1, 2, 2, 3}, {2, 5, 5, 8}, 6},       {{5, 5, 5}, {4, 4, 4}, 24},
        {{-3.5}, {2}, 0},                      {{1, 1, 2, 3, 3}, {3, 3, 6, 9, 9}, 12},
        {{-2, 0, 0.5}, {2, 4, 6}, 0},
    };
    for (const auto& c : cases) {
        std::vector<double> w = c.w;
        EXPECT_EQ(RankWithTies(w.size(), w.data()), c.tieSum);
        EXPECT_EQ(w, c.doubledRanks);
    }
    std::vector<double> untouched{9};
    EXPECT_EQ(RankWithTies(0, untouched.data()), 0.0);
    EXPECT_EQ(untouched, std::vector<double>{9});
}

// Against a brute-force count: twice the mid-rank of w(i) is 2·#{w < w(i)} +
// #{w = w(i)} + 1, and the tie sum adds t³ − t for every value occurring t times.
TEST(RankWithTies, MatchesBruteForceMidRanksAndTieSum)
{
    std::mt19937 random(99);
    for (int trial = 0; trial < 500; ++trial) {
        const auto n = static_cast<std::size_t>(1 + trial % 40);
        std::uniform_int_distribution<int> draw(0, 1 + trial % 12);
        std::vector<double> w(n);
        for (double& value : w) value = 0.25 * draw(random);
        std::sort(w.begin(), w.end());

        std::vector<double> expected(n);
        std::map<double, int> occurrences;
        for (std::size_t i = 0; i < n; ++i) {
            const auto less = std::count_if(w.begin(), w.end(), [&](double v) { return v < w[i]; });
            const auto equal = std::count(w.begin(), w.end(), w[i]);
            expected[i] = static_cast<double>(2 * less + equal + 1);
            ++occurrences[w[i]];
        }
        double expectedTieSum = 0;
        for (const auto& [value, t] : occurrences) expectedTieSum += double(t) * t * t - t;

        ASSERT_EQ(RankWithTies(n, w.data()), expectedTieSum) << "trial " << trial;
        ASSERT_EQ(w, expected) << "trial " << trial;
    }
}

}  // namespace
}  // namespace sheetstat
