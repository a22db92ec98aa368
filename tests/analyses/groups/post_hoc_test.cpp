// nkPostHoc: the step-down rule on a worked example, the critical differences of all
// eight procedures at small and large error df against quantiles found independently
// (quadrature in long double), each verdict against the definition of its procedure,
// equal means without error spread, and the homogeneous subsets of the O(k²) method
// against the direct search over all runs.
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "analyses/groups/homogeneous_subsets.hpp"
#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.0;

struct PostHocRun {
    int32_t status = -1;
    RealHostArray comparisons{1, 1, 1};
    RealHostArray subsets{1, 1, 1};
};

// Procedure `slot` (1..8) at level alpha with the error sum of squares ss; the subsets
// array has k + 2 rows, every cell kUntouched.
PostHocRun RunPostHoc(std::size_t slot, double alpha, double ss, const std::vector<double>& counts,
                      const std::vector<double>& means)
{
    const std::size_t k = counts.size();
    std::vector<double> options(10, 0);
    options[slot - 1] = 1;
    options[8] = alpha;
    options[9] = ss;
    RealHostArray opts = RealHostArray::FromValues(options), levelStats(2, k, 1);
    for (std::size_t g = 1; g <= k; ++g) {
        levelStats(1, g) = counts[g - 1];
        levelStats(2, g) = means[g - 1];
    }
    PostHocRun run;
    run.comparisons = RealHostArray(k, k, 1);
    run.subsets = RealHostArray::FromColumns(std::vector<std::vector<double>>(k, std::vector<double>(k + 2, kUntouched)));
    run.status = nkPostHoc(opts.ref(), levelStats.ref(), run.comparisons.ref(), run.subsets.ref());
    return run;
}

// The subset rows written, as (first, last) positions counted from 0.
std::vector<std::pair<std::size_t, std::size_t>> SubsetRuns(PostHocRun& run, std::size_t k)
{
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t row = 2; row <= k + 2 && run.subsets(row, 1) != kUntouched; ++row) {
        std::size_t first = k, last = 0;
        for (std::size_t i = 1; i <= k; ++i) {
            if (run.subsets(row, i) == 1.0) {
                first = std::min(first, i - 1);
                last = i - 1;
            } else {
                EXPECT_EQ(run.subsets(row, i), 0.0);
            }
        }
        runs.emplace_back(first, last);
    }
    return runs;
}

// Three groups of 5, error mean square 1 on 12 df, means 0, 1.40 and 1.50 (given out of
// order). Student-Newman-Keuls: the range of all three (1.50) falls short of its
// critical difference q(0.05; 3, 12)·√0.2 = 1.687, so no narrower range may be declared
// different, although 1.40 reaches q(0.05; 2, 12)·√0.2 = 1.378. Fisher's LSD, a single
// step, declares both pairs with the smallest mean different.
TEST(PostHoc, StepDownClosureOnAWorkedExample)
{
    const std::vector<double> counts = {5, 5, 5}, means = {1.5, 0, 1.4};
    PostHocRun snk = RunPostHoc(6, 0.05, 12, counts, means);
    ASSERT_EQ(snk.status, kOk);
    for (std::size_t i = 1; i <= 3; ++i) EXPECT_EQ(snk.subsets(1, i), std::vector<double>({1, 2, 0})[i - 1]);
    EXPECT_NEAR(snk.comparisons(1, 3), 1.687, 1e-3);
    EXPECT_NEAR(snk.comparisons(1, 2), 1.378, 1e-3);
    for (std::size_t i = 1; i <= 3; ++i) {
        for (std::size_t j = 1; j <= i; ++j) EXPECT_EQ(snk.comparisons(i, j), 0.0) << i << "," << j;
    }
    EXPECT_EQ(SubsetRuns(snk, 3), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 2}}));
    for (std::size_t i = 1; i <= 3; ++i) EXPECT_EQ(snk.subsets(3, i), kUntouched);

    PostHocRun lsd = RunPostHoc(1, 0.05, 12, counts, means);
    ASSERT_EQ(lsd.status, kOk);
    EXPECT_TRUE(lsd.comparisons(2, 1) == 1 && lsd.comparisons(3, 1) == 1 && lsd.comparisons(3, 2) == 0);
    EXPECT_EQ(SubsetRuns(lsd, 3), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 0}, {1, 2}}));
}

