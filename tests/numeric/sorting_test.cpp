// The six heapsort variants: ascending keys, companions that travel with their keys,
// and the placement of equal keys, which must follow the documented sift order.
#include "numeric/sorting.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace sheetstat {
namespace {

// One variant's result on double keys (SortIntsWithReals on their whole-number
// values), run with companions that start as each element's position i (the second
// companion, where there is one, as −i): for every sorted position, the original
// position of the element now there, or −1 where its two companions disagree (empty
// for SortReals, which has none).
struct Sorted {
    std::string variant;
    std::vector<double> keys;
    std::vector<int> origin;
};

std::vector<Sorted> SortEveryWay(const std::vector<double>& keys)
{
    const std::size_t n = keys.size();
    std::vector<double> k, r1(n), r2(n);
    std::vector<int32_t> i1(n), i2(n);
    auto fresh = [&] {
        k = keys;
        for (std::size_t i = 0; i < n; ++i) {
            r1[i] = static_cast<double>(i), r2[i] = -r1[i];
            i1[i] = static_cast<int32_t>(i), i2[i] = -i1[i];
        }
        return k.data();
    };
    auto origin = [n](const auto& first) {
        std::vector<int> o(n);
        for (std::size_t i = 0; i < n; ++i) o[i] = static_cast<int>(first[i]);
        return o;
    };
    auto pairedOrigin = [&](const auto& first, const auto& second) {
        std::vector<int> o = origin(first);
        for (std::size_t i = 0; i < n; ++i) o[i] = second[i] == -first[i] ? o[i] : -1;
        return o;
    };
    std::vector<Sorted> out;
    SortReals(n, fresh());
    out.push_back({"SortReals", k, {}});
    SortRealsWithReals(n, fresh(), r1.data());
    out.push_back({"SortRealsWithReals", k, origin(r1)});
    SortRealsWithInts(n, fresh(), i1.data());
    out.push_back({"SortRealsWithInts", k, origin(i1)});
    std::vector<int32_t> intKeys(keys.begin(), keys.end());
    fresh();
    SortIntsWithReals(n, intKeys.data(), r1.data());
    out.push_back({"SortIntsWithReals", {intKeys.begin(), intKeys.end()}, origin(r1)});
    SortRealsWithTwoInts(n, fresh(), i1.data(), i2.data());
    out.push_back({"SortRealsWithTwoInts", k, pairedOrigin(i1, i2)});
    SortRealsWithTwoReals(n, fresh(), r1.data(), r2.data());
    out.push_back({"SortRealsWithTwoReals", k, pairedOrigin(r1, r2)});
    return out;
}

// The heapsort as documented, transcribed literally over 1-based ra[1..n] (keys) and
// rb[1..n] (one companion); element 0 is unused.
void ReferenceHeapSort(std::vector<double>& ra, std::vector<int>& rb)
{
    const std::size_t n = ra.size() - 1;
    if (n < 2) return;
    std::size_t l = n / 2 + 1, ir = n;
    for (;;) {
        double rra;
        int rrb;
        if (l > 1) {
            l = l - 1;
            rra = ra[l], rrb = rb[l];
        } else {
            rra = ra[ir], rrb = rb[ir];
            ra[ir] = ra[1], rb[ir] = rb[1];
            ir = ir - 1;
            if (ir == 1) {
                ra[1] = rra, rb[1] = rrb;
                return;
            }
        }
        std::size_t i = l, j = 2 * l;
        while (j <= ir) {
            if (j < ir && ra[j] < ra[j + 1]) j = j + 1;
            if (rra < ra[j]) {
                ra[i] = ra[j], rb[i] = rb[j];
                i = j, j = 2 * j;
            } else {
                j = ir + 1;
            }
        }
        ra[i] = rra, rb[i] = rrb;
    }
}

TEST(Sorting, SmallCountsAndTheDocumentedExample)
{
    for (const Sorted& s : SortEveryWay({})) EXPECT_TRUE(s.keys.empty() && s.origin.empty()) << s.variant;
    for (const Sorted& s : SortEveryWay({7})) {
        EXPECT_EQ(s.keys, std::vector<double>{7}) << s.variant;
        if (!s.origin.empty()) { EXPECT_EQ(s.origin, std::vector<int>{0}) << s.variant; }
    }
    // Keys 3, 1, 2 with companions 30, 10, 20 (positions 0, 1, 2) give 1, 2, 3 and 10, 20, 30.
    for (const Sorted& s : SortEveryWay({3, 1, 2})) {
        EXPECT_EQ(s.keys, (std::vector<double>{1, 2, 3})) << s.variant;
        if (!s.origin.empty()) { EXPECT_EQ(s.origin, (std::vector<int>{1, 2, 0})) << s.variant; }
    }
}

// Random whole-number keys with negatives: the keys come out as std::sort orders
// them, and the companions are a permutation that still pairs every key with its own.
TEST(Sorting, RandomKeysMatchStdSortAndCompanionsStayWithTheirKeys)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> draw(-1000000, 1000000);
    for (const std::size_t n : {2u, 3u, 10u, 101u, 1000u, 4097u}) {
        std::vector<double> original(n);
        for (double& key : original) key = draw(random);
        std::vector<double> expected = original;
        std::sort(expected.begin(), expected.end());
        for (const Sorted& s : SortEveryWay(original)) {
            ASSERT_EQ(s.keys, expected) << s.variant << " n = " << n;
            if (s.origin.empty()) continue;
            std::vector<int> positions = s.origin;
            std::sort(positions.begin(), positions.end());
            std::vector<int> all(n);
            std::iota(all.begin(), all.end(), 0);
            ASSERT_EQ(positions, all) << s.variant << " n = " << n;
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_EQ(original[static_cast<std::size_t>(s.origin[i])], s.keys[i]) << s.variant << " at " << i;
        }
    }
}

// Equal keys: every variant places a tie group's companions exactly where the
// documented sift order puts them, on many small inputs drawn from three key values.
TEST(Sorting, TiesArePlacedAsTheDocumentedSiftOrderPlacesThem)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> draw(0, 2);
    for (int trial = 0; trial < 3000; ++trial) {
        const auto n = static_cast<std::size_t>(trial % 14);
        std::vector<double> original(n), ra(n + 1, 0.0);
        std::vector<int> rb(n + 1, 0);
        for (std::size_t i = 1; i <= n; ++i) {
            ra[i] = original[i - 1] = draw(random);
            rb[i] = static_cast<int>(i - 1);
        }
        ReferenceHeapSort(ra, rb);
        const std::vector<int> expectedOrigin(rb.begin() + 1, rb.end());
        for (const Sorted& s : SortEveryWay(original)) {
            ASSERT_EQ(s.keys, std::vector<double>(ra.begin() + 1, ra.end())) << s.variant << " trial " << trial;
            if (!s.origin.empty()) { ASSERT_EQ(s.origin, expectedOrigin) << s.variant << " trial " << trial; }
        }
    }
}

}  // namespace
}  // namespace sheetstat
