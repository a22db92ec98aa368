// Throughput of the sample summary (copy, heapsort, two passes) and of ranking a
// sorted sample, on normally distributed data with a fixed seed.
#include <cstddef>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "analyses/descriptive/describe_sample.hpp"
#include "numeric/sorting.hpp"

namespace {

std::vector<double> NormalSample(std::size_t n)
{
    std::mt19937_64 random(42);
    std::normal_distribution<double> normal(100, 15);
    std::vector<double> x(n);
    for (double& v : x) v = normal(random);
    return x;
}

void BM_DescribeSample(benchmark::State& state)
{
    const std::vector<double> x = NormalSample(static_cast<std::size_t>(state.range(0)));
    double summary[sheetstat::kSampleSummarySlots];
    for (auto _ : state) {
        sheetstat::DescribeSample(x.data(), x.size(), summary);
        benchmark::DoNotOptimize(summary);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DescribeSample)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);

// Values rounded to one decimal, so that there are many ties to rank. The copy that
// the sort works on is made outside the timing.
void BM_SortThenRankWithTies(benchmark::State& state)
{
    std::vector<double> x = NormalSample(static_cast<std::size_t>(state.range(0)));
    for (double& v : x) v = static_cast<double>(static_cast<long>(v * 10)) / 10;
    std::vector<double> w(x.size());
    for (auto _ : state) {
        state.PauseTiming();
        w = x;
        state.ResumeTiming();
        sheetstat::SortReals(w.size(), w.data());
        benchmark::DoNotOptimize(sheetstat::RankWithTies(w.size(), w.data()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortThenRankWithTies)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Ranking alone, on a sample sorted once outside the timing.
void BM_RankWithTies(benchmark::State& state)
{
    std::vector<double> x = NormalSample(static_cast<std::size_t>(state.range(0)));
    for (double& v : x) v = static_cast<double>(static_cast<long>(v * 10)) / 10;
    sheetstat::SortReals(x.size(), x.data());
    std::vector<double> w(x.size());
    for (auto _ : state) {
        state.PauseTiming();
        w = x;
        state.ResumeTiming();
        benchmark::DoNotOptimize(sheetstat::RankWithTies(w.size(), w.data()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RankWithTies)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
