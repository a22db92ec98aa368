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

TEST(RankWithTies, DocumentedExamples)
{
    std::vector<double> w{1, 2, 2, 3};
    EXPECT_EQ(RankWithTies(w.size(), w.data()), 6.0);
    EXPECT_EQ(w, (std::vector<double>{2, 5, 5, 8}));

    std::vector<double> same{5, 5, 5};
    EXPECT_EQ(RankWithTies(same.size(), same.data()), 24.0);
    EXPECT_EQ(same, (std::vector<double>{4, 4, 4}));

    std::vector<double> single{-3.5};
    EXPECT_EQ(RankWithTies(1, single.data()), 0.0);
    EXPECT_EQ(single, std::vector<double>{2});

    std::vector<double> untouched{9};
    EXPECT_EQ(RankWithTies(0, untouched.data()), 0.0);
    EXPECT_EQ(untouched, std::vector<double>{9});
}

TEST(RankWithTies, TieGroupsAtBothEnds)
{
    std::vector<double> w{1, 1, 2, 3, 3};
    EXPECT_EQ(RankWithTies(w.size(), w.data()), 12.0);
    EXPECT_EQ(w, (std::vector<double>{3, 3, 6, 9, 9}));

    std::vector<double> distinct{-2, 0, 0.5};
    EXPECT_EQ(RankWithTies(distinct.size(), distinct.data()), 0.0);
    EXPECT_EQ(distinct, (std::vector<double>{2, 4, 6}));
}

// Against a brute-force count: twice the mid-rank of w(i) is 2·#{w < w(i)} +
// #{w = w(i)} + 1, and the tie sum adds t³ − t for every distinct value occurring t times.
TEST(RankWithTies, MatchesBruteForceMidRanksAndTieSum)
{
    std::mt19937 random(99);
    for (int trial = 0; trial < 500; ++trial) {
        const std::size_t n = static_cast<std::size_t>(1 + trial % 40);
        std::uniform_int_distribution<int> draw(0, 1 + trial % 12);
        std::vector<double> w(n);
        for (double& value : w) value = 0.25 * draw(random);
        std::sort(w.begin(), w.end());

        std::vector<double> expected(n);
        std::map<double, int> occurrences;
        for (std::size_t i = 0; i < n; ++i) {
            int less = 0, equal = 0;
            for (double other : w) {
                less += other < w[i];
                equal += other == w[i];
            }
            expected[i] = 2.0 * less + equal + 1;
            ++occurrences[w[i]];
        }
        double expectedTieSum = 0;
        for (const auto& [value, t] : occurrences) expectedTieSum += double(t) * t * t - t;

        const double tieSum = RankWithTies(n, w.data());
        ASSERT_EQ(w, expected) << "trial " << trial;
        ASSERT_EQ(tieSum, expectedTieSum) << "trial " << trial;
    }
}

}  // namespace
}  // namespace sheetstat
