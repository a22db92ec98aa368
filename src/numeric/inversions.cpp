#include "numeric/inversions.hpp"

#include <algorithm>

namespace sheetstat {
namespace {

// Merges the ascending runs from[lo, mid) and from[mid, hi) into to[lo, hi); every
// value taken from the right run before some values of the left run forms an
// inversion with each of them.
uint64_t MergeRuns(const double* from, double* to, std::size_t lo, std::size_t mid, std::size_t hi)
{
    uint64_t inversions = 0;
    std::size_t left = lo, right = mid, out = lo;
    while (left < mid && right < hi) {
        if (from[left] <= from[right]) {
            to[out++] = from[left++];
        } else {
            inversions += mid - left;
            to[out++] = from[right++];
        }
    }
    while (left < mid) to[out++] = from[left++];
    while (right < hi) to[out++] = from[right++];
    return inversions;
}

}  // namespace

uint64_t CountInversions(std::size_t n, double* values, double* buffer)
{
    uint64_t inversions = 0;
    double* from = values;
    double* to = buffer;
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n);
            const std::size_t hi = std::min(lo + 2 * width, n);
            inversions += MergeRuns(from, to, lo, mid, hi);
        }
        std::swap(from, to);
    }
    if (from != values) std::copy(from, from + n, values);
    return inversions;
}

uint64_t CountTiedPairs(std::size_t n, const double* sorted)
{
    uint64_t tied = 0;
    uint64_t run = 1;
    for (std::size_t i = 1; i < n; ++i) {
        if (sorted[i] == sorted[i - 1]) {
            tied += run;  // the new value pairs with each earlier member of its run
            ++run;
        } else {
            run = 1;
        }
    }
    return tied;
}

}  // namespace sheetstat
