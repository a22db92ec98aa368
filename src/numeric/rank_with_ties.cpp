// Mid-ranks of sorted values with the tie correction of rank tests.
//
// The values w(1) ≤ ... ≤ w(n) are replaced by twice their ranks, a run of equal
// values (a tie group) sharing twice the mean of the positions it occupies, so every
// doubled rank is a whole number: a group over positions j..jt−1 gets j + jt − 1.
// The tie sum Σ(t³ − t) over groups of size t is the correction term of the
// Mann-Whitney, Wilcoxon, Kruskal-Wallis and Spearman statistics.
#include <cstddef>

#include "numeric/sorting.hpp"

namespace sheetstat {

double RankWithTies(std::size_t n, double* values)
{
    double tieSum = 0;
    if (n == 0) return tieSum;
    // w(k) is values[k − 1]: positions are counted from 1 as ranks are.
    auto w = [values](std::size_t k) -> double& { return values[k - 1]; };
    auto doubled = [](std::size_t k) { return static_cast<double>(k) * 2; };

    std::size_t j = 1;
    while (j < n) {
        if (w(j + 1) != w(j)) {
            w(j) = doubled(j);
            ++j;
            continue;
        }
        // A tie group: positions j..jt−1 hold the same value as position j.
        std::size_t jt = j + 1;
        while (jt <= n && w(jt) == w(j)) ++jt;
        const double sharedRank = static_cast<double>(j + jt - 1);
        for (std::size_t k = j; k < jt; ++k) w(k) = sharedRank;
        const double t = static_cast<double>(jt - j);
        tieSum += t * t * t - t;
        j = jt;
    }
    // The last value was not part of a tie group.
    if (j == n) w(n) = doubled(n);
    return tieSum;
}

}  // namespace sheetstat
