// Throughput of the control charts and the box-whisker series through their exports, on
// normally distributed data with a fixed seed and every tenth cell empty.
#include <cstddef>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "frame/markers.hpp"
#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

namespace {

constexpr std::size_t kValues = 1000000;

std::vector<double> NormalSample(std::size_t n)
{
    std::mt19937_64 random(42);
    std::normal_distribution<double> normal(100, 15);
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) x[i] = i % 10 == 9 ? sheetstat::kMissingValue : normal(random);
    return x;
}

// The control chart named by its option slot (4 mean, 5 range, 6 standard deviation)
// in subgroups of 5: 200000 points.
void BM_QCChart(benchmark::State& state)
{
    const auto chartSlot = static_cast<std::size_t>(state.range(0));
    const std::size_t n = 5;
    std::vector<double> options{static_cast<double>(n), 3, 2, 0, 0, 0, 0, 0, 0, 0, -1};
    options[chartSlot - 1] = 1;
    sheetstat::RealHostArray opts = sheetstat::RealHostArray::FromValues(options);
    sheetstat::RealHostArray data = sheetstat::RealHostArray::FromValues(NormalSample(kValues));
    sheetstat::RealHostArray points(kValues / n, 2, 1);
    sheetstat::RealHostArray results(5);
    for (auto _ : state) {
        const int32_t status = nkQCChart(opts.ref(), data.ref(), points.ref(), results.ref());
        if (status != 0) state.SkipWithError("nkQCChart failed");
        benchmark::DoNotOptimize(results[1]);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kValues));
}
BENCHMARK(BM_QCChart)->Arg(4)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

// Mode 0: 10^6 values with codes 0..9 in turn, ten boxes.
void BM_BoxWhiskerByCodes(benchmark::State& state)
{
    const std::size_t groups = 10;
    std::vector<double> codes(kValues);
    for (std::size_t i = 0; i < kValues; ++i) codes[i] = static_cast<double>((i * 7) % groups);
    sheetstat::RealHostArray opts = sheetstat::RealHostArray::FromValues({0});
    sheetstat::RealHostArray data = sheetstat::RealHostArray::FromColumns({NormalSample(kValues), codes});
    sheetstat::RealHostArray boxes(7, groups, 1);
    for (auto _ : state) {
        const int32_t status = nkBoxWhisker(opts.ref(), data.ref(), boxes.ref());
        if (status != 0) state.SkipWithError("nkBoxWhisker failed");
        benchmark::DoNotOptimize(boxes(4, 1));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kValues));
}
BENCHMARK(BM_BoxWhiskerByCodes)->Unit(benchmark::kMillisecond);

}  // namespace
