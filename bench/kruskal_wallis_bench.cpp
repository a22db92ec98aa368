// nkHTest on 2^20 normally distributed values in 5 groups (layout 0: one data column
// with group codes), with a fixed seed: the whole export call, pooling, heapsort,
// ranking and the rank sums. Values rounded to 0.01 give the same work with many ties.
#include <cstddef>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

namespace {

void BM_HTest(benchmark::State& state)
{
    const std::size_t n = std::size_t{1} << 20;
    const bool rounded = state.range(0) != 0;
    std::mt19937_64 random(42);
    std::normal_distribution<double> normal(100, 15);
    std::uniform_int_distribution<int> group(0, 4);
    sheetstat::RealHostArray data(n, 1, 1), codes(n);
    for (std::size_t i = 1; i <= n; ++i) {
        const int g = group(random);
        const double x = normal(random) + g * 0.1;
        data(i, 1) = rounded ? static_cast<double>(static_cast<long>(x * 100)) / 100 : x;
        codes[i] = g;
    }
    sheetstat::RealHostArray options = sheetstat::RealHostArray::FromValues({0});
    sheetstat::RealHostArray groupStats(2, 5, 1), results(3);
    for (auto _ : state) {
        const int32_t status = nkHTest(options.ref(), data.ref(), codes.ref(), groupStats.ref(), results.ref());
        if (status != SHEETSTAT_OK) state.SkipWithError("nkHTest failed");
        benchmark::DoNotOptimize(results[1]);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}
BENCHMARK(BM_HTest)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
