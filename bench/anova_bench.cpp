// One-way nkAnova on 2^20 normally distributed values in 5 groups, with a fixed seed:
// the whole export call (two passes over the data into the cells, the table, Bartlett's
// test), in layout 0 (one data column with group codes) and in the column layout.
#include <cstddef>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

namespace {

void BM_Anova(benchmark::State& state)
{
    constexpr std::size_t kGroups = 5;
    const std::size_t n = std::size_t{1} << 20;
    const bool byColumns = state.range(0) != 0;
    std::mt19937_64 random(42);
    std::normal_distribution<double> normal(100, 15);
    std::uniform_int_distribution<int> group(0, kGroups - 1);
    sheetstat::RealHostArray data(n, 1, 1), codes(n, 1, 1), columns(n / kGroups + 1, kGroups, 1);
    for (std::size_t i = 1; i <= n; ++i) {
        const int g = group(random);
        const double x = normal(random) + g * 0.1;
        data(i, 1) = x;
        codes(i, 1) = g;
    }
    // The column layout: 5 columns of n/5 + 1 values (about the same number in all).
    for (std::size_t j = 1; j <= kGroups; ++j) {
        for (std::size_t i = 1; i <= n / kGroups + 1; ++i) columns(i, j) = normal(random) + static_cast<double>(j) * 0.1;
    }
    sheetstat::RealHostArray options = sheetstat::RealHostArray::FromValues({byColumns ? 1.0 : 0.0, kGroups, 0, 0});
    sheetstat::RealHostArray levelStats(2, kGroups, 1), results(25);
    for (auto _ : state) {
        const int32_t status = nkAnova(options.ref(), byColumns ? columns.ref() : data.ref(), codes.ref(),
                                       levelStats.ref(), results.ref());
        if (status != SHEETSTAT_OK) state.SkipWithError("nkAnova failed");
        benchmark::DoNotOptimize(results[16]);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}
BENCHMARK(BM_Anova)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
