// nkPartial: the partial correlation against its definition, the correlation of the
// residuals of A and B on the control over the cases where all three are present, in
// long double; the count and degrees of freedom n − 3; a control that explains a
// variable exactly.
#include <cmath>
#include <random>
#include <vector>

#include "analyses/regression/correlation_matrix_call.hpp"
#include "analyses/regression/regression_reference.hpp"
#include "numeric/reference_integrals.hpp"

namespace sheetstat::testing {
namespace {

// The residuals of y on z by least squares (Householder QR in long double) over the
// rows where every one of `required` is present; the others MissingValue.
std::vector<double> Residuals(const std::vector<double>& y, const std::vector<double>& z,
                              const std::vector<const std::vector<double>*>& required)
{
    std::vector<std::size_t> rows;
    for (std::size_t k = 0; k < y.size(); ++k) {
        bool used = true;
        for (const auto* column : required) used = used && !IsMissing((*column)[k]);
        if (used) rows.push_back(k);
    }
    const auto m = static_cast<Eigen::Index>(rows.size());
    MatrixXl design(m, 2);
    VectorXl response(m);
    for (Eigen::Index r = 0; r < m; ++r) {
        design.row(r) << 1, z[rows[static_cast<std::size_t>(r)]];
        response(r) = y[rows[static_cast<std::size_t>(r)]];
    }
    const VectorXl residual = response - design * design.colPivHouseholderQr().solve(response);
    std::vector<double> residuals(y.size(), kMissing);
    for (Eigen::Index r = 0; r < m; ++r) residuals[rows[static_cast<std::size_t>(r)]] = static_cast<double>(residual(r));
    return residuals;
}

// Random lists with empty cells in A, B and the control, some columns present
// wherever the control is (whose control correlations are computed once) and some not.
TEST(Partial, MatchesTheCorrelationOfResiduals)
{
    std::mt19937 generator(1896);
    std::normal_distribution<double> normal;
    std::bernoulli_distribution missing(0.12);
    const std::size_t cases = 40;
    for (int trial = 0; trial < 6; ++trial) {
        std::vector<double> z(cases);
        for (double& v : z) v = missing(generator) ? kMissing : normal(generator);
        Columns a(3, std::vector<double>(cases)), b(2, std::vector<double>(cases));
        for (Columns* columns : {&a, &b}) {
            for (std::size_t c = 0; c < columns->size(); ++c) {
                for (std::size_t k = 0; k < cases; ++k) {
                    const double zk = IsMissing(z[k]) ? 0 : z[k];
                    // Column 0 of each list is present wherever the control is.
                    const bool empty = missing(generator) && (c > 0 || IsMissing(z[k]));
                    (*columns)[c][k] = empty ? kMissing : 100 + 0.7 * zk + normal(generator);
                }
            }
        }
        MatrixCall call({1, 2, 3}, {4, 5}, a, b, z);
        ASSERT_EQ(call.Partial(), kOk);
        for (std::size_t i = 1; i <= 3; ++i) {
            for (std::size_t j = 1; j <= 2; ++j) {
                SCOPED_TRACE(::testing::Message() << "trial " << trial << " cell " << i << ", " << j);
                const std::vector<const std::vector<double>*> all = {&a[i - 1], &b[j - 1], &z};
                const std::vector<double> ra = Residuals(a[i - 1], z, all), rb = Residuals(b[j - 1], z, all);
                long double n = 0;
                const long double r = ReferenceCorrelation(ra, rb, {&ra, &rb}, n);
                EXPECT_EQ(call.counts(i, j), static_cast<double>(n));
                EXPECT_NEAR(call.coefficients(i, j), static_cast<double>(r), 1e-13);
                const long double t = r * std::sqrt((n - 3) / (1 - r * r));
                ExpectRelativelyNear(call.probabilities(i, j), ReferenceTTwoTailed(t, n - 3) / 2, kIterationTolerance);
            }
        }
    }
}

TEST(Partial, FewCasesAndAnExactControl)
{
    // Three complete cases leave no degree of freedom; the fifth case lacks its control.
    MatrixCall few({1}, {2}, {{1, 2, 3, 5, 4}}, {{2, 1, 4, 3, 9}}, {1, 3, 2, kMissing, 5});
    ASSERT_EQ(few.Partial(), kOk);
    EXPECT_EQ(few.counts(1, 1), 4);
    EXPECT_NE(few.probabilities(1, 1), kMissing);
    MatrixCall three({1}, {2}, {{1, 2, 3, 5, 4}}, {{2, 1, 4, 3, kMissing}}, {1, 3, 2, kMissing, 5});
    ASSERT_EQ(three.Partial(), kOk);
    EXPECT_EQ(three.counts(1, 1), 3);
    EXPECT_MISSING(three.probabilities(1, 1));

    // A = 2Z + 1: nothing of A is left once Z is held constant; the undivided numerator
    // r_AB − r_AZ·r_BZ (zero up to rounding) is reported.
    const std::vector<double> z = {1, 4, 2, 8, 5, 7};
    MatrixCall exact({1}, {2}, {{3, 9, 5, 17, 11, 15}}, {{2, 1, 4, 3, 6, 5}}, z);
    ASSERT_EQ(exact.Partial(), kOk);
    EXPECT_NEAR(exact.coefficients(1, 1), 0, 1e-15);
    EXPECT_NEAR(exact.probabilities(1, 1), 0.5, 1e-6);
}

}  // namespace
}  // namespace sheetstat::testing
