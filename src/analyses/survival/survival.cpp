// Kaplan-Meier product-limit estimates of survival with Greenwood standard errors, for
// the whole sample or per group, and for two or more groups the log-rank test of equal
// survival.
//
// A group with r cases at risk just before time t (time ≥ t), d events and c
// censorings at t has S(t) = S(t−)·(r − d)/r (Kaplan and Meier 1958) and the standard
// error S(t)·√W(t), W(t) = Σ d/(r(r − d)) over its event times up to t (Greenwood
// 1926). Where the last cases of a group all end in events, S = 0 and its standard
// error is 0; a time with censorings only has no estimate (MissingValue).
//
// The log-rank test (Mantel 1966; Peto and Peto 1972) compares the events O_g of each
// group with those expected under equal survival, E_g = Σ_t R_g·D/N over the event
// times, with R_g the group's number at risk, D the events and N the number at risk of
// all groups at t. The covariance of O − E is
//   V_ab = Σ_t D(N − D)/(N − 1) · (R_a/N)(δ_ab − R_b/N),
// and χ² = Uᵀ·V⁻¹·U with U = O − E of the first G − 1 groups, on G − 1 degrees of
// freedom. A time at which a single case is at risk adds nothing to V (D = N = 1).
//
// One sweep over the cases sorted by time does all of it. A group's number at risk
// changes only at its own lines, so the sums over the event times are taken lazily:
// the sweep keeps the running totals H = Σ D/N and P = Σ D(N − D)/((N − 1)N²), and
// when a group's number at risk is about to change it adds what it contributed since
// its last change: R_g·ΔH to E_g, and R_a·R_b·ΔP to C_ab for each other group b, ΔP
// taken since the later of the two groups' last changes. The totals are compensated
// sums, so the difference of two of their states is as exact as the sum of the terms
// between them. Then V_ab = −C_ab off the diagonal and V_aa = Σ_b C_ab over the other
// groups: sums of positive terms, without cancellation where one group holds nearly
// every case at risk. The sweep costs O(n·G) after the O(n log n) sort, not
// O(J·G²) over the J event times.
//
// V is singular exactly when some group is not at risk at the first event time that
// adds to it: the risk sets shrink with time, so that group is never weighed against
// the others. That is told from the counts (status 7) rather than left to the
// inversion, whose rounding could turn a zero pivot into a tiny one and a meaningless
// χ².
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/lu_decomposition.hpp"
#include "numeric/running_moments.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kSurvivalRows = 6;
constexpr std::size_t kGroupTableRows = 3;
constexpr std::size_t kTestSlots = 3;

// The sum of the terms added to a running total between two of its states.
double AddedSince(const CompensatedSum& now, const CompensatedSum& earlier) noexcept
{
    return (now.sum - earlier.sum) + (now.compensation - earlier.compensation);
}

// The input vectors and what makes a case: a time and (with grouping) a group code
// that are not empty. N cases are read.
struct CaseInput {
    RealArrayView times, events;
    const double* codes = nullptr;  // with grouping: the code of case i at codes[i − 1]
    std::size_t N = 0;
    std::size_t groups = 1;

    bool Kept(std::size_t i) const noexcept
    {
        return !IsMissing(times[i]) && (codes == nullptr || !IsMissing(codes[i - 1]));
    }
    // An event when the indicator is present and not 0.
    bool Event(std::size_t i) const noexcept { return !IsMissing(events[i]) && events[i] != 0; }
    std::size_t Group(std::size_t i) const { return codes == nullptr ? 0 : ClassIndex(codes[i - 1], groups); }
};

// Checks every kept case (finite time and indicator, group code in 0..G − 1; status 8)
// and returns how many there are.
std::size_t CountKeptCases(const CaseInput& input)
{
    std::size_t kept = 0;
    for (std::size_t i = 1; i <= input.N; ++i) {
        if (!input.Kept(i)) continue;
        RequireFinite(input.times[i]);
        if (!IsMissing(input.events[i])) RequireFinite(input.events[i]);
        input.Group(i);
        ++kept;
    }
    return kept;
}