// Without error spread every critical difference is 0: groups with different means
// differ, groups with equal means do not.
TEST(PostHoc, EqualMeansWithoutErrorSpreadAreNotDifferent)
{
    PostHocRun run = RunPostHoc(4, 0.05, 0, {3, 3, 3}, {2, 1, 1});
    ASSERT_EQ(run.status, kOk);
    EXPECT_TRUE(run.comparisons(1, 2) == 0 && run.comparisons(2, 1) == 0);
    EXPECT_TRUE(run.comparisons(3, 1) == 1 && run.comparisons(3, 2) == 1);
    EXPECT_EQ(SubsetRuns(run, 3), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 1}, {2, 2}}));
}

// ---- Critical differences against independent quantiles ----

Real TQuantileReference(Real p, Real df)
{
    return ReferenceQuantile([df](Real t) { return ReferenceTTwoTailed(t, df); }, p, 10);
}

Real RangeQuantileReference(Real p, int means, Real df)
{
    return ReferenceQuantile([means, df](Real q) { return ReferenceRangeUpper(q, means, df); }, p, 8);
}

// c_p of procedure `slot` for the spans p = 2..k, at [p].
std::vector<Real> ReferenceCriticalValues(std::size_t slot, Real alpha, int k, Real df)
{
    std::vector<Real> c(static_cast<std::size_t>(k) + 1, 0);
    const Real m = k * (k - 1) / 2;
    for (int p = 2; p <= k; ++p) {
        Real value = 0;
        switch (slot) {
        case 1: value = std::numbers::sqrt2_v<Real> * TQuantileReference(alpha, df); break;
        case 2: value = std::numbers::sqrt2_v<Real> * TQuantileReference(alpha / m, df); break;
        case 3:
            value = std::sqrt(2 * (k - 1) *
                              ReferenceQuantile([k, df](Real f) { return ReferenceFUpper(f, k - 1, df); }, alpha, 100));
            break;
        case 4: value = RangeQuantileReference(alpha, k, df); break;
        case 5: value = (RangeQuantileReference(alpha, k, df) + RangeQuantileReference(alpha, p, df)) / 2; break;
        case 6: value = RangeQuantileReference(alpha, p, df); break;
        case 7: value = RangeQuantileReference(1 - std::pow(1 - alpha, Real(p - 1)), p, df); break;
        default: value = RangeQuantileReference(1 - std::pow(1 - alpha, Real(p) / k), p, df); break;
        }
        c[static_cast<std::size_t>(p)] = value;
    }
    return c;
}

