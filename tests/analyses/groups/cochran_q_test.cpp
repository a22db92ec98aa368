// nkQTest: the worked example, subjects answering all alike, truncated and other
// responses, and Q against its deviation form in long double.
#include <cmath>
#include <random>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// Runs nkQTest and checks it against Q = k(k − 1)·Σ_j (G_j − Ḡ)²/(kΣL_i − ΣL_i²) over
// the complete rows of truncated cells (0 when the denominator is), in long double.
std::vector<double> RunAndCheck(const std::vector<std::vector<double>>& columns)
{
    RealHostArray data = RealHostArray::FromColumns(columns), results(3);
    EXPECT_EQ(nkQTest(data.ref(), results.ref()), kOk);
    const std::size_t k = columns.size();
    const auto kl = static_cast<long double>(k);
    std::vector<long double> G(k, 0);
    long double sumL = 0, sumLSquared = 0, meanG = 0, deviations = 0;
    for (std::size_t i = 0; i < columns[0].size(); ++i) {
        bool complete = true;
        for (const auto& column : columns) complete = complete && !IsMissing(column[i]);
        if (!complete) continue;
        long double L = 0;
        for (std::size_t j = 0; j < k; ++j) {
            G[j] += std::trunc(columns[j][i]);
            L += std::trunc(columns[j][i]);
        }
        sumL += L;
        sumLSquared += L * L;
    }
    for (const long double g : G) meanG += g / kl;
    for (const long double g : G) deviations += (g - meanG) * (g - meanG);
    const long double denominator = kl * sumL - sumLSquared;
    const long double Q = denominator == 0 ? 0 : kl * (kl - 1) * deviations / denominator;
    EXPECT_NEAR(results[1], static_cast<double>(Q), 1e-13 * std::fabs(static_cast<double>(Q)) + 1e-15);
    EXPECT_EQ(results[2], static_cast<double>(k - 1));
    const Real p = Q <= 0 ? 1 : ReferenceGammaQ((kl - 1) / 2, Q / 2);
    EXPECT_NEAR(results[3], static_cast<double>(p), kIterationTolerance * static_cast<double>(p) + 1e-15);
    return results.Slots();
}

TEST(QTest, WorkedExampleAndDegenerateRows)
{
    // Rows (1, 1, 0), (1, 0, 0), (1, 1, 0), (1, 0, 0): G = 4, 2, 0 and L = 2, 1, 2, 1,
    // so Q = 2·(3·20 − 36)/(3·6 − 10) = 6 on 2 df.
    EXPECT_EQ(RunAndCheck({{1, 1, 1, 1}, {1, 0, 1, 0}, {0, 0, 0, 0}})[0], 6);
    // Incomplete rows are skipped; cells truncate (0.9 is 0, 1.7 is 1).
    EXPECT_EQ(RunAndCheck({{1, 1.7, 1, kMissing, 1, 0}, {1, 0.9, 1, 1, 0, kMissing}, {0, 0, 0.2, 1, 0, 1}})[0], 6);
    // Every subject answering all treatments alike: Q = 0, probability 1.
    EXPECT_EQ(RunAndCheck({{1, 0, 1}, {1, 0, 1}})[0], 0);
    // Responses other than 0 and 1 are used as they are; this Q < 0 has probability 1.
    EXPECT_LT(RunAndCheck({{3, 0}, {0, 3}, {3, 3}})[0], 0);
}

TEST(QTest, MatchesDeviationForm)
{
    std::mt19937 generator(1950);
    std::uniform_int_distribution<int> size(2, 7);
    std::bernoulli_distribution response(0.4), missing(0.05);
    for (int trial = 0; trial < 25; ++trial) {
        std::vector<std::vector<double>> columns(static_cast<std::size_t>(size(generator)),
                                                 std::vector<double>(static_cast<std::size_t>(size(generator) * 6)));
        for (auto& column : columns) {
            for (double& x : column) x = missing(generator) ? kMissing : response(generator);
        }
        SCOPED_TRACE(::testing::Message() << "trial " << trial);
        RunAndCheck(columns);
    }
}

// No rows under 2^28 columns hold no cell: status 3 before any storage is sized by
// the column count (2 GB of treatment totals were once allocated first).
TEST(QTest, NoRowsCostNothingWhateverTheColumnCount)
{
    RealHostArray data(0, 0, 1), results(3);
    data.descriptor().bounds[0].count = 1u << 28;
    sheetstatFailAllocationAfter(0);
    EXPECT_EQ(nkQTest(data.ref(), results.ref()), kInsufficientData);
    EXPECT_EQ(sheetstatFailAllocationAfter(-1), 0);
}

}  // namespace
}  // namespace sheetstat::testing