// What the sweep keeps of each group.
struct GroupState {
    double cases = 0;
    double atRisk = 0;  // r: the group's cases whose time is not below the current one
    double survival = 1;
    CompensatedSum greenwood;
    double observed = 0;
    CompensatedSum expected;
    std::size_t lines = 0;
    std::size_t nextColumn = 0;  // survival-table column of the group's next line
    // The events and censorings of the group at the time numbered timeMark (the
    // distinct times are numbered from 1; 0: none yet).
    double events = 0, censored = 0;
    std::size_t timeMark = 0;
    // The states of H and P when the group's number at risk last changed, and the
    // number of that time (0: not yet).
    CompensatedSum hazardMark, pairWeightMark;
    std::size_t changeMark = 0;
};

// The kept cases at 0..n−1, sorted by time, each with its group number and event
// indicator packed into one code, 2·group + (1 for an event, 0 for a censoring), so
// that the sort carries one companion array rather than two.
struct SortedCases {
    std::size_t n;
    RealVector time;
    IntVector code;

    SortedCases(const CaseInput& input, std::size_t kept, OffsetVector<GroupState>& groups)
        : n(kept), time(0, kept), code(0, kept)
    {
        std::ptrdiff_t next = 0;
        for (std::size_t i = 1; i <= input.N; ++i) {
            if (!input.Kept(i)) continue;
            const std::size_t g = input.Group(i);
            time[next] = input.times[i];
            code[next] = static_cast<int32_t>(2 * g + (input.Event(i) ? 1 : 0));
            groups[static_cast<std::ptrdiff_t>(g)].cases += 1;
            ++next;
        }
        SortRealsWithInts(n, time.data(), code.data());
    }

    std::ptrdiff_t Group(std::size_t i) const noexcept { return code[static_cast<std::ptrdiff_t>(i)] / 2; }
    bool Event(std::size_t i) const noexcept { return code[static_cast<std::ptrdiff_t>(i)] % 2 != 0; }

    // Calls visit(first, end) for each distinct time, cases first..end−1, in time order.
    template <class Visit>
    void ForEachTime(Visit&& visit) const
    {
        std::size_t first = 0;
        while (first < n) {
            std::size_t end = first + 1;
            while (end < n && time[static_cast<std::ptrdiff_t>(end)] == time[static_cast<std::ptrdiff_t>(first)]) ++end;
            visit(first, end);
            first = end;
        }
    }
};

// The survival-table lines of each group (one per distinct time at which one of its
// cases ends) and the first column of each group's block; returns the total.
std::size_t LayOutLines(const SortedCases& cases, OffsetVector<GroupState>& groups)
{
    std::size_t timeNumber = 0;
    cases.ForEachTime([&](std::size_t first, std::size_t end) {
        ++timeNumber;
        for (std::size_t i = first; i < end; ++i) {
            GroupState& g = groups[cases.Group(i)];
            if (g.timeMark == timeNumber) continue;
            g.timeMark = timeNumber;
            ++g.lines;
        }
    });
    std::size_t total = 0;
    for (std::ptrdiff_t g = 0; g < static_cast<std::ptrdiff_t>(groups.count()); ++g) {
        groups[g].nextColumn = total + 1;
        groups[g].timeMark = 0;
        total += groups[g].lines;
    }
    return total;
}

// The sums of the log-rank test over the event times: the running totals, the pair
// sums, and whether the covariance matrix is of full rank. C_ab is the sum of cells
// (a, b) and (b, a): each group adds what it settles to its own row, which it reads
// and writes in order.
struct LogRankSums {
    CompensatedSum hazard;      // H = Σ D/N
    CompensatedSum pairWeight;  // P = Σ D(N − D)/((N − 1)N²)
    OffsetMatrix<CompensatedSum> pairs;
    bool weighed = false;   // an event time has added to V
    bool fullRank = false;  // every group was at risk at the first such time

    explicit LogRankSums(std::size_t groupCount) : pairs(0, groupCount, 0, groupCount) {}
};

