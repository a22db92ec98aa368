// Post-hoc comparisons of all pairs of k group means after a one-factor analysis of
// variance, by one of eight procedures (Hochberg and Tamhane, Multiple Comparison
// Procedures, 1987; Kirk, Experimental Design, 1995, ch. 4).
//
// With the groups in ascending order of their means, MS_E the error mean square on
// df = N − k, and p the span of a pair (the number of ordered means from the smaller to
// the larger, both included), the pair (i, j) differs significantly when
//   |ȳ_i − ȳ_j| ≥ D_ij = c_p · √(MS_E/2 · (1/n_i + 1/n_j)),
// c_p the critical value of the procedure, t quantiles two-tailed and F and range
// quantiles upper-tailed at the level shown:
//   1 Fisher's least significant difference   √2 · t(α; df)
//   2 Bonferroni                              √2 · t(α/m; df), m = k(k − 1)/2
//   3 Scheffé                                 √(2(k − 1) · F(α; k − 1, df))
//   4 Tukey's honestly significant difference q(α; k, df)
//   5 Tukey's b                               (q(α; k, df) + q(α; p, df))/2
//   6 Student-Newman-Keuls                    q(α; p, df)
//   7 Duncan's multiple range test            q(1 − (1 − α)^(p−1); p, df)
//   8 Ryan-Einot-Gabriel-Welsch range test    q(1 − (1 − α)^(p/k); p, df)
// (unequal counts by the harmonic mean of the pair, as Tukey and Kramer do). Procedures
// 5 to 8 step down: a pair is declared different only if its own difference reaches
// D_ij and every wider range that contains it was declared different, the ranges taken
// from the widest down. Equal means are never declared different (with MS_E = 0 every
// D is 0).
//
// The homogeneous subsets (homogeneous_subsets.hpp) are the maximal runs of adjacent
// means without a significant pair.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

#include "analyses/groups/homogeneous_subsets.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/status.hpp"
#include "frame/work_storage.hpp"
#include "numeric/distributions.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kOptionSlots = 10;
constexpr std::size_t kProcedures = 8;
constexpr std::size_t kLargestRange = 20;  // the studentized range is available for 2 to 20 means

enum class Procedure : int {
    LeastSignificantDifference = 1,
    Bonferroni,
    Scheffe,
    TukeyHsd,
    TukeyB,
    StudentNewmanKeuls,
    Duncan,
    RyanEinotGabrielWelsch,
};

bool UsesRange(Procedure procedure) noexcept
{
    return procedure >= Procedure::TukeyHsd;
}

bool StepsDown(Procedure procedure) noexcept
{
    return procedure >= Procedure::TukeyB;
}

std::ptrdiff_t At(std::size_t i) noexcept
{
    return static_cast<std::ptrdiff_t>(i);
}

// c_p for the spans p = 2..k, into c[2..k].
void CriticalValues(Procedure procedure, double alpha, std::size_t k, double df, RealVector& c)
{
    const double groups = static_cast<double>(k);
    // The tables of the range distribution take whole degrees of freedom; beyond 2^32 − 1
    // the distribution is its limit to far below the tolerance of the quantiles.
    const uint32_t rangeDf = df < 4294967295.0 ? static_cast<uint32_t>(df) : UINT32_MAX;
    const auto range = [rangeDf](double level, std::size_t means) {
        return RangeQuantile(level, static_cast<uint32_t>(means), rangeDf);
    };
    // 1 − (1 − α)^e, without cancellation for small α.
    const auto familyLevel = [alpha](double e) { return -std::expm1(e * std::log1p(-alpha)); };
    double common = 0;
    switch (procedure) {
    case Procedure::LeastSignificantDifference:
        common = std::numbers::sqrt2 * TQuantile(alpha, df);
        break;
    case Procedure::Bonferroni:
        common = std::numbers::sqrt2 * TQuantile(alpha / (groups * (groups - 1) / 2), df);
        break;
    case Procedure::Scheffe: {
        const double F = FQuantile(alpha, groups - 1, df);
        common = F < 0 ? -1.0 : std::sqrt(2 * (groups - 1) * F);
        break;
    }
    case Procedure::TukeyHsd:
    case Procedure::TukeyB:
        common = range(alpha, k);
        break;
    default:
        break;
    }
    for (std::size_t p = 2; p <= k; ++p) {
        const double span = static_cast<double>(p);
        double value = common;
        if (procedure == Procedure::TukeyB) value = (common + range(alpha, p)) / 2;
        if (procedure == Procedure::StudentNewmanKeuls) value = range(alpha, p);
        if (procedure == Procedure::Duncan) value = range(familyLevel(span - 1), p);
        if (procedure == Procedure::RyanEinotGabrielWelsch) value = range(familyLevel(span / groups), p);
        // A quantile is −1 only for a level that has underflowed to 0.
        Require(value >= 0, Status::NumericalFailure);
        c[At(p)] = value;
    }
}

