// nkKendall: tau and its probability against S, N_A and N_B counted pair by pair with
// sign comparisons, on tied data with empty cells; the worked example; values whose
// differences' products would underflow or overflow; the degenerate pairs.
#include <cmath>
#include <random>
#include <vector>

#include "analyses/regression/correlation_matrix_call.hpp"

namespace sheetstat::testing {
namespace {

int Sign(double d)
{
    return (d > 0) - (d < 0);
}

// Checks cell (i, j) of a finished call against the brute-force pair loop over the
// rows where both a and b are present.
void ExpectBruteForceTau(MatrixCall& cell, std::size_t i, std::size_t j, const std::vector<double>& a,
                         const std::vector<double>& b)
{
    std::vector<std::size_t> rows;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (!IsMissing(a[k]) && !IsMissing(b[k])) rows.push_back(k);
    }
    long double s = 0, na = 0, nb = 0;
    for (std::size_t p = 0; p < rows.size(); ++p) {
        for (std::size_t q = p + 1; q < rows.size(); ++q) {
            const int sa = Sign(a[rows[p]] - a[rows[q]]), sb = Sign(b[rows[p]] - b[rows[q]]);
            s += sa * sb;
            na += sa != 0;
            nb += sb != 0;
        }
    }
    const auto n = static_cast<long double>(rows.size());
    EXPECT_EQ(cell.counts(i, j), static_cast<double>(n));
    if (na == 0 || nb == 0) return;
    const long double tau = s / std::sqrt(na * nb);
    EXPECT_NEAR(cell.coefficients(i, j), static_cast<double>(tau), 1e-14);
    const long double z = std::fabs(tau) / std::sqrt((4 * n + 10) / (9 * n * (n - 1)));
    const long double p = std::erfc(z / 1.4142136L) / 2;
    EXPECT_NEAR(cell.probabilities(i, j), static_cast<double>(p), 2e-7 * static_cast<double>(p) + 1e-300);
}

TEST(Kendall, MatchesThePairLoopOnTiedData)
{
    std::mt19937 generator(1938);
    std::uniform_int_distribution<int> value(0, 5);
    std::bernoulli_distribution missing(0.1);
    for (std::size_t cases : {2u, 9u, 60u, 301u}) {
        Columns a(2, std::vector<double>(cases)), b(1, std::vector<double>(cases));
        for (std::size_t k = 0; k < cases; ++k) {
            a[0][k] = missing(generator) ? kMissing : value(generator);
            a[1][k] = missing(generator) ? kMissing : -1e12 + value(generator) * 1e-3;
            b[0][k] = missing(generator) ? kMissing : value(generator) + (IsMissing(a[0][k]) ? 0 : a[0][k]);
        }
        MatrixCall call({1, 2}, {3}, a, b);
        ASSERT_EQ(call.Kendall(), kOk);
        SCOPED_TRACE(::testing::Message() << cases << " cases");
        ExpectBruteForceTau(call, 1, 1, a[0], b[0]);
        ExpectBruteForceTau(call, 2, 1, a[1], b[0]);
    }
}

TEST(Kendall, WorkedExampleAndExtremeMagnitudes)
{
    MatrixCall diagonal({1}, {2}, {{1, 2, 3}}, {{1, 2, 3}});
    ASSERT_EQ(diagonal.Kendall(), kOk);
    EXPECT_EQ(diagonal.coefficients(1, 1), 1);  // S = 3, N_A = N_B = 3
    EXPECT_NEAR(diagonal.probabilities(1, 1), std::erfc(std::sqrt(54.0 / 22) / 1.4142136) / 2, 2e-8);  // z² = 9n(n − 1)/(4n + 10)

    // Differences near 1e-200 multiply to 0, near 1e160 to infinity: compared by
    // sign they order the pairs as the plain values do.
    const std::vector<double> a = {3, 1, 4, 1, 5, 9, 2, 6}, b = {2, 7, 1, 8, 2, 8, 1, 8};
    MatrixCall plain({1}, {2}, {a}, {b});
    ASSERT_EQ(plain.Kendall(), kOk);
    for (double scale : {1e-200, 1e160}) {
        std::vector<double> as = a, bs = b;
        for (double& x : as) x *= scale;
        for (double& x : bs) x *= scale;
        MatrixCall scaled({1}, {2}, {as}, {bs});
        ASSERT_EQ(scaled.Kendall(), kOk) << scale;
        EXPECT_EQ(scaled.coefficients(1, 1), plain.coefficients(1, 1)) << scale;
        EXPECT_EQ(scaled.probabilities(1, 1), plain.probabilities(1, 1)) << scale;
    }
}

TEST(Kendall, DegeneratePairs)
{
    // Against A = (1, 2, 3): one shared row; none; B constant.
    MatrixCall call({1}, {2, 3, 4}, {{1, 2, 3}}, {{kMissing, 4, kMissing}, {kMissing, kMissing, kMissing}, {5, 5, 5}});
    ASSERT_EQ(call.Kendall(), kOk);
    for (std::size_t j = 1; j <= 2; ++j) {
        EXPECT_EQ(call.counts(1, j), 2 - j);
        EXPECT_EQ(call.coefficients(1, j), 0);
        EXPECT_MISSING(call.probabilities(1, j));
    }
    EXPECT_EQ(call.counts(1, 3), 3);
    EXPECT_EQ(call.coefficients(1, 3), 0);
    EXPECT_EQ(call.probabilities(1, 3), 0.5);
}

}  // namespace
}  // namespace sheetstat::testing