// Adds what group a contributed since its number at risk last changed, before it
// changes at time number `timeNumber`.
void SettleGroup(std::size_t a, std::size_t timeNumber, OffsetVector<GroupState>& groups, LogRankSums& sums)
{
    GroupState& ga = groups[static_cast<std::ptrdiff_t>(a)];
    const auto pairs = sums.pairs[static_cast<std::ptrdiff_t>(a)];
    ga.expected.Add(ga.atRisk * AddedSince(sums.hazard, ga.hazardMark));
    for (std::size_t b = 0; b < groups.count(); ++b) {
        const GroupState& gb = groups[static_cast<std::ptrdiff_t>(b)];
        if (b == a || gb.atRisk == 0) continue;
        const CompensatedSum& since = ga.changeMark >= gb.changeMark ? ga.pairWeightMark : gb.pairWeightMark;
        pairs[static_cast<std::ptrdiff_t>(b)].Add(ga.atRisk * gb.atRisk * AddedSince(sums.pairWeight, since));
    }
    ga.hazardMark = sums.hazard;
    ga.pairWeightMark = sums.pairWeight;
    ga.changeMark = timeNumber;
}

// Writes the next line of group g at time t and moves its estimate past t.
void WriteLine(GroupState& g, double t, const RealMatrixView& table)
{
    const std::size_t column = g.nextColumn++;
    const double r = g.atRisk, d = g.events;
    table(1, column) = t;
    table(2, column) = r;
    table(3, column) = d;
    table(4, column) = g.censored;
    if (d > 0) {
        g.survival *= (r - d) / r;
        if (r > d) g.greenwood.Add(d / (r * (r - d)));
        g.observed += d;
        table(5, column) = g.survival;
        table(6, column) = g.survival * std::sqrt(g.greenwood.Value());
    } else {
        table(5, column) = kMissingValue;
        table(6, column) = kMissingValue;
    }
}

// The sweep over the distinct times: the survival table, and with `sums` the sums of
// the log-rank test.
void Estimate(const SortedCases& cases, OffsetVector<GroupState>& groups, LogRankSums* sums,
              const RealMatrixView& table)
{
    const std::size_t groupCount = groups.count();
    OffsetVector<std::size_t> present(0, groupCount);  // the groups with a case at the current time
    std::size_t groupsAtRisk = groupCount;
    double N = static_cast<double>(cases.n);
    std::size_t timeNumber = 0;
    cases.ForEachTime([&](std::size_t first, std::size_t end) {
        ++timeNumber;
        std::size_t presentCount = 0;
        double D = 0;
        for (std::size_t i = first; i < end; ++i) {
            GroupState& g = groups[cases.Group(i)];
            if (g.timeMark != timeNumber) {
                g.timeMark = timeNumber;
                g.events = g.censored = 0;
                present[static_cast<std::ptrdiff_t>(presentCount++)] = static_cast<std::size_t>(cases.Group(i));
            }
            if (cases.Event(i)) {
                g.events += 1;
                D += 1;
            } else {
                g.censored += 1;
            }
        }
        if (sums != nullptr && D > 0) {
            sums->hazard.Add(D / N);
            if (D < N) {
                sums->pairWeight.Add(D * (N - D) / (N - 1) / (N * N));
                if (!sums->weighed) sums->fullRank = groupsAtRisk == groupCount;
                sums->weighed = true;
            }
        }
        const double t = cases.time[static_cast<std::ptrdiff_t>(first)];
        for (std::size_t k = 0; k < presentCount; ++k) {
            const std::size_t g = present[static_cast<std::ptrdiff_t>(k)];
            GroupState& state = groups[static_cast<std::ptrdiff_t>(g)];
            if (sums != nullptr) SettleGroup(g, timeNumber, groups, *sums);
            WriteLine(state, t, table);
            state.atRisk -= state.events + state.censored;
            if (state.atRisk == 0) --groupsAtRisk;
        }
        N -= static_cast<double>(end - first);
    });
}