void PostHoc(HostArray** options, HostArray** levelStats, HostArray** comparisons, HostArray** subsets)
{
    const RealArrayView opts(options);
    const RealMatrixView stats(levelStats), table(comparisons), groups(subsets);
    Require(opts.count() >= kOptionSlots && stats.rows() >= 2);
    int selected = 0;
    for (std::size_t slot = 1; slot <= kProcedures; ++slot) {
        if (TruncateCode(opts[slot]) != 0 && selected == 0) selected = static_cast<int>(slot);
    }
    const double alpha = opts[9], errorSumSquares = opts[10];
    Require(selected != 0 && alpha > 0 && alpha < 1 && std::isfinite(errorSumSquares) && errorSumSquares >= 0);
    const auto procedure = static_cast<Procedure>(selected);
    const std::size_t k = groups.cols();
    Require(stats.cols() == k && table.rows() == k && table.cols() == k && groups.rows() >= 1);
    Require(k >= 2, Status::InsufficientData);
    Require(!UsesRange(procedure) || k <= kLargestRange);

    RealVector mean(0, k);
    IntVector count(0, k), number(0, k);
    for (std::size_t g = 0; g < k; ++g) {
        count[At(g)] = TruncateCode(stats(1, g + 1));
        mean[At(g)] = stats(2, g + 1);
        RequireFinite(mean[At(g)]);
        number[At(g)] = static_cast<int32_t>(g);
    }
    double N = 0;
    for (std::size_t g = 0; g < k; ++g) {
        Require(count[At(g)] >= 1, Status::InsufficientData);
        N += count[At(g)];
    }
    const double df = N - static_cast<double>(k);
    Require(df >= 1, Status::InsufficientData);
    SortRealsWithTwoInts(k, mean.data(), count.data(), number.data());

    RealVector c(2, k - 1);
    CriticalValues(procedure, alpha, k, df, c);
    const double s = std::sqrt(errorSumSquares / df / 2);
    const auto criticalDifference = [&](std::size_t i, std::size_t j) {
        return s * c[At(j - i + 1)] * std::sqrt(1.0 / count[At(i)] + 1.0 / count[At(j)]);
    };

    // Spans from the widest down, so that a step-down procedure finds the verdicts of
    // the two ranges one wider, [i − 1, j] and [i, j + 1], already made.
    IntMatrix significant(0, k, 0, k);
    for (std::size_t width = k - 1; width >= 1; --width) {
        for (std::size_t i = 0; i + width < k; ++i) {
            const std::size_t j = i + width;
            const double difference = mean[At(j)] - mean[At(i)];
            bool different = difference >= criticalDifference(i, j) && difference > 0;
            if (StepsDown(procedure)) {
                different = different && (i == 0 || significant(At(i - 1), At(j)) != 0) &&
                            (j == k - 1 || significant(At(i), At(j + 1)) != 0);
            }
            significant(At(i), At(j)) = different ? 1 : 0;
        }
    }
    OffsetVector<HomogeneousSubset> subset(0, k);
    const std::size_t subsetCount = FindHomogeneousSubsets(significant, subset);
    Require(groups.rows() >= 1 + subsetCount);

    for (std::size_t i = 0; i < k; ++i) {
        table(i + 1, i + 1) = 0.0;
        for (std::size_t j = i + 1; j < k; ++j) {
            table(i + 1, j + 1) = criticalDifference(i, j);
            table(j + 1, i + 1) = significant(At(i), At(j)) != 0 ? 1.0 : 0.0;
        }
        groups(1, i + 1) = number[At(i)];
    }
    for (std::size_t row = 0; row < subsetCount; ++row) {
        for (std::size_t i = 0; i < k; ++i) {
            const bool member = i >= subset[At(row)].first && i <= subset[At(row)].last;
            groups(row + 2, i + 1) = member ? 1.0 : 0.0;
        }
    }
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkPostHoc(HostArray** options, HostArray** levelStats,
                                                          HostArray** comparisons, HostArray** subsets)
{
    return sheetstat::RunExport([&] { sheetstat::PostHoc(options, levelStats, comparisons, subsets); });
}
