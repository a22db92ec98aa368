#include "numeric/inversions.hpp"

#include <functional>

namespace sheetstat {
namespace {

// Σ t(t − 1)/2 over the runs of t consecutive elements that `equal` pairs.
template <class T, class Equal>
uint64_t CountTiedRuns(std::size_t n, const T* values, Equal equal)
{
    uint64_t tied = 0;
    uint64_t run = 1;
    for (std::size_t i = 1; i < n; ++i) {
        if (equal(values[i], values[i - 1])) {
            tied += run;  // the new element pairs with each earlier member of its run
            ++run;
        } else {
            run = 1;
        }
    }
    return tied;
}

}  // namespace

uint64_t CountInversions(std::size_t n, double* values, double* buffer)
{
    return MergeSortCountingInversions(n, values, buffer, std::less<double>());
}

uint64_t CountTiedPairs(std::size_t n, const double* sorted)
{
    return CountTiedRuns(n, sorted, std::equal_to<double>());
}

PairConcordance CountConcordance(std::size_t n, ValuePair* pairs, ValuePair* buffer)
{
    PairConcordance counts;
    if (n < 2) return counts;
    const auto count = static_cast<uint64_t>(n);
    counts.pairs = count % 2 == 0 ? count / 2 * (count - 1) : (count - 1) / 2 * count;

    // By first then second value; bitwise, not short-circuit, so that random data
    // meet no branch to mispredict.
    MergeSortCountingInversions(n, pairs, buffer, [](const ValuePair& a, const ValuePair& b) {
        return (a.first < b.first) | ((a.first == b.first) & (a.second < b.second));
    });
    counts.tiedFirst = CountTiedRuns(n, pairs, [](const ValuePair& a, const ValuePair& b) { return a.first == b.first; });
    counts.tiedBoth = CountTiedRuns(
        n, pairs, [](const ValuePair& a, const ValuePair& b) { return a.first == b.first && a.second == b.second; });
    // Within a run of equal x the second values now ascend, so every inversion by y
    // is a pair with x_i < x_j and y_i > y_j.
    counts.discordant = MergeSortCountingInversions(
        n, pairs, buffer, [](const ValuePair& a, const ValuePair& b) { return a.second < b.second; });
    counts.tiedSecond =
        CountTiedRuns(n, pairs, [](const ValuePair& a, const ValuePair& b) { return a.second == b.second; });
    return counts;
}

}  // namespace sheetstat
