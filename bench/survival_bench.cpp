// Throughput of nkSurvival through its export: 10^6 cases in 2 groups with exponential
// survival times (hazards 1 and 1.25) and about 30% censored, with a fixed seed. Range 0
// keeps the times continuous (every case its own time: 10^6 lines); range 1 rounds them
// to 1/100 (ties on every line: 1654 lines).
#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

namespace {

constexpr std::size_t kCases = 1000000;

void BM_SurvivalTwoGroups(benchmark::State& state)
{
    const bool rounded = state.range(0) != 0;
    std::mt19937_64 random(42);
    std::exponential_distribution<double> lifetime(1.0);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<double> times(kCases), events(kCases), groups(kCases);
    for (std::size_t i = 0; i < kCases; ++i) {
        groups[i] = static_cast<double>(i % 2);
        const double t = lifetime(random) / (1 + 0.25 * groups[i]);
        times[i] = rounded ? std::round(t * 100) / 100 : t;
        events[i] = unit(random) < 0.7 ? 1 : 0;
    }
    sheetstat::RealHostArray opts = sheetstat::RealHostArray::FromValues({1});
    sheetstat::RealHostArray t = sheetstat::RealHostArray::FromValues(times);
    sheetstat::RealHostArray e = sheetstat::RealHostArray::FromValues(events);
    sheetstat::RealHostArray g = sheetstat::RealHostArray::FromValues(groups);
    sheetstat::RealHostArray survival(6, kCases, 1), groupTable(3, 2, 1), test(3);
    for (auto _ : state) {
        const int32_t status = nkSurvival(opts.ref(), t.ref(), e.ref(), g.ref(), survival.ref(), groupTable.ref(),
                                          test.ref());
        if (status != 0) state.SkipWithError("nkSurvival failed");
        benchmark::DoNotOptimize(test[1]);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kCases));
}
BENCHMARK(BM_SurvivalTwoGroups)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
