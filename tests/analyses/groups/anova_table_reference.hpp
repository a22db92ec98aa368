// An independent reference for the anovaTable of the repeated-measures and split-plot
// tests: the textbook computational formulas (Winer 1971, ch. 7), sums of squared
// totals less the correction term, in long double. On integer data every total is
// exact there, so the reference is exact to about 1e-18 relative, computed by a route
// the library does not take (it sums squared deviations from means).
#pragma once

#include <cmath>
#include <cstddef>
#include <map>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {

// Columns of the table: 1 within factor, 2 subjects, 3 between factor, 4 interaction,
// 5 residual, 6 total; entry c − 1 of each array.
struct ReferenceAnova {
    long double ss[6] = {};
    long double df[6] = {};
};

// `columns` one treatment per column, one subject per row; codes[e] the group of row e
// (all 0 for a single group). Rows with an empty cell or code are left out; groups
// are counted only when they hold a complete subject.
inline ReferenceAnova ReferenceMixedDesign(const std::vector<std::vector<double>>& columns,
                                           const std::vector<double>& codes)
{
    const std::size_t b = columns.size();
    long double grand = 0, squares = 0, subjectTerm = 0, s = 0;
    std::vector<long double> treatmentTotal(b, 0);
    std::map<int, long double> groupTotal, groupSize;
    std::map<int, std::vector<long double>> cellTotal;
    for (std::size_t e = 0; e < codes.size(); ++e) {
        bool complete = !IsMissing(codes[e]);
        for (const auto& column : columns) complete = complete && !IsMissing(column[e]);
        if (!complete) continue;
        const int g = static_cast<int>(codes[e]);
        cellTotal[g].resize(b, 0);
        long double P = 0;
        for (std::size_t j = 0; j < b; ++j) {
            const long double x = columns[j][e];
            grand += x;
            squares += x * x;
            P += x;
            treatmentTotal[j] += x;
            cellTotal[g][j] += x;
        }
        groupTotal[g] += P;
        groupSize[g] += 1;
        subjectTerm += P * P / b;
        s += 1;
    }
    const long double correction = grand * grand / (s * b);
    long double groupTerm = 0, treatmentTerm = 0, cellTerm = 0;
    for (const auto& [g, A] : groupTotal) groupTerm += A * A / (b * groupSize[g]);
    for (const long double B : treatmentTotal) treatmentTerm += B * B / s;
    for (const auto& [g, cells] : cellTotal) {
        for (const long double AB : cells) cellTerm += AB * AB / groupSize[g];
    }
    const long double a = static_cast<long double>(groupTotal.size());
    ReferenceAnova r;
    r.ss[0] = treatmentTerm - correction;
    r.ss[1] = subjectTerm - groupTerm;
    r.ss[2] = groupTerm - correction;
    r.ss[3] = cellTerm - groupTerm - treatmentTerm + correction;
    r.ss[4] = squares - cellTerm - subjectTerm + groupTerm;
    r.ss[5] = squares - correction;
    const long double bl = static_cast<long double>(b);
    const long double df[6] = {bl - 1, s - a, a - 1, (a - 1) * (bl - 1), (bl - 1) * (s - a), s * bl - 1};
    for (int c = 0; c < 6; ++c) r.df[c] = df[c];
    return r;
}

// Rows 1 to 3 of column c against the reference: SS within `tolerance` of the total
// sum of squares, df exactly, MS = SS/df (MissingValue without df).
inline void ExpectSourceMatches(RealHostArray& table, std::size_t c, const ReferenceAnova& r, double tolerance)
{
    SCOPED_TRACE(::testing::Message() << "column " << c);
    const long double scale = r.ss[5] > 0 ? r.ss[5] : 1;
    EXPECT_NEAR(table(1, c), static_cast<double>(r.ss[c - 1]), tolerance * static_cast<double>(scale));
    EXPECT_EQ(table(2, c), static_cast<double>(r.df[c - 1]));
    if (r.df[c - 1] == 0) {
        EXPECT_MISSING(table(3, c));
    } else {
        EXPECT_NEAR(table(3, c), static_cast<double>(r.ss[c - 1] / r.df[c - 1]),
                    tolerance * static_cast<double>(scale / r.df[c - 1]));
    }
}

// Rows 1 to 5 of column c tested against column `error`: F = MS/MS_error within
// `tolerance` relative, and its upper-tail probability from quadrature.
inline void ExpectFTestMatches(RealHostArray& table, std::size_t c, std::size_t error, const ReferenceAnova& r,
                               double tolerance)
{
    ExpectSourceMatches(table, c, r, tolerance);
    SCOPED_TRACE(::testing::Message() << "F of column " << c << " against column " << error);
    const long double F = (r.ss[c - 1] / r.df[c - 1]) / (r.ss[error - 1] / r.df[error - 1]);
    EXPECT_NEAR(table(4, c), static_cast<double>(F), tolerance * static_cast<double>(F + 1));
    const Real p = ReferenceFUpper(F, r.df[c - 1], r.df[error - 1]);
    EXPECT_NEAR(table(5, c), static_cast<double>(p), kIterationTolerance * static_cast<double>(p) + 1e-12);
}

}  // namespace sheetstat::testing
