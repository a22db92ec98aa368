// One- and two-factor analysis of variance from raw observations, with Bartlett's test
// of the homogeneity of the cell variances.
//
// One factor A with a levels: SS_A = Σ_i n_i (ȳ_i − ȳ)² on a − 1 degrees of freedom,
// tested against the within-level sum of squares on N − a.
//
// Two crossed factors A (a levels) and B (b levels), every cell occupied: sequential
// sums of squares (type I; Searle, Linear Models for Unbalanced Data, 1987, ch. 4),
// A first, then B adjusted for A, then A × B adjusted for both,
//   SS_A   = Σ_i n_i· (ȳ_i· − ȳ)²,
//   SS_B|A = Σ_ij n_ij (ŷ_ij − ȳ_i·)²,
//   SS_AB  = Σ_ij n_ij (ȳ_ij − ŷ_ij)²,
// where ŷ_ij are the cell means fitted by the additive model μ + α_i + β_j
// (additive_fit.hpp). The three add up to the between-cells sum of squares in every
// design and none can be negative; with balanced or proportional cell counts SS_B|A is
// the unadjusted Σ_j n_·j (ȳ_·j − ȳ)². With the interaction in the model every effect
// is tested against the within-cell sum of squares (N − ab df); the additive model
// pools A × B into the error (N − a − b + 1 df).
//
// Bartlett's test (Bartlett 1937; Snedecor and Cochran, Statistical Methods, 1989,
// sec. 13.10) compares the c cells (c = a with one factor, ab with two), S_i² the cell
// variances on n_i − 1 df and S_p² the pooled one on ν = N − c df:
//   B = Σ_i (n_i − 1) ln(S_p²/S_i²) / (1 + (Σ_i 1/(n_i − 1) − 1/ν)/(3(c − 1))),
// chi-square on c − 1 df. It is not defined when a cell has one observation or no
// spread.
//
// Every mean and sum of squares comes from two passes over the data about the cell
// means (the moments kernel); levels, columns and the whole sample are merged from the
// cells, and each deviation of one mean from another keeps the rounding error of both
// means. So the table stays right for data with a large common offset, an effect whose
// means are all equal has a sum of squares of exactly 0, and a cell whose values are
// all equal has a within-cell sum of squares of exactly 0.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "analyses/groups/additive_fit.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/status.hpp"
#include "frame/work_storage.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kOptionSlots = 4;
constexpr std::size_t kResultSlots = 25;

std::ptrdiff_t At(std::size_t i) noexcept
{
    return static_cast<std::ptrdiff_t>(i);
}

struct Design {
    bool byCodes = true;     // layout 0: one data column and a code row per observation
    bool twoFactor = false;  // options slot 3 above 1
    bool interaction = false;
    std::size_t a = 0;
    std::size_t b = 1;
};

// The observations of the call and their cells (i, j), levels counted from 0.
class Observations {
public:
    Observations(const Design& design, HostArray** data, HostArray** factorCodes)
        : data_(data), design_(design)
    {
        if (!design.byCodes) {
            Require(data_.cols() == design.a);
            return;
        }
        const RealMatrixView codes(factorCodes);
        Require(data_.cols() >= 1 && codes.cols() >= (design.twoFactor ? 2u : 1u) && codes.rows() >= data_.rows());
        codesA_ = codes.column(1);
        if (design.twoFactor) codesB_ = codes.column(2);
    }

    // The most observations the data can hold.
    double Capacity() const noexcept
    {
        return static_cast<double>(data_.rows()) * static_cast<double>(design_.byCodes ? 1 : data_.cols());
    }

    // Calls visit(x, i, j) for every observation used. A row of layout 0 whose value or
    // code is MissingValue is skipped; a code outside its levels (compared as a double,
    // before truncation) or a value that is not finite is status 8.
    template <class Visit>
    void ForEach(Visit&& visit) const
    {
        const std::size_t rows = data_.rows();
        if (!design_.byCodes) {
            for (std::size_t i = 0; i < design_.a; ++i) {
                const double* column = data_.column(i + 1);
                for (std::size_t r = 0; r < rows; ++r) {
                    const double x = column[r];
                    if (IsMissing(x)) continue;
                    RequireFinite(x);
                    visit(x, i, std::size_t{0});
                }
            }
            return;
        }
        const double* values = data_.column(1);
        for (std::size_t r = 0; r < rows; ++r) {
            const double x = values[r];
            if (IsMissing(x) || IsMissing(codesA_[r]) || (codesB_ != nullptr && IsMissing(codesB_[r]))) continue;
            RequireFinite(x);
            const std::size_t i = ClassIndex(codesA_[r], design_.a);
            const std::size_t j = codesB_ == nullptr ? 0 : ClassIndex(codesB_[r], design_.b);
            visit(x, i, j);
        }
    }

private:
    RealMatrixView data_;
    Design design_;
    const double* codesA_ = nullptr;
    const double* codesB_ = nullptr;
};

