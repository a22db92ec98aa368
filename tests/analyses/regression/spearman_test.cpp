// nkSpearman: rho against Pearson's r of mid-ranks counted by brute force in long
// double, on tied data with empty cells; the degenerate pairs; the diagonal of a list
// with itself; rho within [−1, 1] on monotone tied data.
#include <cmath>
#include <random>
#include <vector>

#include "analyses/regression/correlation_matrix_call.hpp"
#include "numeric/reference_integrals.hpp"

namespace sheetstat::testing {
namespace {

// Mid-ranks of the values of the rows where both columns are present, counted pair
// by pair: 1 + (smaller values) + (other equal values)/2; other rows MissingValue.
std::vector<double> MidRanks(const std::vector<double>& x, const std::vector<double>& other)
{
    std::vector<double> ranks(x.size(), kMissing);
    for (std::size_t k = 0; k < x.size(); ++k) {
        if (IsMissing(x[k]) || IsMissing(other[k])) continue;
        double rank = 1;
        for (std::size_t m = 0; m < x.size(); ++m) {
            if (m == k || IsMissing(x[m]) || IsMissing(other[m])) continue;
            rank += x[m] < x[k] ? 1.0 : x[m] == x[k] ? 0.5 : 0.0;
        }
        ranks[k] = rank;
    }
    return ranks;
}

TEST(Spearman, IsPearsonOfMidRanks)
{
    std::mt19937 generator(1904);
    std::uniform_int_distribution<int> value(0, 9);
    std::bernoulli_distribution missing(0.1);
    for (std::size_t cases : {5u, 23u, 200u}) {
        Columns a(2, std::vector<double>(cases)), b(2, std::vector<double>(cases));
        for (std::size_t k = 0; k < cases; ++k) {
            a[0][k] = missing(generator) ? kMissing : value(generator);
            a[1][k] = missing(generator) ? kMissing : 1e9 + value(generator) * 0.1;
            b[0][k] = missing(generator) ? kMissing : (IsMissing(a[0][k]) ? 0 : a[0][k]) + value(generator);
            b[1][k] = missing(generator) ? kMissing : -value(generator) * 1e-3;
        }
        MatrixCall call({1, 2}, {3, 4}, a, b);
        ASSERT_EQ(call.Spearman(), kOk);
        for (std::size_t i = 1; i <= 2; ++i) {
            for (std::size_t j = 1; j <= 2; ++j) {
                SCOPED_TRACE(::testing::Message() << cases << " cases, cell " << i << ", " << j);
                const std::vector<double> ra = MidRanks(a[i - 1], b[j - 1]), rb = MidRanks(b[j - 1], a[i - 1]);
                long double n = 0;
                const long double rho = ReferenceCorrelation(ra, rb, {&ra, &rb}, n);
                EXPECT_EQ(call.counts(i, j), static_cast<double>(n));
                if (n < 3) {
                    EXPECT_EQ(call.coefficients(i, j), 0);
                    EXPECT_MISSING(call.probabilities(i, j));
                    continue;
                }
                EXPECT_NEAR(call.coefficients(i, j), static_cast<double>(rho), 1e-13);
                const long double t = rho * std::sqrt((n - 2) / (1 - rho * rho));
                ExpectRelativelyNear(call.probabilities(i, j), ReferenceTTwoTailed(t, n - 2) / 2, kIterationTolerance);
            }
        }
    }
}

TEST(Spearman, DegeneratePairsAndTheDiagonal)
{
    // Against A = (1, 2, 3, 4): concordant without ties; two shared rows; B constant.
    MatrixCall call({1}, {2, 3, 4}, {{1, 2, 3, 4}}, {{10, 20, 30, 40}, {kMissing, 5, 1, kMissing}, {6, 6, 6, 6}});
    ASSERT_EQ(call.Spearman(), kOk);
    EXPECT_EQ(call.coefficients(1, 1), 1);
    EXPECT_EQ(call.probabilities(1, 1), 0);
    EXPECT_EQ(call.coefficients(1, 2), 0);
    EXPECT_EQ(call.counts(1, 2), 2);
    EXPECT_MISSING(call.probabilities(1, 2));
    EXPECT_EQ(call.coefficients(1, 3), 0);
    EXPECT_EQ(call.probabilities(1, 3), 0.5);

    // A list with itself: the diagonal is each variable with itself over its present
    // cells, the cells above it copies of those below.
    const Columns list = {{3, 1, kMissing, 2, 5}, {1, 1, 2, 7, kMissing}, {4, 3, 2, 1, 0}};
    MatrixCall same({1, 2, 3}, {1, 2, 3}, list, list);
    ASSERT_EQ(same.Spearman(), kOk);
    for (std::size_t j = 1; j <= 3; ++j) {
        EXPECT_EQ(same.coefficients(j, j), 1);
        EXPECT_EQ(same.probabilities(j, j), 0);
        EXPECT_EQ(same.counts(j, j), 4 + (j == 3));
        for (std::size_t i = 1; i < j; ++i) EXPECT_EQ(same.coefficients(i, j), same.coefficients(j, i));
    }
    EXPECT_NEAR(same.coefficients(1, 3), -0.4, 1e-15);  // ranks (3, 1, 2, 4) and (4, 3, 2, 1)
}

// Monotone data with ties of many sizes: rho is 1 or −1 up to rounding and never
// beyond, and its probability 0.
TEST(Spearman, MonotoneTiedDataStayWithinOne)
{
    std::mt19937 generator(7);
    std::uniform_int_distribution<int> value(0, 30);
    for (int trial = 0; trial < 300; ++trial) {
        const std::size_t cases = 3 + static_cast<std::size_t>(trial);
        std::vector<double> a(cases), b(cases), c(cases);
        for (std::size_t k = 0; k < cases; ++k) {
            a[k] = value(generator);
            b[k] = 0.1 * a[k] + 7;
            c[k] = -std::sqrt(a[k]);
        }
        MatrixCall call({1}, {2, 3}, {a}, {b, c});
        ASSERT_EQ(call.Spearman(), kOk);
        for (std::size_t j = 1; j <= 2; ++j) {
            const double rho = call.coefficients(1, j);
            if (rho == 0) continue;  // a constant column
            ASSERT_LE(std::fabs(rho), 1.0) << trial;
            ASSERT_GE(std::fabs(rho), 1 - 1e-14) << trial;
            ASSERT_LE(call.probabilities(1, j), 1e-6) << trial;
        }
    }
}

}  // namespace
}  // namespace sheetstat::testing
