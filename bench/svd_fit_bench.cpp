// Weighted least squares through the streamed triangular factor: one fit of 10^6
// cases of 21 basis functions (the constant and 20 normal variables), with the
// constant as a basis function and with the intercept by centring; building the
// factor alone; fits of column subsets from one factor (as variable selection makes
// them); and the pairwise correlation of two columns of 10^6 values.
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "analyses/regression/correlate_pair.hpp"
#include "numeric/least_squares_triangle.hpp"
#include "numeric/svd_fit.hpp"
#include "numeric/weighted_centring.hpp"

namespace {

using sheetstat::RealMatrix;
using sheetstat::RealVector;

constexpr int32_t kVariables = 20;

// Cases × variables, stored case after case, y = Σ x_j + noise, unit weights.
struct Data {
    int32_t m;
    std::vector<double> x;
    RealVector y, sig;

    explicit Data(int32_t cases) : m(cases), x(static_cast<std::size_t>(cases) * kVariables), y(1, Size(cases)), sig(1, Size(cases))
    {
        std::mt19937_64 random(42);
        std::normal_distribution<double> normal;
        for (int32_t i = 1; i <= m; ++i) {
            double sum = normal(random);
            for (int32_t j = 0; j < kVariables; ++j) {
                double& value = x[Size(i - 1) * kVariables + Size(j)];
                value = 50 + normal(random);
                sum += value;
            }
            y[i] = sum;
            sig[i] = 1;
        }
    }
    static std::size_t Size(int32_t n) { return static_cast<std::size_t>(n); }
    // The variables of case i into p[first..first + 19].
    void Row(int32_t i, RealVector& p, int32_t first) const
    {
        const double* row = x.data() + Size(i - 1) * kVariables;
        for (int32_t j = 0; j < kVariables; ++j) p[first + j] = row[j];
    }
};

const Data& Million()
{
    static const Data data(1000000);
    return data;
}

void BM_SvdFitConstantAsBasis(benchmark::State& state)
{
    const Data& d = Million();
    const int32_t n = kVariables + 1;
    RealVector coef(1, n), w(1, n);
    RealMatrix v(1, n, 1, n);
    for (auto _ : state) {
        const auto fit = sheetstat::SvdFit(d.y, d.sig, d.m, coef, n, v, w, [&d](int32_t i, RealVector& p, int32_t) {
            p[1] = 1;
            d.Row(i, p, 2);
        });
        benchmark::DoNotOptimize(fit);
    }
    state.SetItemsProcessed(state.iterations() * d.m);
}
BENCHMARK(BM_SvdFitConstantAsBasis)->Unit(benchmark::kMillisecond);

void BM_SvdFitWithIntercept(benchmark::State& state)
{
    const Data& d = Million();
    RealVector coef(1, kVariables + 1), w(1, kVariables);
    RealMatrix v(1, kVariables, 1, kVariables), cov(1, kVariables + 1, 1, kVariables + 1);
    for (auto _ : state) {
        const auto fit = sheetstat::SvdFitWithIntercept(d.y, d.sig, d.m, coef, kVariables, v, w, cov,
                                                        [&d](int32_t i, RealVector& p, int32_t) { d.Row(i, p, 1); });
        benchmark::DoNotOptimize(fit);
    }
    state.SetItemsProcessed(state.iterations() * d.m);
}
BENCHMARK(BM_SvdFitWithIntercept)->Unit(benchmark::kMillisecond);

// Streaming 10^6 rows of 20 variables into the factor, nothing else.
void BM_TriangleAddRows(benchmark::State& state)
{
    const Data& d = Million();
    RealVector p(1, kVariables);
    for (auto _ : state) {
        sheetstat::LeastSquaresTriangle triangle(kVariables);
        for (int32_t i = 1; i <= d.m; ++i) {
            d.Row(i, p, 1);
            triangle.AddRow(p, d.y[i], d.sig[i]);
        }
        benchmark::DoNotOptimize(triangle(1, 1));
    }
    state.SetItemsProcessed(state.iterations() * d.m);
}
BENCHMARK(BM_TriangleAddRows)->Unit(benchmark::kMillisecond);

// One fit of the first q of 20 variables from a factor built once.
void BM_SubsetFitFromTriangle(benchmark::State& state)
{
    const auto q = static_cast<int32_t>(state.range(0));
    const Data d(2000);
    sheetstat::LeastSquaresTriangle triangle(kVariables);
    RealVector p(1, kVariables);
    for (int32_t i = 1; i <= d.m; ++i) {
        d.Row(i, p, 1);
        triangle.AddRow(p, d.y[i], d.sig[i]);
    }
    sheetstat::IntVector columns(1, static_cast<std::size_t>(q));
    for (int32_t j = 1; j <= q; ++j) columns[j] = j;
    RealVector coef(1, kVariables), w(1, kVariables);
    RealMatrix v(1, kVariables, 1, kVariables);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sheetstat::SvdFitTriangle(triangle, columns, q, coef, v, w));
    }
}
BENCHMARK(BM_SubsetFitFromTriangle)->Arg(1)->Arg(5)->Arg(10)->Arg(20)->Unit(benchmark::kMicrosecond);

void BM_CorrelatePair(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    std::mt19937_64 random(7);
    std::normal_distribution<double> normal;
    std::vector<double> x(n), y(n);
    for (std::size_t k = 0; k < n; ++k) {
        x[k] = normal(random);
        y[k] = 0.5 * x[k] + normal(random);
    }
    for (auto _ : state) benchmark::DoNotOptimize(sheetstat::CorrelatePair(n, x.data(), y.data()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CorrelatePair)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