// The moments of every cell, by two passes over the observations.
void CellMoments(const Observations& observations, OffsetMatrix<RunningMoments>& cell)
{
    OffsetMatrix<MomentsAccumulator> accumulator(0, cell.rows(), 0, cell.cols());
    accumulator.Fill(MomentsAccumulator{});
    observations.ForEach([&](double x, std::size_t i, std::size_t j) { accumulator(At(i), At(j)).Add(x); });
    for (std::size_t i = 0; i < cell.rows(); ++i) {
        for (std::size_t j = 0; j < cell.cols(); ++j) accumulator(At(i), At(j)).EndFirstPass();
    }
    observations.ForEach([&](double x, std::size_t i, std::size_t j) { accumulator(At(i), At(j)).AddSecond(x); });
    for (std::size_t i = 0; i < cell.rows(); ++i) {
        for (std::size_t j = 0; j < cell.cols(); ++j) cell(At(i), At(j)) = accumulator(At(i), At(j)).Moments();
    }
}

// Bartlett's statistic over the cells, or MissingValue when a cell has one observation
// or no spread.
struct Bartlett {
    double statistic = kMissingValue;
    double df = kMissingValue;
    double probability = kMissingValue;
};

Bartlett BartlettTest(const OffsetMatrix<RunningMoments>& cell, double N, double withinSumSquares)
{
    double inverseDfs = 0;
    for (std::size_t i = 0; i < cell.rows(); ++i) {
        for (std::size_t j = 0; j < cell.cols(); ++j) {
            const RunningMoments& m = cell(At(i), At(j));
            if (m.count < 2 || m.sumSquares == 0) return {};
            inverseDfs += 1 / (m.count - 1);
        }
    }
    const double c = static_cast<double>(cell.rows() * cell.cols());
    const double nu = N - c;
    // Logs of quotients taken as differences of logs: no quotient of a tiny sum can underflow.
    const double logPooled = std::log(withinSumSquares) - std::log(nu);
    // Σ (n_i − 1)(ln S_p² − ln S_i²): each term is 0 for a variance equal to the pooled one.
    CompensatedSum numerator;
    for (std::size_t i = 0; i < cell.rows(); ++i) {
        for (std::size_t j = 0; j < cell.cols(); ++j) {
            const RunningMoments& m = cell(At(i), At(j));
            const double df = m.count - 1;
            numerator.Add(df * (logPooled - (std::log(m.sumSquares) - std::log(df))));
        }
    }
    const double correction = 1 + (inverseDfs - 1 / nu) / (3 * (c - 1));
    Bartlett test;
    // The log of the pooled variance (a weighted arithmetic mean of the S_i²) is at
    // least the weighted mean of their logs, so B ≥ 0; a rounding below 0 is 0.
    test.statistic = numerator.Value() > 0 ? numerator.Value() / correction : 0.0;
    test.df = c - 1;
    test.probability = ClampProbability(ChiSquareProb(test.statistic, test.df));
    return test;
}

struct Term {
    double sumSquares = 0;
    double df = 0;
    double MeanSquare() const noexcept { return sumSquares / df; }
};

// Slots of an effect (1 = A, 2 = B, 3 = A × B): SS, df, MS, F, probability. Against an
// error without spread an effect with spread has F MissingValue and probability 0,
// one without (all data equal) F = 0 and probability 1.
void WriteEffect(const RealArrayView& out, std::size_t effect, const Term& term, const Term& error)
{
    const double meanSquare = term.MeanSquare(), errorMeanSquare = error.MeanSquare();
    double F = 0, probability = 1;
    if (errorMeanSquare > 0) {
        F = meanSquare / errorMeanSquare;
        probability = ClampProbability(FProb(F, term.df, error.df));
    } else if (meanSquare > 0) {
        F = kMissingValue;
        probability = 0;
    }
    out[effect] = term.sumSquares;
    out[5 + effect] = term.df;
    out[10 + effect] = meanSquare;
    out[15 + effect] = F;
    out[18 + effect] = probability;
}

// Slots of the error (row 4) or the total (row 5): SS, df, MS.
void WriteTerm(const RealArrayView& out, std::size_t row, const Term& term)
{
    out[row] = term.sumSquares;
    out[5 + row] = term.df;
    out[10 + row] = term.MeanSquare();
}

