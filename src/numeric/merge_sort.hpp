// Stable merge sort that counts the inversions it removes: the building block of the
// inversion count (inversions.hpp), Kendall's pair counts and the rank correlations.
//
// Bottom-up: runs of 16 elements are sorted by insertion, each element shifted past
// a larger one removing one inversion; then neighbouring runs of width w = 16,
// 32, ... are merged, each element taken from the right run before m elements of
// the left run removing m inversions (Knight 1966, "A computer method for calculating
// Kendall's tau with ungrouped data"). O(n log n) comparisons in every case; elements
// that compare equal keep their order and are not inversions.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace sheetstat {

namespace detail {

inline constexpr std::size_t kInsertionRun = 16;
inline constexpr std::size_t kCacheBlock = 8192;  // a multiple of kInsertionRun

// Sorts values[lo, hi) by insertion; returns the number of shifts.
template <class T, class Less>
uint64_t InsertionSortCounting(T* values, std::size_t lo, std::size_t hi, Less& less)
{
    uint64_t inversions = 0;
    for (std::size_t i = lo + 1; i < hi; ++i) {
        const T pending = values[i];
        std::size_t j = i;
        while (j > lo && less(pending, values[j - 1])) {
            values[j] = values[j - 1];
            --j;
        }
        values[j] = pending;
        inversions += i - j;
    }
    return inversions;
}

// Merges the ascending runs from[lo, mid) and from[mid, hi) into to[lo, hi) and
// returns the inversions between them: for each element of the right run, the
// elements of the left run that are greater.
//
// The merge works from both ends at once (the smallest remaining element to the
// front, the largest to the back), so that two independent chains of comparisons
// run side by side, and it selects by index arithmetic instead of branching on the
// comparison, which random data mispredict half of the time. Ties go to the left run
// at the front and to the right run at the back, which keeps the sort stable.
template <class T, class Less>
uint64_t MergeRunsCounting(const T* from, T* to, std::size_t lo, std::size_t mid, std::size_t hi, Less& less)
{
    uint64_t inversions = 0;
    std::size_t left = lo, right = mid, out = lo;           // the front: next to take
    std::size_t leftEnd = mid, rightEnd = hi, outEnd = hi;  // the back: one past the last to take
    while (leftEnd - left >= 2 && rightEnd - right >= 2) {
        const std::size_t frontRight = less(from[right], from[left]) ? 1 : 0;
        to[out++] = from[left + (right - left) * frontRight];
        // A right element taken at the front is less than every left element from `left` on.
        inversions += (mid - left) * frontRight;
        right += frontRight;
        left += 1 - frontRight;

        const std::size_t backLeft = less(from[rightEnd - 1], from[leftEnd - 1]) ? 1 : 0;
        to[--outEnd] = from[rightEnd - 1 - (rightEnd - leftEnd) * backLeft];
        // A right element taken at the back is less than the left elements taken after it.
        inversions += (mid - leftEnd) * (1 - backLeft);
        leftEnd -= backLeft;
        rightEnd -= 1 - backLeft;
    }
    while (left < leftEnd && right < rightEnd) {
        const bool frontRight = less(from[right], from[left]);
        if (frontRight) inversions += mid - left;
        to[out++] = frontRight ? from[right++] : from[left++];
    }
    while (left < leftEnd) to[out++] = from[left++];
    inversions += static_cast<uint64_t>(mid - left) * (rightEnd - right);
    while (right < rightEnd) to[out++] = from[right++];
    return inversions;
}

// Merges neighbouring runs of `width` elements of from[lo, hi) into to[lo, hi).
template <class T, class Less>
uint64_t MergePass(const T* from, T* to, std::size_t lo, std::size_t hi, std::size_t width, Less& less)
{
    uint64_t inversions = 0;
    for (std::size_t left = lo; left < hi; left += 2 * width) {
        const std::size_t mid = std::min(left + width, hi);
        inversions += MergeRunsCounting(from, to, left, mid, std::min(mid + width, hi), less);
    }
    return inversions;
}

}  // namespace detail

// Sorts values[0..n−1] ascending by the strict weak order `less`, keeping the order of
// equal elements, and returns the number of pairs i < j of the original order with
// less(x_j, x_i). `buffer` holds n elements of scratch.
template <class T, class Less>
uint64_t MergeSortCountingInversions(std::size_t n, T* values, T* buffer, Less less)
{
    uint64_t inversions = 0;
    // Blocks of kCacheBlock elements are sorted one after the other while they (and
    // their scratch) stay in the cache; only the merges of whole blocks stream the
    // array through memory. Every block takes the same passes, so all of them end up
    // in the same array.
    const std::size_t blockWidth = std::min(detail::kCacheBlock, n);
    T* from = values;
    T* to = buffer;
    for (std::size_t block = 0; block < n; block += detail::kCacheBlock) {
        const std::size_t end = std::min(block + detail::kCacheBlock, n);
        for (std::size_t lo = block; lo < end; lo += detail::kInsertionRun) {
            inversions += detail::InsertionSortCounting(values, lo, std::min(lo + detail::kInsertionRun, end), less);
        }
        from = values;
        to = buffer;
        for (std::size_t width = detail::kInsertionRun; width < blockWidth; width *= 2) {
            inversions += detail::MergePass(from, to, block, end, width, less);
            std::swap(from, to);
        }
    }
    for (std::size_t width = detail::kCacheBlock; width < n; width *= 2) {
        inversions += detail::MergePass(from, to, 0, n, width, less);
        std::swap(from, to);
    }
    if (from != values) std::copy(from, from + n, values);
    return inversions;
}

// Two values observed together (one row of a pair of columns).
struct ValuePair {
    double first;
    double second;
};

// Sorts the pairs ascending by first value; pairs with equal first values keep their order.
inline void SortPairsByFirst(std::size_t n, ValuePair* pairs, ValuePair* buffer)
{
    MergeSortCountingInversions(n, pairs, buffer, [](const ValuePair& a, const ValuePair& b) { return a.first < b.first; });
}

}  // namespace sheetstat
