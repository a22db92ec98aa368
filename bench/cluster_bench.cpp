// Hierarchical clustering of n objects × 5 variables (normal data, fixed seed) through
// the export: distances, the merge loop, history, dendrogram and leaves.
#include <cstddef>
#include <random>

#include <benchmark/benchmark.h>

#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

namespace {

constexpr std::size_t kVariables = 5;

void ClusterObjects(benchmark::State& state, std::size_t linkageSlot)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    std::mt19937_64 random(42);
    std::normal_distribution<double> normal(0, 1);
    sheetstat::RealHostArray data(n, kVariables, 1);
    for (std::size_t j = 1; j <= kVariables; ++j) {
        for (std::size_t i = 1; i <= n; ++i) data(i, j) = normal(random);
    }
    sheetstat::RealHostArray options(6), labels(n), history(n, 6, 1), dendrogram(5 * n, 2, 1), pairs(n, 2, 1),
        leaves(n, 2, 1), stats(1);
    options[linkageSlot] = 1;
    for (auto _ : state) {
        const int32_t status = nkCluster(options.ref(), data.ref(), labels.ref(), history.ref(), dendrogram.ref(),
                                         pairs.ref(), leaves.ref(), stats.ref());
        if (status != SHEETSTAT_OK) state.SkipWithError("nkCluster failed");
        benchmark::DoNotOptimize(stats[1]);
    }
}

void BM_ClusterWard(benchmark::State& state)
{
    ClusterObjects(state, 6);
}
BENCHMARK(BM_ClusterWard)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_ClusterAverage(benchmark::State& state)
{
    ClusterObjects(state, 4);
}
BENCHMARK(BM_ClusterAverage)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
