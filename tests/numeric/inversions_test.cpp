#include "numeric/inversions.hpp"

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace sheetstat {
namespace {

// Inversions and tied pairs against pairwise counts, on lengths around powers of two
// (every shape of the merge passes), with many ties and with few.
TEST(Inversions, MatchPairwiseCountsAndSortAscending)
{
    std::mt19937 generator(7);
    for (std::size_t n : {0u, 1u, 2u, 3u, 5u, 8u, 13u, 31u, 32u, 33u, 64u, 100u, 513u}) {
        for (int range : {3, 1000}) {
            std::uniform_int_distribution<int> value(0, range);
            std::vector<double> x(n);
            for (double& v : x) v = value(generator);
            uint64_t inversions = 0, tied = 0;
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t j = i + 1; j < n; ++j) {
                    inversions += x[i] > x[j];
                    tied += x[i] == x[j];
                }
            }
            std::vector<double> sorted = x, buffer(n + 1);
            EXPECT_EQ(CountInversions(n, sorted.data(), buffer.data()), inversions) << n;
            std::sort(x.begin(), x.end());
            EXPECT_EQ(sorted, x) << n;
            EXPECT_EQ(CountTiedPairs(n, sorted.data()), tied) << n;
        }
    }
}

}  // namespace
}  // namespace sheetstat
