// nkFriedman: the worked example, ties within a block, incomplete blocks, and χ²
// against ranks counted by brute force in long double.
#include <cmath>
#include <random>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

// Runs nkFriedman on `columns` (one treatment per column), then checks it against ranks
// within each complete block counted by brute force (1 + smaller values + half the
// other equal ones) and χ² = 12/(nk(k + 1))·Σ R_j² − 3n(k + 1) in long double.
RealHostArray RunAndCheck(const std::vector<std::vector<double>>& columns)
{
    const std::size_t k = columns.size();
    RealHostArray data = RealHostArray::FromColumns(columns), groupStats(2, k, 1), results(3);
    EXPECT_EQ(nkFriedman(data.ref(), groupStats.ref(), results.ref()), kOk);
    std::vector<long double> R(k, 0);
    long double n = 0, sumSquares = 0;
    for (std::size_t i = 0; i < columns[0].size(); ++i) {
        bool complete = true;
        for (const auto& column : columns) complete = complete && !IsMissing(column[i]);
        if (!complete) continue;
        n += 1;
        for (std::size_t j = 0; j < k; ++j) {
            R[j] += 1;
            for (std::size_t m = 0; m < k; ++m) {
                if (m != j) R[j] += columns[m][i] < columns[j][i] ? 1.0L : columns[m][i] == columns[j][i] ? 0.5L : 0.0L;
            }
        }
    }
    const auto kl = static_cast<long double>(k);
    for (std::size_t j = 0; j < k; ++j) {
        sumSquares += R[j] * R[j];
        EXPECT_EQ(groupStats(1, j + 1), static_cast<double>(n));
        EXPECT_NEAR(groupStats(2, j + 1), static_cast<double>(R[j] / n), 1e-15 * static_cast<double>(kl));
    }
    const long double chiSquare = 12 / (n * kl * (kl + 1)) * sumSquares - 3 * n * (kl + 1);
    EXPECT_NEAR(results[1], static_cast<double>(chiSquare), 1e-12 * static_cast<double>(chiSquare + 1));
    EXPECT_EQ(results[2], static_cast<double>(k - 1));
    const Real p = chiSquare == 0 ? 1 : ReferenceGammaQ((kl - 1) / 2, chiSquare / 2);
    EXPECT_NEAR(results[3], static_cast<double>(p), kIterationTolerance * static_cast<double>(p) + 1e-15);
    return groupStats;
}

TEST(Friedman, WorkedExamplesAndTies)
{
    // Three blocks ranking the treatments 1, 2, 3: χ² = 12/36·(9 + 36 + 81) − 36 = 6.
    RunAndCheck({{1, 10, -3}, {2, 20, -2}, {3, 30, -1}});
    // Two treatments tied lowest in a block share rank 1.5; incomplete blocks leave.
    RealHostArray ties = RunAndCheck({{1, 5, kMissing, 2}, {1, 4, 9, 2}, {2, 6, 9, 2}});
    EXPECT_EQ(ties(2, 1), (1.5 + 2 + 2) / 3);
    EXPECT_EQ(ties(2, 2), (1.5 + 1 + 2) / 3);
    // Every block entirely tied: χ² = 0, probability 1.
    RunAndCheck({{1, 2}, {1, 2}, {1, 2}});
}

TEST(Friedman, MatchesBruteForceRanks)
{
    std::mt19937 generator(1937);
    std::uniform_int_distribution<int> value(0, 6), size(2, 8);
    std::bernoulli_distribution missing(0.05);
    for (int trial = 0; trial < 25; ++trial) {
        std::vector<std::vector<double>> columns(static_cast<std::size_t>(size(generator)),
                                                 std::vector<double>(static_cast<std::size_t>(size(generator) * 5)));
        for (auto& column : columns) {
            for (double& x : column) x = missing(generator) ? kMissing : value(generator) + 1e9;
        }
        SCOPED_TRACE(::testing::Message() << "trial " << trial);
        RunAndCheck(columns);
    }
}

}  // namespace
}  // namespace sheetstat::testing
