// The correlation matrices of one pair of variables over 10^6 cases (one list-A and
// one list-B variable with different identifiers: one cell), the whole export call,
// with a fixed seed: nkPearson (two passes of cross moments), nkSpearman (two merge
// sorts and mid-ranks) and nkKendall (Knight's pair counts). Normal data, correlated
// 0.6; Arg 1 rounds the values to 0.1 (many ties).
#include <cmath>
#include <cstddef>
#include <random>

#include <benchmark/benchmark.h>

#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

namespace {

constexpr std::size_t kCases = 1000000;

struct PairCall {
    sheetstat::IntHostArray idsA = sheetstat::IntHostArray::FromValues({1});
    sheetstat::IntHostArray idsB = sheetstat::IntHostArray::FromValues({2});
    sheetstat::RealHostArray dataA{kCases, 1, 1}, dataB{kCases, 1, 1};
    sheetstat::RealHostArray counts{1, 1, 1}, coefficients{1, 1, 1}, probabilities{1, 1, 1}, results{2};

    explicit PairCall(bool rounded)
    {
        std::mt19937_64 random(42);
        std::normal_distribution<double> normal;
        for (std::size_t k = 1; k <= kCases; ++k) {
            const double a = normal(random), b = 0.6 * a + 0.8 * normal(random);
            dataA(k, 1) = rounded ? std::round(a * 10) / 10 : a;
            dataB(k, 1) = rounded ? std::round(b * 10) / 10 : b;
        }
    }
};

template <class Call>
void Run(benchmark::State& state, PairCall& call, Call export_call)
{
    for (auto _ : state) {
        if (export_call() != SHEETSTAT_OK) state.SkipWithError("the export failed");
        benchmark::DoNotOptimize(call.coefficients(1, 1));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kCases));
}

void BM_Pearson(benchmark::State& state)
{
    PairCall call(state.range(0) != 0);
    Run(state, call, [&] {
        return nkPearson(call.idsA.ref(), call.idsB.ref(), call.dataA.ref(), call.dataB.ref(), call.counts.ref(),
                         call.coefficients.ref(), call.probabilities.ref(), call.results.ref());
    });
}

void BM_Spearman(benchmark::State& state)
{
    PairCall call(state.range(0) != 0);
    Run(state, call, [&] {
        return nkSpearman(call.idsA.ref(), call.idsB.ref(), call.dataA.ref(), call.dataB.ref(), call.counts.ref(),
                          call.coefficients.ref(), call.probabilities.ref());
    });
}

void BM_Kendall(benchmark::State& state)
{
    PairCall call(state.range(0) != 0);
    Run(state, call, [&] {
        return nkKendall(call.idsA.ref(), call.idsB.ref(), call.dataA.ref(), call.dataB.ref(), call.counts.ref(),
                         call.coefficients.ref(), call.probabilities.ref());
    });
}

BENCHMARK(BM_Pearson)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Spearman)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kendall)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