// χ² = Uᵀ·V⁻¹·U of the first G − 1 groups into the test vector; status 7 when V is
// singular.
void WriteLogRankTest(const OffsetVector<GroupState>& groups, const LogRankSums& sums, const RealArrayView& out)
{
    Require(sums.fullRank, Status::NumericalFailure);
    const std::size_t order = groups.count() - 1;
    const auto C = [&](std::size_t a, std::size_t b) {
        const auto i = static_cast<std::ptrdiff_t>(a), j = static_cast<std::ptrdiff_t>(b);
        return sums.pairs[i][j].Value() + sums.pairs[j][i].Value();
    };
    RealMatrix V(1, order, 1, order);
    RealVector U(1, order);
    for (std::size_t a = 0; a < order; ++a) {
        const auto row = static_cast<std::ptrdiff_t>(a + 1);
        const GroupState& g = groups[static_cast<std::ptrdiff_t>(a)];
        U[row] = g.observed - g.expected.Value();
        CompensatedSum diagonal;
        for (std::size_t b = 0; b <= order; ++b) {
            if (b == a) continue;
            diagonal.Add(C(a, b));
            if (b < order) V[row][static_cast<std::ptrdiff_t>(b + 1)] = -C(a, b);
        }
        V[row][row] = diagonal.Value();
    }
    InvertMatrix(V, static_cast<int32_t>(order));
    CompensatedSum chiSquare;
    for (std::ptrdiff_t a = 1; a <= static_cast<std::ptrdiff_t>(order); ++a)
        for (std::ptrdiff_t b = 1; b <= static_cast<std::ptrdiff_t>(order); ++b) chiSquare.Add(U[a] * V[a][b] * U[b]);
    // V⁻¹ is positive definite; only rounding can push a χ² of nearly 0 below it.
    const double statistic = chiSquare.Value() > 0 ? chiSquare.Value() : 0.0;
    const auto df = static_cast<double>(order);
    out[1] = statistic;
    out[2] = df;
    out[3] = ClampProbability(ChiSquareProb(statistic, df));
}

void Survival(HostArray** options, HostArray** timesArg, HostArray** eventsArg, HostArray** groupsArg,
              HostArray** survivalArg, HostArray** groupTableArg, HostArray** testArg)
{
    const RealArrayView opts(options), out(testArg);
    const RealMatrixView table(survivalArg), groupTable(groupTableArg);
    CaseInput input{RealArrayView(timesArg), RealArrayView(eventsArg)};
    Require(opts.count() >= 1 && out.count() >= kTestSlots && table.rows() >= kSurvivalRows &&
            groupTable.rows() >= kGroupTableRows && groupTable.cols() >= 1);
    if (TruncateCode(opts[1]) != 0) {
        const RealArrayView codes(groupsArg);
        input.codes = codes.data();
        input.N = codes.count();
        input.groups = groupTable.cols();
        Require(input.groups <= INT32_MAX / 2);  // 2·group + 1 fits the sort's integers
    } else {
        input.N = table.cols();
    }
    Require(input.times.count() >= input.N && input.events.count() >= input.N);

    const std::size_t kept = CountKeptCases(input);
    // Each group needs 2 cases: more groups than half the cases cannot all have them,
    // which is known before any storage is sized by the group count.
    Require(kept >= 2 && input.groups <= kept / 2, Status::InsufficientData);
    OffsetVector<GroupState> groups(0, input.groups);
    for (std::ptrdiff_t g = 0; g < static_cast<std::ptrdiff_t>(input.groups); ++g) groups[g] = GroupState{};
    const SortedCases cases(input, kept, groups);
    for (std::ptrdiff_t g = 0; g < static_cast<std::ptrdiff_t>(input.groups); ++g) {
        Require(groups[g].cases >= 2, Status::InsufficientData);
        groups[g].atRisk = groups[g].cases;
    }
    Require(LayOutLines(cases, groups) <= table.cols());

    const bool logRank = input.groups >= 2;
    if (!logRank) {
        Estimate(cases, groups, nullptr, table);
        groupTable(1, 1) = static_cast<double>(groups[0].lines);
        return;
    }
    LogRankSums sums(input.groups);
    sums.pairs.Fill(CompensatedSum{});
    Estimate(cases, groups, &sums, table);
    for (std::size_t g = 1; g <= input.groups; ++g) {
        const GroupState& state = groups[static_cast<std::ptrdiff_t>(g - 1)];
        groupTable(1, g) = static_cast<double>(state.lines);
        groupTable(2, g) = state.observed;
        groupTable(3, g) = state.expected.Value();
    }
    WriteLogRankTest(groups, sums, out);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkSurvival(HostArray** options, HostArray** times, HostArray** events,
                                                           HostArray** groups, HostArray** survival,
                                                           HostArray** groupTable, HostArray** test)
{
    return sheetstat::RunExport(
        [&] { sheetstat::Survival(options, times, events, groups, survival, groupTable, test); });
}
