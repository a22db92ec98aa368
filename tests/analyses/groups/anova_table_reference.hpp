// An independent reference for the anovaTable of the repeated-measures and split-plot
// tests: the textbook computational formulas (Winer 1971, ch. 7), sums of squared
// totals less the correction term, in long double. On integer data every total is
// exact, so the reference is exact to about 1e-18 relative, by a route the library
// does not take (it sums squared deviations from means).
#pragma once

#include <cmath>
#include <cstddef>
#include <map>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {

// Table columns 1 (within factor), 2 (subjects), 3 (between factor), 4 (interaction),
// 5 (residual), 6 (total) at entries 0..5.
struct ReferenceAnova {
    long double ss[6] = {}, df[6] = {};
};

// `columns` one treatment per column; codes[e] the group of row e. Rows with an empty
// cell or code are left out; only groups holding a complete subject count.
inline ReferenceAnova ReferenceMixedDesign(const std::vector<std::vector<double>>& columns,
                                           const std::vector<double>& codes)
{
    const std::size_t b = columns.size();
    const auto bl = static_cast<long double>(b);
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
        subjectTerm += P * P / bl;
        s += 1;
    }
    const long double correction = grand * grand / (s * bl);
    long double groupTerm = 0, treatmentTerm = 0, cellTerm = 0;
    for (const auto& [g, A] : groupTotal) groupTerm += A * A / (bl * groupSize[g]);
    for (const long double B : treatmentTotal) treatmentTerm += B * B / s;
    for (const auto& [g, cells] : cellTotal) {
        for (const long double AB : cells) cellTerm += AB * AB / groupSize[g];
    }
    const auto a = static_cast<long double>(groupTotal.size());
    ReferenceAnova r{{treatmentTerm - correction, subjectTerm - groupTerm, groupTerm - correction,
                      cellTerm - groupTerm - treatmentTerm + correction, squares - cellTerm - subjectTerm + groupTerm,
                      squares - correction},
                     {bl - 1, s - a, a - 1, (a - 1) * (bl - 1), (bl - 1) * (s - a), s * bl - 1}};
    // The divisions round at 1e-19 relative: a sum that small is 0 in exact arithmetic.
    for (long double& ss : r.ss) ss = std::fabs(ss) <= 1e-16L * squares ? 0 : ss;
    return r;
}

// Column c against the reference: SS within `tolerance` of the total sum of squares,
// df exactly, MS = SS/df (MissingValue without df). For a source tested against column
// `error`: F = MS/MS_error within `tolerance` relative and its upper-tail probability
// from quadrature, or F MissingValue and probability 0 when either source has no df
// or the error no sum of squares.
inline void ExpectColumnMatches(RealHostArray& table, std::size_t c, const ReferenceAnova& r, double tolerance,
                                std::size_t error = 0)
{
    SCOPED_TRACE(::testing::Message() << "column " << c);
    const auto scale = static_cast<double>(r.ss[5] > 0 ? r.ss[5] : 1);
    const long double ss = r.ss[c - 1], df = r.df[c - 1];
    EXPECT_NEAR(table(1, c), static_cast<double>(ss), tolerance * scale);
    EXPECT_EQ(table(2, c), static_cast<double>(df));
    if (df == 0) {
        EXPECT_MISSING(table(3, c));
    } else {
        EXPECT_NEAR(table(3, c), static_cast<double>(ss / df), tolerance * scale / static_cast<double>(df));
    }
    if (error == 0) return;
    if (df == 0 || r.df[error - 1] == 0 || r.ss[error - 1] == 0) {
        EXPECT_TRUE(IsMissing(table(4, c)) && table(5, c) == 0) << "untestable";
        return;
    }
    const long double F = (ss / df) / (r.ss[error - 1] / r.df[error - 1]);
    EXPECT_NEAR(table(4, c), static_cast<double>(F), tolerance * static_cast<double>(F + 1));
    const Real p = ReferenceFUpper(F, df, r.df[error - 1]);
    EXPECT_NEAR(table(5, c), static_cast<double>(p), kIterationTolerance * static_cast<double>(p) + 1e-12);
}

}  // namespace sheetstat::testing
