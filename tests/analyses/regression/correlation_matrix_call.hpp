// The arguments of a correlation-matrix export (nkPearson, nkPartial, nkSpearman,
// nkKendall) built from identifier lists and data columns, and the independent
// references their tests share.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {

using Columns = std::vector<std::vector<double>>;

struct MatrixCall {
    IntHostArray idsA, idsB;
    RealHostArray dataA, dataB, control;
    RealHostArray counts, coefficients, probabilities, results{2};

    MatrixCall(const std::vector<int32_t>& a, const std::vector<int32_t>& b, const Columns& columnsA,
               const Columns& columnsB, const std::vector<double>& controlValues = {})
        : idsA(IntHostArray::FromValues(a)), idsB(IntHostArray::FromValues(b)),
          dataA(RealHostArray::FromColumns(columnsA)), dataB(RealHostArray::FromColumns(columnsB)),
          control(RealHostArray::FromValues(controlValues)), counts(a.size(), b.size(), 1),
          coefficients(a.size(), b.size(), 1), probabilities(a.size(), b.size(), 1)
    {
    }

    int32_t Pearson()
    {
        return nkPearson(idsA.ref(), idsB.ref(), dataA.ref(), dataB.ref(), counts.ref(), coefficients.ref(),
                         probabilities.ref(), results.ref());
    }
    int32_t Partial()
    {
        return nkPartial(idsA.ref(), idsB.ref(), dataA.ref(), dataB.ref(), control.ref(), counts.ref(),
                         coefficients.ref(), probabilities.ref());
    }
    int32_t Spearman()
    {
        return nkSpearman(idsA.ref(), idsB.ref(), dataA.ref(), dataB.ref(), counts.ref(), coefficients.ref(),
                          probabilities.ref());
    }
    int32_t Kendall()
    {
        return nkKendall(idsA.ref(), idsB.ref(), dataA.ref(), dataB.ref(), counts.ref(), coefficients.ref(),
                         probabilities.ref());
    }
};

// Pearson's r of x and y over the rows where every one of `required` is present, by
// two passes in long double; count receives the number of rows.
inline long double ReferenceCorrelation(const std::vector<double>& x, const std::vector<double>& y,
                                        const std::vector<const std::vector<double>*>& required, long double& count)
{
    auto used = [&](std::size_t k) {
        for (const auto* column : required) {
            if (IsMissing((*column)[k])) return false;
        }
        return true;
    };
    long double n = 0, sx = 0, sy = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
        if (!used(k)) continue;
        n += 1;
        sx += x[k];
        sy += y[k];
    }
    count = n;
    if (n == 0) return 0;
    const long double mx = sx / n, my = sy / n;
    long double sxx = 0, syy = 0, sxy = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
        if (!used(k)) continue;
        sxx += (x[k] - mx) * (x[k] - mx);
        syy += (y[k] - my) * (y[k] - my);
        sxy += (x[k] - mx) * (y[k] - my);
    }
    return sxx == 0 || syy == 0 ? 0 : sxy / std::sqrt(sxx * syy);
}

}  // namespace sheetstat::testing
