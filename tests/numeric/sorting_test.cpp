// The six heapsort variants: ascending keys, companions that travel with their keys,
// and the placement of equal keys, which must follow the documented sift order.
#include "numeric/sorting.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace sheetstat {
namespace {

// A sort variant run on double keys with the original position 0..n−1 as its
// companion(s). Returns, for every sorted position, the original position of the
// element now there (empty for SortReals, which has no companion); -1 marks a
// position whose two companions disagree.
struct Variant {
    std::string name;
    std::function<std::vector<int>(std::vector<double>& keys)> run;
};

std::vector<Variant> AllVariants()
{
    return {
        {"SortReals",
         [](std::vector<double>& keys) {
             SortReals(keys.size(), keys.data());
             return std::vector<int>{};
         }},
        {"SortRealsWithReals",
         [](std::vector<double>& keys) {
             std::vector<double> origin(keys.size());
             std::iota(origin.begin(), origin.end(), 0.0);
             SortRealsWithReals(keys.size(), keys.data(), origin.data());
             return std::vector<int>(origin.begin(), origin.end());
         }},
        {"SortRealsWithInts",
         [](std::vector<double>& keys) {
             std::vector<int32_t> origin(keys.size());
             std::iota(origin.begin(), origin.end(), 0);
             SortRealsWithInts(keys.size(), keys.data(), origin.data());
             return std::vector<int>(origin.begin(), origin.end());
         }},
        {"SortIntsWithReals",
         [](std::vector<double>& keys) {
             // Integer keys: the tests use whole-number keys for this variant.
             std::vector<int32_t> intKeys(keys.size());
             for (std::size_t i = 0; i < keys.size(); ++i) intKeys[i] = static_cast<int32_t>(keys[i]);
             std::vector<double> origin(keys.size());
             std::iota(origin.begin(), origin.end(), 0.0);
             SortIntsWithReals(keys.size(), intKeys.data(), origin.data());
             for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = intKeys[i];
             return std::vector<int>(origin.begin(), origin.end());
         }},
        {"SortRealsWithTwoInts",
         [](std::vector<double>& keys) {
             std::vector<int32_t> first(keys.size()), second(keys.size());
             for (std::size_t i = 0; i < keys.size(); ++i) {
                 first[i] = static_cast<int32_t>(i);
                 second[i] = static_cast<int32_t>(1000 + 7 * i);
             }
             SortRealsWithTwoInts(keys.size(), keys.data(), first.data(), second.data());
             std::vector<int> origin(keys.size());
             for (std::size_t i = 0; i < keys.size(); ++i) origin[i] = second[i] == 1000 + 7 * first[i] ? first[i] : -1;
             return origin;
         }},
        {"SortRealsWithTwoReals",
         [](std::vector<double>& keys) {
             std::vector<double> first(keys.size()), second(keys.size());
             for (std::size_t i = 0; i < keys.size(); ++i) {
                 first[i] = static_cast<double>(i);
                 second[i] = -0.5 * static_cast<double>(i);
             }
             SortRealsWithTwoReals(keys.size(), keys.data(), first.data(), second.data());
             std::vector<int> origin(keys.size());
             for (std::size_t i = 0; i < keys.size(); ++i) {
                 origin[i] = second[i] == -0.5 * first[i] ? static_cast<int>(first[i]) : -1;
             }
             return origin;
         }},
    };
}

// The heapsort as documented, transcribed literally over 1-based arrays ra[1..n]
// (keys) and rb[1..n] (one companion); element 0 is unused.
void ReferenceHeapSort(std::vector<double>& ra, std::vector<int>& rb)
{
    const std::size_t n = ra.size() - 1;
    if (n < 2) return;
    std::size_t l = n / 2 + 1;
    std::size_t ir = n;
    for (;;) {
        double rra;
        int rrb;
        if (l > 1) {
            l = l - 1;
            rra = ra[l];
            rrb = rb[l];
        } else {
            rra = ra[ir];
            rrb = rb[ir];
            ra[ir] = ra[1];
            rb[ir] = rb[1];
            ir = ir - 1;
            if (ir == 1) {
                ra[1] = rra;
                rb[1] = rrb;
                return;
            }
        }
        std::size_t i = l;
        std::size_t j = 2 * l;
        while (j <= ir) {
            if (j < ir && ra[j] < ra[j + 1]) j = j + 1;
            if (rra < ra[j]) {
                ra[i] = ra[j];
                rb[i] = rb[j];
                i = j;
                j = 2 * j;
            } else {
                j = ir + 1;
            }
        }
        ra[i] = rra;
        rb[i] = rrb;
    }
}

TEST(Sorting, CountsBelowTwoLeaveArraysUnchanged)
{
    for (const Variant& variant : AllVariants()) {
        std::vector<double> none;
        EXPECT_TRUE(variant.run(none).empty()) << variant.name;
        std::vector<double> one{7};
        const std::vector<int> origin = variant.run(one);
        EXPECT_EQ(one, std::vector<double>{7}) << variant.name;
        if (!origin.empty()) {
            EXPECT_EQ(origin, std::vector<int>{0}) << variant.name;
        }
    }
}

TEST(Sorting, ThreeKeysCarryTheirCompanions)
{
    std::vector<double> keys{3, 1, 2}, companion{30, 10, 20};
    SortRealsWithReals(3, keys.data(), companion.data());
    EXPECT_EQ(keys, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(companion, (std::vector<double>{10, 20, 30}));

    std::vector<int32_t> intKeys{3, 1, 2};
    std::vector<double> realCompanion{30, 10, 20};
    SortIntsWithReals(3, intKeys.data(), realCompanion.data());
    EXPECT_EQ(intKeys, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(realCompanion, (std::vector<double>{10, 20, 30}));

    std::vector<double> keys2{3, 1, 2};
    std::vector<int32_t> first{30, 10, 20}, second{-3, -1, -2};
    SortRealsWithTwoInts(3, keys2.data(), first.data(), second.data());
    EXPECT_EQ(keys2, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(first, (std::vector<int32_t>{10, 20, 30}));
    EXPECT_EQ(second, (std::vector<int32_t>{-1, -2, -3}));

    for (const Variant& variant : AllVariants()) {
        std::vector<double> k{3, 1, 2};
        const std::vector<int> origin = variant.run(k);
        EXPECT_EQ(k, (std::vector<double>{1, 2, 3})) << variant.name;
        if (!origin.empty()) {
            EXPECT_EQ(origin, (std::vector<int>{1, 2, 0})) << variant.name;
        }
    }
}

// Random keys (whole numbers with few ties, and a wide spread with negatives):
// the keys come out as std::sort orders them, and every companion still sits with
// the key it started with, as a permutation of the original positions.
TEST(Sorting, RandomKeysMatchStdSortAndCompanionsStayWithTheirKeys)
{
    std::mt19937 random(20240611);
    for (std::size_t n : {2u, 3u, 10u, 101u, 1000u, 4097u}) {
        std::uniform_int_distribution<int> draw(-1000000, 1000000);
        std::vector<double> original(n);
        for (double& key : original) key = draw(random);
        std::vector<double> expected = original;
        std::sort(expected.begin(), expected.end());
        for (const Variant& variant : AllVariants()) {
            std::vector<double> keys = original;
            const std::vector<int> origin = variant.run(keys);
            EXPECT_EQ(keys, expected) << variant.name << " n = " << n;
            if (origin.empty()) continue;
            std::vector<bool> seen(n, false);
            for (std::size_t i = 0; i < n; ++i) {
                ASSERT_GE(origin[i], 0) << variant.name << ": companions parted at position " << i;
                ASSERT_LT(origin[i], static_cast<int>(n));
                EXPECT_FALSE(seen[static_cast<std::size_t>(origin[i])]) << variant.name;
                seen[static_cast<std::size_t>(origin[i])] = true;
                EXPECT_EQ(original[static_cast<std::size_t>(origin[i])], keys[i]) << variant.name << " position " << i;
            }
        }
    }
}

// Equal keys: every variant places the companions of a tie group exactly where the
// documented sift order puts them, on many small inputs drawn from three key values.
TEST(Sorting, TiesArePlacedAsTheDocumentedSiftOrderPlacesThem)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> draw(0, 2);
    for (int trial = 0; trial < 3000; ++trial) {
        const std::size_t n = static_cast<std::size_t>(trial % 14);
        std::vector<double> original(n);
        for (double& key : original) key = draw(random);

        std::vector<double> ra(n + 1, 0.0);
        std::vector<int> rb(n + 1, 0);
        for (std::size_t i = 1; i <= n; ++i) {
            ra[i] = original[i - 1];
            rb[i] = static_cast<int>(i - 1);
        }
        ReferenceHeapSort(ra, rb);
        const std::vector<double> expectedKeys(ra.begin() + 1, ra.end());
        const std::vector<int> expectedOrigin(rb.begin() + 1, rb.end());

        for (const Variant& variant : AllVariants()) {
            std::vector<double> keys = original;
            const std::vector<int> origin = variant.run(keys);
            ASSERT_EQ(keys, expectedKeys) << variant.name << " trial " << trial;
            if (variant.name == "SortReals") continue;
            ASSERT_EQ(origin, expectedOrigin) << variant.name << " trial " << trial;
        }
    }
}

}  // namespace
}  // namespace sheetstat
