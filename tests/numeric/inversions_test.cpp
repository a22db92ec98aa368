#include "numeric/inversions.hpp"

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace sheetstat {
namespace {

uint64_t BruteInversions(const std::vector<double>& x)
{
    uint64_t count = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        for (std::size_t j = i + 1; j < x.size(); ++j) if (x[i] > x[j]) ++count;
    }
    return count;
}

uint64_t BruteTiedPairs(const std::vector<double>& x)
{
    uint64_t count = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        for (std::size_t j = i + 1; j < x.size(); ++j) if (x[i] == x[j]) ++count;
    }
    return count;
}

TEST(Inversions, SmallCases)
{
    std::vector<double> buffer(8);
    std::vector<double> empty;
    EXPECT_EQ(CountInversions(0, empty.data(), buffer.data()), 0u);
    EXPECT_EQ(CountTiedPairs(0, empty.data()), 0u);
    std::vector<double> one{4};
    EXPECT_EQ(CountInversions(1, one.data(), buffer.data()), 0u);
    std::vector<double> falling{5, 4, 3, 2, 1};
    EXPECT_EQ(CountInversions(5, falling.data(), buffer.data()), 10u);
    EXPECT_EQ(falling, (std::vector<double>{1, 2, 3, 4, 5}));
    // Equal values are neither inversions nor moved past each other.
    std::vector<double> ties{2, 2, 1, 2};
    EXPECT_EQ(CountInversions(4, ties.data(), buffer.data()), 2u);
    EXPECT_EQ(CountTiedPairs(4, ties.data()), 3u);
}

TEST(Inversions, RandomSequencesWithTiesMatchPairwiseCounts)
{
    std::mt19937 generator(7);
    for (std::size_t n : {2u, 3u, 5u, 8u, 13u, 31u, 32u, 33u, 64u, 100u, 513u}) {
        for (int range : {3, 1000}) {
            std::uniform_int_distribution<int> value(0, range);
            std::vector<double> x(n);
            for (double& v : x) v = value(generator);
            std::vector<double> sorted = x, buffer(n);
            EXPECT_EQ(CountInversions(n, sorted.data(), buffer.data()), BruteInversions(x)) << n;
            std::vector<double> expected = x;
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(sorted, expected) << n;
            EXPECT_EQ(CountTiedPairs(n, sorted.data()), BruteTiedPairs(x)) << n;
        }
    }
}

}  // namespace
}  // namespace sheetstat
