// Factor analysis of 10^6 cases of 20 variables (four common factors plus noise)
// through its export: principal axes iterated to convergence with varimax, and
// principal components; and the correlation matrix behind it, in one pass over the
// rows against 190 pairwise correlations.
#include <cstddef>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "analyses/regression/correlate_pair.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/centred_cross_products.hpp"
#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

namespace {

constexpr std::size_t kCases = 1000000;
constexpr std::size_t kVariables = 20;

// Variable j loads on factor j mod 4; every `gap`-th row (if any) has an empty cell.
std::vector<std::vector<double>> Sample(std::size_t gap)
{
    std::mt19937_64 random(42);
    std::normal_distribution<double> normal;
    std::vector<std::vector<double>> x(kVariables, std::vector<double>(kCases));
    double factors[4];
    for (std::size_t r = 0; r < kCases; ++r) {
        for (double& f : factors) f = normal(random);
        for (std::size_t j = 0; j < kVariables; ++j) x[j][r] = 50 + 0.7 * factors[j % 4] + 0.6 * normal(random);
        if (gap != 0 && r % gap == gap - 1) x[(r / gap) % kVariables][r] = sheetstat::kMissingValue;
    }
    return x;
}

const sheetstat::RealHostArray& Data(std::size_t gap)
{
    static const sheetstat::RealHostArray complete = sheetstat::RealHostArray::FromColumns(Sample(0));
    static const sheetstat::RealHostArray gappy = sheetstat::RealHostArray::FromColumns(Sample(100));
    return gap == 0 ? complete : gappy;
}

// Slot 1 of the options: 0 principal components, 1 principal axes (iterated up to 50
// times); at most 4 factors of eigenvalue 0.5 or more; varimax, normalised.
void BM_FactorA(benchmark::State& state)
{
    const bool axes = state.range(0) != 0;
    const auto gap = static_cast<std::size_t>(state.range(1));
    sheetstat::RealHostArray options =
        sheetstat::RealHostArray::FromValues({axes ? 1.0 : 0.0, axes ? 1.0 : 0.0, 1e-6, 50, 4, 0.5, 1, 0, 0, 1});
    sheetstat::RealHostArray data = Data(gap);
    sheetstat::RealHostArray communalities(kVariables, 51, 1), eigenvalues(kVariables, 3, 1);
    sheetstat::RealHostArray loadings(kVariables + 2, kVariables + 2, 1), scores(kCases, kVariables, 1), stats(3);
    for (auto _ : state) {
        if (gap != 0) {
            state.PauseTiming();
            data = Data(gap);  // the call compacts the complete rows to the top
            state.ResumeTiming();
        }
        const int32_t status = nkFactorA(options.ref(), data.ref(), communalities.ref(), eigenvalues.ref(),
                                         loadings.ref(), scores.ref(), stats.ref());
        if (status != 0) state.SkipWithError("nkFactorA failed");
        benchmark::DoNotOptimize(scores(1, 1));
    }
    state.counters["passes"] = stats[2];
    state.counters["factors"] = stats[3];
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kCases));
}
BENCHMARK(BM_FactorA)->Args({1, 0})->Args({0, 0})->Args({1, 100})->Unit(benchmark::kMillisecond);

void BM_CorrelationMatrixOnePass(benchmark::State& state)
{
    sheetstat::RealHostArray data = Data(0);
    HostArray** reference = data.ref();
    const sheetstat::RealMatrixView view(reference);
    for (auto _ : state) {
        const sheetstat::CentredCrossProducts sums(view, kVariables, nullptr);
        benchmark::DoNotOptimize(sums.Correlation(1, 2));
    }
}
BENCHMARK(BM_CorrelationMatrixOnePass)->Unit(benchmark::kMillisecond);

void BM_CorrelationMatrixByPairs(benchmark::State& state)
{
    sheetstat::RealHostArray data = Data(0);
    HostArray** reference = data.ref();
    const sheetstat::RealMatrixView view(reference);
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t i = 1; i < kVariables; ++i) {
            for (std::size_t j = i + 1; j <= kVariables; ++j) sum += sheetstat::CorrelatePair(kCases, view.column(i), view.column(j)).r;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_CorrelationMatrixByPairs)->Unit(benchmark::kMillisecond);

}  // namespace
