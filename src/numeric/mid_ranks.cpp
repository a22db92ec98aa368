#include "numeric/mid_ranks.hpp"

#include "numeric/sorting.hpp"

namespace sheetstat {

double SumDoubledRanksByClass(std::size_t n, double* values, int32_t* classOf, RealVector& doubledRankSums)
{
    SortRealsWithInts(n, values, classOf);
    const double tieSum = RankWithTies(n, values);
    doubledRankSums.Fill(0.0);
    for (std::size_t i = 0; i < n; ++i) doubledRankSums[classOf[i]] += values[i];
    return tieSum;
}

}  // namespace sheetstat
