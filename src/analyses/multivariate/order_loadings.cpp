// The loadings table (see the header). A variable's place follows from two keys: the
// first factor, in variance order, on which its absolute loading is largest, then its
// absolute loading there, descending, with the lower variable number first among
// equals. So every variable is placed whatever the size of its loadings.
#include "analyses/multivariate/order_loadings.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "numeric/sorting.hpp"

namespace sheetstat {

void OrderLoadings(const RealMatrix& l, int32_t p, int32_t m, const RealVector& h, RealVector& s, IntVector& order,
                   const RealMatrixView& table)
{
    const auto factors = static_cast<std::size_t>(m), variables = static_cast<std::size_t>(p);

    // Factors by descending variance: an ascending sort of the negated variances.
    RealVector negated(1, factors);
    for (int32_t k = 1; k <= m; ++k) {
        double variance = 0;
        for (int32_t i = 1; i <= p; ++i) variance += l[i][k] * l[i][k];
        negated[k] = -variance;
        order[k] = k;
    }
    SortRealsWithInts(factors, negated.data(), order.data());
    for (int32_t k = 1; k <= m; ++k) s[k] = -negated[k];

    // Variables factor by factor; under each, an insertion into the places taken so
    // far for that factor keeps descending |loading| and, among equals, input order.
    IntVector placed(1, variables);
    IntVector home(1, variables);
    for (int32_t v = 1; v <= p; ++v) {
        int32_t best = 1;
        for (int32_t f = 2; f <= m; ++f) {
            if (std::fabs(l[v][order[f]]) > std::fabs(l[v][order[best]])) best = f;
        }
        home[v] = best;
    }
    int32_t filled = 0;
    for (int32_t f = 1; f <= m; ++f) {
        const int32_t factor = order[f], first = filled + 1;
        for (int32_t v = 1; v <= p; ++v) {
            if (home[v] != f) continue;
            const double size = std::fabs(l[v][factor]);
            int32_t at = ++filled;
            while (at > first && std::fabs(l[placed[at - 1]][factor]) < size) {
                placed[at] = placed[at - 1];
                --at;
            }
            placed[at] = v;
        }
    }

    const auto column = [](int32_t c) { return static_cast<std::size_t>(c); };
    double total = 0;
    for (int32_t k = 1; k <= m; ++k) total += s[k];
    for (int32_t q = 1; q <= p; ++q) {
        const int32_t v = placed[q];
        const auto row = static_cast<std::size_t>(q);
        table(row, 1) = v;
        for (int32_t k = 1; k <= m; ++k) table(row, column(k + 1)) = l[v][order[k]];
        table(row, column(m + 2)) = h[v];
    }
    const double n = static_cast<double>(p);
    for (int32_t k = 1; k <= m; ++k) {
        table(variables + 1, column(k + 1)) = s[k];
        table(variables + 2, column(k + 1)) = 100 * s[k] / n;
    }
    table(variables + 1, column(m + 2)) = total;
    table(variables + 2, column(m + 2)) = 100 * total / n;
}

}  // namespace sheetstat
