// Principal components and principal axis factoring (Harman, Modern Factor Analysis,
// 3rd ed., 1976, ch. 8): the eigen-decomposition of the correlation matrix with 1 or
// a communality estimate on its diagonal, taken from the singular value
// decomposition of that symmetric matrix.
#include "analyses/multivariate/factor_extraction.hpp"

#include <cmath>
#include <cstdint>

#include "numeric/svd.hpp"

namespace sheetstat {

void EigenFromSvd(RealVector& w, RealMatrix& a, const RealMatrix& v, RealVector& e, int32_t p, IntVector& order)
{
    const double s = a[1][1] >= 0 ? 1.0 : -1.0;
    // Signs first, while a still holds U: w becomes the signed eigenvalues.
    for (int32_t q = 1; q <= p; ++q) {
        double agreement = 0;
        for (int32_t j = 1; j <= p; ++j) agreement += a[j][q] * v[j][q];
        if (agreement < 0) w[q] = -w[q];
        order[q] = q;
    }
    // Selection by descending eigenvalue; of equal ones the lower index comes first.
    for (int32_t k = 1; k <= p; ++k) {
        int32_t best = k;
        for (int32_t t = k + 1; t <= p; ++t) {
            const double candidate = w[order[t]], chosen = w[order[best]];
            if (candidate > chosen || (candidate == chosen && order[t] < order[best])) best = t;
        }
        const int32_t q = order[best];
        order[best] = order[k];
        order[k] = q;
        e[k] = w[q];
        const double root = std::sqrt(std::fabs(w[q]));
        for (int32_t j = 1; j <= p; ++j) a[j][k] = s * v[j][q] * root;
    }
}

namespace {

// The initial communalities: 1, or the largest |r| of each variable with another.
void InitialCommunalities(const RealMatrix& r, int32_t p, bool largestCorrelation, RealVector& h)
{
    for (int32_t i = 1; i <= p; ++i) {
        double largest = 0;
        for (int32_t j = 1; j <= p; ++j) {
            if (j != i && std::fabs(r[i][j]) > largest) largest = std::fabs(r[i][j]);
        }
        h[i] = largestCorrelation ? largest : 1.0;
    }
}

int32_t RetainedFactors(const RealVector& e, int32_t p, const ExtractionOptions& options)
{
    int32_t m = 0;
    while (m < p && static_cast<double>(m + 1) <= options.maxFactors && e[m + 1] >= options.minEigenvalue &&
           e[m + 1] > 0) {
        ++m;
    }
    return m;
}

}  // namespace

Extraction ExtractFactors(const RealMatrix& r, int32_t p, const ExtractionOptions& options, RealMatrix& loadings,
                          RealVector& e, RealVector& h, RealMatrix& history)
{
    const auto size = static_cast<std::size_t>(p);
    RealMatrix v(1, size, 1, size);
    RealVector w(1, size);
    IntVector order(1, size);

    InitialCommunalities(r, p, options.largestCorrelationFirst, h);
    for (int32_t i = 1; i <= p; ++i) history[i][1] = h[i];

    Extraction result;
    bool changed = true;
    while (changed && result.passes < options.passLimit) {
        const int32_t t = ++result.passes;
        for (int32_t i = 1; i <= p; ++i) {
            for (int32_t j = 1; j <= p; ++j) loadings[i][j] = r[i][j];
            loadings[i][i] = h[i];
        }
        SvdDecompose(loadings, p, p, w, v);
        EigenFromSvd(w, loadings, v, e, p, order);
        const int32_t m = RetainedFactors(e, p, options);
        result.retained = m;

        changed = false;
        for (int32_t i = 1; i <= p; ++i) {
            double communality = 0;
            for (int32_t k = 1; k <= m; ++k) communality += loadings[i][k] * loadings[i][k];
            if (communality > 1) communality = 1;
            if (std::fabs(h[i] - communality) > options.tolerance) changed = true;
            h[i] = communality;
            history[i][t + 1] = communality;
        }
    }
    return result;
}

}  // namespace sheetstat
