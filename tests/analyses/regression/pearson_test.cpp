// nkPearson: the degenerate pairs, the mirror copies of the hash-table search against
// the first mirror a scan of the filled cells finds, r against long double, and the
// reliability of a list against its definition in long double.
#include <cmath>
#include <random>
#include <vector>

#include "analyses/regression/correlation_matrix_call.hpp"
#include "numeric/reference_integrals.hpp"

namespace sheetstat::testing {
namespace {

TEST(Pearson, DegeneratePairs)
{
    // Columns of B against A = (1, 2, 3, 4): no shared row; constant over 3 shared
    // rows; 2 shared rows; exactly anti-linear over 4 rows.
    MatrixCall call({1}, {2, 3, 4, 5}, {{1, 2, 3, 4}},
                    {{kMissing, kMissing, kMissing, kMissing}, {7, 7, kMissing, 7}, {kMissing, 5, 1, kMissing},
                     {0.7, 0.4, 0.1, -0.2}});
    ASSERT_EQ(call.Pearson(), kOk);
    EXPECT_EQ(call.counts(1, 1), 0);
    EXPECT_EQ(call.coefficients(1, 1), 0);
    EXPECT_MISSING(call.probabilities(1, 1));
    EXPECT_EQ(call.counts(1, 2), 3);
    EXPECT_EQ(call.coefficients(1, 2), 0);
    EXPECT_EQ(call.probabilities(1, 2), 0.5);
    EXPECT_EQ(call.counts(1, 3), 2);
    EXPECT_NEAR(call.coefficients(1, 3), -1, 1e-15);
    EXPECT_MISSING(call.probabilities(1, 3));  // two points always lie on a line
    EXPECT_GE(call.coefficients(1, 4), -1);
    EXPECT_NEAR(call.coefficients(1, 4), -1, 1e-15);
    EXPECT_EQ(call.probabilities(1, 4), 0);
    // Not one list: no reliability.
    EXPECT_MISSING(call.results[1]);
    EXPECT_MISSING(call.results[2]);
}

// Lists drawn from a small set of identifiers, with repeats within and across lists
// and different data under the same identifier: every cell must be a copy of the
// first filled mirror (column-major scan) if there is one, else the pair's own r.
TEST(Pearson, MirrorCopiesAndPairwiseDeletion)
{
    std::mt19937 generator(51);
    std::uniform_int_distribution<int32_t> id(1, 4);
    std::normal_distribution<double> normal;
    std::bernoulli_distribution missing(0.15);
    for (int trial = 0; trial < 20; ++trial) {
        const std::size_t nA = 1 + static_cast<std::size_t>(trial % 5), nB = 1 + static_cast<std::size_t>(trial % 4);
        std::vector<int32_t> idsA(nA), idsB(nB);
        Columns a(nA, std::vector<double>(12)), b(nB, std::vector<double>(12));
        for (auto& v : idsA) v = id(generator);
        for (auto& v : idsB) v = id(generator);
        for (Columns* columns : {&a, &b}) {
            for (auto& column : *columns) {
                for (double& x : column) x = missing(generator) ? kMissing : 1e6 + normal(generator);
            }
        }
        MatrixCall call(idsA, idsB, a, b);
        ASSERT_EQ(call.Pearson(), kOk);
        for (std::size_t j = 1; j <= nB; ++j) {
            for (std::size_t i = 1; i <= nA; ++i) {
                SCOPED_TRACE(::testing::Message() << "trial " << trial << " cell " << i << ", " << j);
                bool copied = false;
                for (std::size_t jj = 1; jj <= j && !copied; ++jj) {
                    for (std::size_t ii = 1; ii <= (jj < j ? nA : i - 1) && !copied; ++ii) {
                        if (idsA[i - 1] != idsB[jj - 1] || idsB[j - 1] != idsA[ii - 1]) continue;
                        copied = true;
                        EXPECT_EQ(call.coefficients(i, j), call.coefficients(ii, jj));
                        EXPECT_EQ(call.counts(i, j), call.counts(ii, jj));
                        EXPECT_EQ(call.probabilities(i, j), call.probabilities(ii, jj));
                    }
                }
                if (copied) continue;
                long double n = 0;
                const long double r = ReferenceCorrelation(b[j - 1], a[i - 1], {&a[i - 1], &b[j - 1]}, n);
                EXPECT_EQ(call.counts(i, j), static_cast<double>(n));
                EXPECT_NEAR(call.coefficients(i, j), static_cast<double>(r), 1e-13);
                if (n >= 3 && std::fabs(r) < 1) {
                    const long double t = r * std::sqrt((n - 2) / (1 - r * r));
                    ExpectRelativelyNear(call.probabilities(i, j), ReferenceTTwoTailed(t, n - 2) / 2,
                                         kIterationTolerance);
                }
            }
        }
    }
}

// Cronbach's alpha and the weighted mean inter-item correlation of a list with
// itself: item variances over each item's present cells, the total-score variance
// over the complete cases only.
TEST(Pearson, ReliabilityOfOneList)
{
    const Columns items = {{4, 5, 3, 4, 2, kMissing, 5}, {3, 5, 2, 4, 3, 4, 4}, {5, 4, 3, 5, 1, 2, kMissing}};
    MatrixCall call({7, 8, 9}, {7, 8, 9}, items, items);
    ASSERT_EQ(call.Pearson(), kOk);
    for (std::size_t i = 1; i <= 3; ++i) {
        EXPECT_NEAR(call.coefficients(i, i), 1, 1e-15);
        for (std::size_t j = i + 1; j <= 3; ++j) EXPECT_EQ(call.coefficients(i, j), call.coefficients(j, i));
    }
    long double sumVariances = 0, sumDeviations = 0;
    for (const auto& item : items) {
        const ReferenceMoments m = ReferenceMeanVariance(item);
        sumVariances += m.variance;
        sumDeviations += m.sd();
    }
    std::vector<double> totals;
    for (std::size_t k = 0; k < items[0].size(); ++k) {
        if (IsMissing(items[0][k]) || IsMissing(items[2][k])) continue;
        totals.push_back(items[0][k] + items[1][k] + items[2][k]);
    }
    const long double total = ReferenceMeanVariance(totals).variance;
    EXPECT_NEAR(call.results[1], static_cast<double>(1.5L * (total - sumVariances) / total), 1e-14);
    EXPECT_NEAR(call.results[2],
                static_cast<double>((total - sumVariances) / (sumDeviations * sumDeviations - sumVariances)), 1e-14);

    // The same items in another order in list B: not one list.
    MatrixCall reordered({7, 8, 9}, {8, 7, 9}, items, {items[1], items[0], items[2]});
    ASSERT_EQ(reordered.Pearson(), kOk);
    EXPECT_MISSING(reordered.results[1]);
    EXPECT_MISSING(reordered.results[2]);

    // Only one item varies: no inter-item products to weight by; constant items: no total variance.
    MatrixCall oneVaries({1, 2}, {1, 2}, {{1, 2, 4}, {3, 3, 3}}, {{1, 2, 4}, {3, 3, 3}});
    ASSERT_EQ(oneVaries.Pearson(), kOk);
    EXPECT_NEAR(oneVaries.results[1], 0, 1e-15);
    EXPECT_MISSING(oneVaries.results[2]);
    MatrixCall constant({1, 2}, {1, 2}, {{0.1, 0.1, 0.1}, {3, 3, 3}}, {{0.1, 0.1, 0.1}, {3, 3, 3}});
    ASSERT_EQ(constant.Pearson(), kOk);
    EXPECT_MISSING(constant.results[1]);
    EXPECT_MISSING(constant.results[2]);
}

}  // namespace
}  // namespace sheetstat::testing
