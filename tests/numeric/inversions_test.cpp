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

// Lengths beyond the block that the merge sort sorts within the cache, where the
// merges of whole blocks begin.
TEST(Inversions, MatchPairwiseCountsAcrossCacheBlocks)
{
    std::mt19937 generator(11);
    std::uniform_real_distribution<double> value(-1, 1);
    for (std::size_t n : {8191u, 8193u, 3u * 8192u + 17u}) {
        std::vector<double> x(n);
        for (double& v : x) v = value(generator);
        uint64_t inversions = 0;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = i + 1; j < n; ++j) inversions += x[i] > x[j];
        }
        std::vector<double> sorted = x, buffer(n);
        EXPECT_EQ(CountInversions(n, sorted.data(), buffer.data()), inversions) << n;
        std::sort(x.begin(), x.end());
        EXPECT_EQ(sorted, x) << n;
    }
}

// Knight's counts against the pair loop with sign comparisons, on tied data.
TEST(Inversions, ConcordanceMatchesThePairLoop)
{
    std::mt19937 generator(1966);
    for (std::size_t n : {0u, 1u, 2u, 7u, 16u, 17u, 100u, 1000u, 9000u}) {
        for (int range : {1, 4, 50}) {
            std::uniform_int_distribution<int> value(0, range);
            std::vector<ValuePair> pairs(n), buffer(n);
            for (ValuePair& p : pairs) p = {static_cast<double>(value(generator)), static_cast<double>(value(generator))};
            PairConcordance expected;
            uint64_t concordant = 0;
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t j = i + 1; j < n; ++j) {
                    const int sx = (pairs[i].first > pairs[j].first) - (pairs[i].first < pairs[j].first);
                    const int sy = (pairs[i].second > pairs[j].second) - (pairs[i].second < pairs[j].second);
                    ++expected.pairs;
                    expected.tiedFirst += sx == 0;
                    expected.tiedSecond += sy == 0;
                    expected.tiedBoth += sx == 0 && sy == 0;
                    expected.discordant += sx * sy < 0;
                    concordant += sx * sy > 0;
                }
            }
            const PairConcordance counts = CountConcordance(n, pairs.data(), buffer.data());
            SCOPED_TRACE(::testing::Message() << n << " pairs, values 0.." << range);
            EXPECT_EQ(counts.pairs, expected.pairs);
            EXPECT_EQ(counts.tiedFirst, expected.tiedFirst);
            EXPECT_EQ(counts.tiedSecond, expected.tiedSecond);
            EXPECT_EQ(counts.tiedBoth, expected.tiedBoth);
            EXPECT_EQ(counts.discordant, expected.discordant);
            EXPECT_EQ(counts.Concordant(), concordant);
        }
    }
}

}  // namespace
}  // namespace sheetstat
