#include "analyses/groups/additive_fit.hpp"

#include <cstddef>
#include <cstdint>

#include "frame/status.hpp"
#include "numeric/lu_decomposition.hpp"

namespace sheetstat {
namespace {

std::ptrdiff_t At(std::size_t i) noexcept
{
    return static_cast<std::ptrdiff_t>(i);
}

// The cell table seen with the absorbed factor as rows r = 0..R−1 and the solved
// factor as columns s = 0..S−1.
struct Orientation {
    const OffsetMatrix<RunningMoments>& cell;
    const OffsetVector<RunningMoments>& absorbed;
    bool transposed;

    std::size_t R() const noexcept { return absorbed.count(); }
    std::size_t S() const noexcept { return transposed ? cell.rows() : cell.cols(); }
    const RunningMoments& At(std::size_t r, std::size_t s) const noexcept
    {
        return transposed ? cell(static_cast<std::ptrdiff_t>(s), static_cast<std::ptrdiff_t>(r))
                          : cell(static_cast<std::ptrdiff_t>(r), static_cast<std::ptrdiff_t>(s));
    }
};

// The effects γ_1..γ_(S−1) of the solved factor (γ_S = 0) from the reduced normal
// equations, returned in gamma[1..S−1].
void SolveReducedEquations(const Orientation& t, RealVector& gamma)
{
    const std::size_t m = t.S() - 1;
    RealMatrix C(1, m, 1, m);
    C.Fill(0.0);
    gamma.Fill(0.0);
    for (std::size_t r = 0; r < t.R(); ++r) {
        const RunningMoments& level = t.absorbed[At(r)];
        for (std::size_t s = 1; s <= m; ++s) {
            const RunningMoments& c = t.At(r, s - 1);
            gamma[At(s)] += c.count * MeanDifference(c, level);
            C(At(s), At(s)) += c.count;
            const double share = c.count / level.count;
            for (std::size_t s2 = 1; s2 <= m; ++s2) C(At(s), At(s2)) -= share * t.At(r, s2 - 1).count;
        }
    }
    IntVector index(1, m);
    RealVector scale(1, m);
    double parity = 1;
    const auto order = static_cast<int32_t>(m);
    LuDecompose(C, order, index, parity, scale);
    LuBackSubstitute(C, order, index, gamma);
}

}  // namespace

SequentialSums SequentialSumsOfSquares(const OffsetMatrix<RunningMoments>& cell,
                                       const OffsetVector<RunningMoments>& levelA,
                                       const OffsetVector<RunningMoments>& levelB)
{
    const std::size_t a = cell.rows(), b = cell.cols();
    // Absorb the factor with more levels; the fewer unknowns are solved.
    const bool transposed = a < b;
    const Orientation t{cell, transposed ? levelB : levelA, transposed};
    RealVector gamma(1, t.S() - 1);
    SolveReducedEquations(t, gamma);
    const auto effect = [&gamma, &t](std::size_t s) { return s + 1 < t.S() ? gamma[At(s + 1)] : 0.0; };

    CompensatedSum bGivenA, interaction;
    for (std::size_t r = 0; r < t.R(); ++r) {
        const RunningMoments& level = t.absorbed[At(r)];
        double meanEffect = 0;
        for (std::size_t s = 0; s < t.S(); ++s) meanEffect += t.At(r, s).count * effect(s);
        meanEffect /= level.count;
        for (std::size_t s = 0; s < t.S(); ++s) {
            const RunningMoments& c = t.At(r, s);
            // ȳ_rs − ŷ_rs: the cell mean's deviation from its absorbed level, less the fitted one.
            const double residual = MeanDifference(c, level) - (effect(s) - meanEffect);
            interaction.Add(c.count * residual * residual);
            // ŷ_ij − ȳ_i·, with i the level of A of the cell.
            const double fitted = transposed ? MeanDifference(c, levelA[At(s)]) - residual : effect(s) - meanEffect;
            bGivenA.Add(c.count * fitted * fitted);
        }
    }
    return {bGivenA.Value(), interaction.Value()};
}

}  // namespace sheetstat