// Counts that differ between groups (the harmonic mean of each pair enters), means in
// scrambled order; at 5 error df (small, where the range distribution has to be
// integrated) and at 290 (large). Each verdict is checked against the definition: the
// difference reaches the critical difference, and for the step-down procedures so does
// every range that contains the pair.
TEST(PostHoc, CriticalDifferencesOfEveryProcedureMatchIndependentQuantiles)
{
    struct Case {
        std::vector<double> counts, means;
        double ss;
    };
    const std::vector<Case> cases = {{{2, 3, 2, 1, 2}, {4.0, 0.5, 2.5, 3.1, 0.0}, 1.2},
                                     {{40, 50, 45, 60, 55, 46}, {1.0, 0.2, 0.75, 0.0, 1.1, 0.35}, 290 * 1.0}};
    for (const Case& c : cases) {
        const int k = static_cast<int>(c.counts.size());
        double N = 0;
        for (const double n : c.counts) N += n;
        const double df = N - k, mse = c.ss / df;
        for (std::size_t slot = 1; slot <= 8; ++slot) {
            SCOPED_TRACE(::testing::Message() << "procedure " << slot << ", df " << df);
            PostHocRun run = RunPostHoc(slot, 0.05, c.ss, c.counts, c.means);
            ASSERT_EQ(run.status, kOk);
            const std::vector<Real> critical = ReferenceCriticalValues(slot, 0.05L, k, df);
            std::vector<double> n(static_cast<std::size_t>(k)), mean(static_cast<std::size_t>(k));
            for (std::size_t i = 0; i < n.size(); ++i) {
                const auto g = static_cast<std::size_t>(run.subsets(1, i + 1));
                n[i] = c.counts[g];
                mean[i] = c.means[g];
                if (i > 0) {
                    EXPECT_LE(mean[i - 1], mean[i]);
                }
            }
            // reaches[i][j]: the difference of positions i < j reaches its critical difference.
            std::vector<std::vector<bool>> reaches(n.size(), std::vector<bool>(n.size(), false));
            for (std::size_t i = 0; i < n.size(); ++i) {
                for (std::size_t j = i + 1; j < n.size(); ++j) {
                    const Real D = critical[j - i + 1] * std::sqrt(mse / 2 * (1 / n[i] + 1 / n[j]));
                    const double computed = run.comparisons(i + 1, j + 1);
                    EXPECT_NEAR(computed / static_cast<double>(D), 1.0, 1e-3) << i << "," << j;
                    reaches[i][j] = mean[j] - mean[i] >= computed;
                }
            }
            for (std::size_t i = 0; i < n.size(); ++i) {
                for (std::size_t j = i + 1; j < n.size(); ++j) {
                    bool different = reaches[i][j];
                    for (std::size_t wi = 0; slot >= 5 && wi <= i; ++wi) {
                        for (std::size_t wj = j; wj < n.size(); ++wj) different = different && reaches[wi][wj];
                    }
                    EXPECT_EQ(run.comparisons(j + 1, i + 1), different ? 1.0 : 0.0) << i << "," << j;
                }
            }
        }
    }
}

// ---- Homogeneous subsets ----

// Every run of positions from the widest down; a run without a significant pair that no
// kept run contains is kept, the kept runs ordered by their first position.
std::vector<std::pair<std::size_t, std::size_t>> SubsetsByTryingEveryRun(const std::vector<std::vector<int>>& flag)
{
    const std::size_t k = flag.size();
    std::vector<std::pair<std::size_t, std::size_t>> kept;
    for (std::size_t w = k; w-- > 0;) {
        for (std::size_t i = 0; i + w < k; ++i) {
            bool homogeneous = true;
            for (std::size_t r = i; r <= i + w; ++r) {
                for (std::size_t c = r + 1; c <= i + w; ++c) homogeneous = homogeneous && flag[r][c] == 0;
            }
            if (!homogeneous) continue;
            bool contained = false;
            for (const auto& [first, last] : kept) contained = contained || (first <= i && i + w <= last);
            if (contained) continue;
            auto at = kept.begin();
            while (at != kept.end() && at->first <= i) ++at;
            kept.insert(at, {i, i + w});
        }
    }
    return kept;
}

TEST(HomogeneousSubsets, TheFastMethodFindsTheRunsOfTheDirectSearch)
{
    std::mt19937 generator(31);
    std::uniform_real_distribution<double> uniform(0, 1);
    for (int trial = 0; trial < 3000; ++trial) {
        const std::size_t k = 1 + static_cast<std::size_t>(trial % 14);
        const double density = uniform(generator);
        std::vector<std::vector<int>> flag(k, std::vector<int>(k, 0));
        IntMatrix significant(0, k, 0, k);
        significant.Fill(0);
        for (std::size_t r = 0; r < k; ++r) {
            for (std::size_t c = r + 1; c < k; ++c) {
                flag[r][c] = uniform(generator) < density ? 1 : 0;
                significant(static_cast<std::ptrdiff_t>(r), static_cast<std::ptrdiff_t>(c)) = flag[r][c];
            }
        }
        OffsetVector<HomogeneousSubset> subsets(0, k);
        const std::size_t count = FindHomogeneousSubsets(significant, subsets);
        std::vector<std::pair<std::size_t, std::size_t>> fast;
        for (std::size_t s = 0; s < count; ++s) {
            fast.emplace_back(subsets[static_cast<std::ptrdiff_t>(s)].first, subsets[static_cast<std::ptrdiff_t>(s)].last);
        }
        ASSERT_EQ(fast, SubsetsByTryingEveryRun(flag)) << "trial " << trial;
    }
}

}  // namespace
}  // namespace sheetstat::testing
