// Cost of the critical values the post-hoc procedures ask for: a studentized-range
// quantile where the distribution is integrated (few degrees of freedom) and where
// the tabulated expansion serves (many), and the t and F quantiles.
#include <cstdint>

#include <benchmark/benchmark.h>

#include "numeric/distributions.hpp"

namespace {

void BM_RangeQuantile(benchmark::State& state)
{
    const auto k = static_cast<uint32_t>(state.range(0));
    const auto df = static_cast<uint32_t>(state.range(1));
    for (auto _ : state) benchmark::DoNotOptimize(sheetstat::RangeQuantile(0.05, k, df));
}
BENCHMARK(BM_RangeQuantile)
    ->Args({3, 2})
    ->Args({3, 12})
    ->Args({10, 5})
    ->Args({20, 2})
    ->Args({20, 12})
    ->Args({20, 100})
    ->Args({20, 1000})
    ->Unit(benchmark::kMicrosecond);

void BM_TQuantile(benchmark::State& state)
{
    const auto df = static_cast<double>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(sheetstat::TQuantile(0.05, df));
}
BENCHMARK(BM_TQuantile)->Arg(1)->Arg(12)->Unit(benchmark::kMicrosecond);

void BM_FQuantile(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(sheetstat::FQuantile(0.05, 4.0, 12.0));
}
BENCHMARK(BM_FQuantile)->Unit(benchmark::kMicrosecond);

}  // namespace
