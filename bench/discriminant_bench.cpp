// nkDiscrim on 10^6 cases of 10 correlated normal variables in 4 groups of equal
// size with shifted means (fixed seed): the whole export call, moments, the 45
// correlations, inversion, the eigen-solution, and the classification of every case.
// Every case is complete, so the in-place compaction leaves the data as they were
// and each iteration does the same work.
#include <cmath>
#include <cstddef>
#include <random>

#include <benchmark/benchmark.h>

#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

namespace {

void BM_Discrim(benchmark::State& state)
{
    const std::size_t n = 1000000, p = 10, g = 4, q = 3;
    std::mt19937_64 random(42);
    std::normal_distribution<double> normal;
    sheetstat::RealHostArray data(n, p, 1), groups(n);
    for (std::size_t k = 1; k <= n; ++k) {
        const std::size_t group = k % g;
        const double common = normal(random);
        for (std::size_t i = 1; i <= p; ++i) {
            data(k, i) = 50 + 0.5 * std::sin(static_cast<double>(group * i)) + 0.4 * common + normal(random);
        }
        groups[k] = static_cast<double>(group);
    }
    sheetstat::RealHostArray options = sheetstat::RealHostArray::FromValues({0, 0});
    sheetstat::RealHostArray predictions(1, 2, 1), table(8, q, 1), raw(p + 1, q, 1), standardised(p, q, 1),
        centroids(g, q, 1), distances(g, g, 1), classification(g + 1, g, 1), stats(1);
    for (auto _ : state) {
        const int32_t status = nkDiscrim(options.ref(), data.ref(), groups.ref(), predictions.ref(), table.ref(),
                                         raw.ref(), standardised.ref(), centroids.ref(), distances.ref(),
                                         classification.ref(), stats.ref());
        if (status != SHEETSTAT_OK) state.SkipWithError("nkDiscrim failed");
        benchmark::DoNotOptimize(stats[1]);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}
BENCHMARK(BM_Discrim)->Unit(benchmark::kMillisecond);

}  // namespace