void Anova(HostArray** options, HostArray** data, HostArray** factorCodes, HostArray** levelStats,
           HostArray** results)
{
    const RealArrayView opts(options), out(results);
    const RealMatrixView stats(levelStats);
    Require(opts.count() >= kOptionSlots && out.count() >= kResultSlots && stats.rows() >= 2);
    const int32_t layout = TruncateCode(opts[1]);
    const int32_t a = TruncateCode(opts[2]);
    RequireFinite(opts[3]);
    Design design;
    design.byCodes = layout == 0;
    design.twoFactor = opts[3] > 1.0;
    const int32_t b = design.twoFactor ? TruncateCode(opts[3]) : 1;
    design.interaction = TruncateCode(opts[4]) != 0;
    design.a = a > 0 ? static_cast<std::size_t>(a) : 0;
    design.b = static_cast<std::size_t>(b);
    Require(stats.cols() >= design.a);
    const Observations observations(design, data, factorCodes);
    Require(a >= 2 && (!design.twoFactor || b >= 2), Status::InsufficientData);
    // The column layout has no codes of B, so its two-factor cells are all empty; and
    // every cell must hold an observation.
    Require(design.byCodes || !design.twoFactor, Status::InsufficientData);
    Require(static_cast<double>(a) * static_cast<double>(b) <= observations.Capacity(), Status::InsufficientData);

    OffsetMatrix<RunningMoments> cell(0, design.a, 0, design.b);
    CellMoments(observations, cell);
    OffsetVector<RunningMoments> levelA(0, design.a), levelB(0, design.b);
    levelA.Fill(RunningMoments{});
    levelB.Fill(RunningMoments{});
    double smallestCell = 0, largestCell = 0;
    CompensatedSum within;
    for (std::size_t i = 0; i < design.a; ++i) {
        for (std::size_t j = 0; j < design.b; ++j) {
            const RunningMoments& m = cell(At(i), At(j));
            Require(m.count > 0, Status::InsufficientData);
            if ((i == 0 && j == 0) || m.count < smallestCell) smallestCell = m.count;
            if (m.count > largestCell) largestCell = m.count;
            within.Add(m.sumSquares);
            levelA[At(i)].Merge(m);
            levelB[At(j)].Merge(m);
        }
    }
    RunningMoments grand;
    for (std::size_t i = 0; i < design.a; ++i) grand.Merge(levelA[At(i)]);
    const double N = grand.count;

    CompensatedSum betweenA;
    for (std::size_t i = 0; i < design.a; ++i) {
        const double deviation = MeanDifference(levelA[At(i)], grand);
        betweenA.Add(levelA[At(i)].count * deviation * deviation);
    }
    const double fa = static_cast<double>(a), fb = static_cast<double>(b);
    const Term A{betweenA.Value(), fa - 1};
    const Term cellsWithin{within.Value(), N - fa * fb};
    Term B, AB, error = cellsWithin;
    if (design.twoFactor) {
        const SequentialSums sequential = SequentialSumsOfSquares(cell, levelA, levelB);
        B = {sequential.bGivenA, fb - 1};
        AB = {sequential.interaction, (fa - 1) * (fb - 1)};
        if (design.interaction) {
            Require(AB.sumSquares > 0, Status::NonPositiveInteraction);
        } else {
            error = {cellsWithin.sumSquares + AB.sumSquares, cellsWithin.df + AB.df};
        }
    }
    Require(error.df > 0, Status::InsufficientData);
    const Bartlett bartlett = BartlettTest(cell, N, cellsWithin.sumSquares);

    for (std::size_t i = 0; i < design.a; ++i) {
        stats(1, i + 1) = levelA[At(i)].count;
        stats(2, i + 1) = levelA[At(i)].mean;
    }
    WriteEffect(out, 1, A, error);
    if (design.twoFactor) {
        WriteEffect(out, 2, B, error);
        if (design.interaction) WriteEffect(out, 3, AB, error);
    }
    WriteTerm(out, 4, error);
    if (!design.twoFactor || !design.interaction) WriteTerm(out, 5, {grand.sumSquares, N - 1});
    out[22] = bartlett.statistic;
    out[23] = bartlett.df;
    out[24] = bartlett.probability;
    out[25] = design.twoFactor && largestCell >= 2 * smallestCell ? 1.0 : 0.0;
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkAnova(HostArray** options, HostArray** data,
                                                        HostArray** factorCodes, HostArray** levelStats,
                                                        HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::Anova(options, data, factorCodes, levelStats, results); });
}
