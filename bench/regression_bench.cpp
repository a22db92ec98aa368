// The regression exports on large data, through the whole call: nkMultiReg forward
// selection on 10^6 cases of 20 variables (every variable enters: 210 trial fits from
// one factor) and a regression on all 10 variables of 2^20 cases; nkPolyReg of
// degree 5 and nkSimpleReg (all seven models) on 10^6 cases. Every case complete,
// unit weights (the arrays the exports rewrite come back unchanged).
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

namespace {

using sheetstat::RealHostArray;

// k normal variables around 50 and y = Σ x_j + noise.
struct Data {
    RealHostArray x, y, weights;
    Data(std::size_t n, std::size_t k) : x(n, k, 1), y(n), weights(n)
    {
        std::mt19937_64 random(42);
        std::normal_distribution<double> normal;
        for (std::size_t i = 1; i <= n; ++i) {
            double sum = normal(random);
            for (std::size_t j = 1; j <= k; ++j) {
                x(i, j) = 50 + normal(random);
                sum += x(i, j);
            }
            y[i] = sum;
            weights[i] = 1;
        }
    }
};

void MultiReg(benchmark::State& state, std::size_t n, std::size_t k, std::size_t methodSlot)
{
    Data d(n, k);
    std::vector<double> options = {0, 0, 0, 0, 0, 0, 0, 0.05, 0.1, static_cast<double>(k), 0};
    options[methodSlot - 1] = 1;
    RealHostArray opts = RealHostArray::FromValues(options), predictions(1, 2, 1), residuals(1, 1, 1),
                  results(19), steps(6, 2 * k, 1), coefficients(5, k + 1, 1);
    for (auto _ : state) {
        const int32_t status = nkMultiReg(opts.ref(), d.x.ref(), d.y.ref(), d.weights.ref(), predictions.ref(),
                                          residuals.ref(), results.ref(), steps.ref(), coefficients.ref());
        if (status != 0 || results[8] != static_cast<double>(k)) state.SkipWithError("unexpected result");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}

void BM_MultiRegForward_1e6x20(benchmark::State& state)
{
    MultiReg(state, 1000000, 20, 5);
}
BENCHMARK(BM_MultiRegForward_1e6x20)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_MultiRegEnterAll_2e20x10(benchmark::State& state)
{
    MultiReg(state, std::size_t{1} << 20, 10, 3);
}
BENCHMARK(BM_MultiRegEnterAll_2e20x10)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_PolyRegDegree5_1e6(benchmark::State& state)
{
    const std::size_t n = 1000000;
    std::mt19937_64 random(5);
    std::normal_distribution<double> normal;
    RealHostArray data(n, 2, 1), weights(n);
    for (std::size_t i = 1; i <= n; ++i) {
        const double x = 1990 + 30.0 * static_cast<double>(i) / static_cast<double>(n);
        data(i, 1) = x;
        data(i, 2) = 0.01 * (x - 2005) * (x - 2005) + normal(random);
        weights[i] = 1;
    }
    RealHostArray opts = RealHostArray::FromValues({0, 0, 0}), predictions(1, 2, 1), residuals(1, 1, 1),
                  curve(100, 2, 1), results(6), coefficients(4, 6, 1);
    for (auto _ : state) {
        const int32_t status = nkPolyReg(opts.ref(), data.ref(), weights.ref(), predictions.ref(), residuals.ref(),
                                         curve.ref(), results.ref(), coefficients.ref());
        if (status != 0) state.SkipWithError("unexpected status");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}
BENCHMARK(BM_PolyRegDegree5_1e6)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_SimpleRegSevenModels_1e6(benchmark::State& state)
{
    const std::size_t n = 1000000;
    std::mt19937_64 random(6);
    std::uniform_real_distribution<double> uniform(1, 10);
    RealHostArray data(n, 2, 1);
    for (std::size_t i = 1; i <= n; ++i) {
        data(i, 1) = uniform(random);
        data(i, 2) = 2 + 3 * data(i, 1) + uniform(random);
    }
    RealHostArray opts = RealHostArray::FromValues({0, 0}), predictions(1, 2, 1), residuals(1, 1, 1),
                  curve(101, 4, 1), models(7, 7, 1);
    for (std::size_t k = 1; k <= 7; ++k) models(6, k) = 1;
    for (auto _ : state) {
        const int32_t status =
            nkSimpleReg(opts.ref(), data.ref(), predictions.ref(), residuals.ref(), curve.ref(), models.ref());
        if (status != 0) state.SkipWithError("unexpected status");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}
BENCHMARK(BM_SimpleRegSevenModels_1e6)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
