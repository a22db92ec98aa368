// nkSurvival: the worked examples, Kaplan-Meier tables and log-rank tests against a
// direct computation from the definitions (long double, Eigen for V⁻¹, quadrature for
// the probability) on random grouped data with ties, and the tables written when the
// test is singular.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include <Eigen/Dense>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

struct SurvivalCall {
    RealHostArray options, times, events, groups, survival, groupTable, test;

    int32_t Run()
    {
        return nkSurvival(options.ref(), times.ref(), events.ref(), groups.ref(), survival.ref(), groupTable.ref(),
                          test.ref());
    }
};

// Every output cell of the call set to 777.
void MarkOutputs(SurvivalCall& call)
{
    for (RealHostArray* out : {&call.survival, &call.groupTable, &call.test})
        for (std::size_t p = 0; p < out->storedCount(); ++p) out->stored(p) = 777;
}

// A call over the cases (time, event, code); `columns` survival-table columns (the case
// count when 0) and G group-table columns, every output cell at 777.
SurvivalCall Call(const std::vector<double>& times, const std::vector<double>& events,
                  const std::vector<double>& codes, std::size_t G, std::size_t columns = 0)
{
    const bool grouped = !codes.empty();
    if (columns == 0) columns = times.size();
    SurvivalCall call{RealHostArray::FromValues({grouped ? 1.0 : 0.0}), RealHostArray::FromValues(times),
                      RealHostArray::FromValues(events),
                      RealHostArray::FromValues(grouped ? codes : std::vector<double>{kMissing}),
                      RealHostArray(6, columns, 1), RealHostArray(3, G, 1), RealHostArray(3)};
    MarkOutputs(call);
    return call;
}

// A survival-table line: time, at risk, events, censored, S and its standard error
// (MissingValue where there is none).
using Line = std::vector<double>;

void ExpectLine(SurvivalCall& call, std::size_t column, const Line& expected)
{
    for (std::size_t row = 1; row <= 6; ++row) {
        const double actual = call.survival(row, column);
        if (IsMissing(expected[row - 1])) {
            EXPECT_MISSING(actual) << " (line " << column << ", row " << row << ")";
        } else {
            EXPECT_NEAR(actual, expected[row - 1], 1e-13 * std::max(1.0, std::fabs(expected[row - 1])))
                << "line " << column << ", row " << row;
        }
    }
}

TEST(Survival, WorkedExamples)
{
    // Three events: S = 2/3, 1/3, 0; the Greenwood sum after time 2 is 1/6 + 1/2; the
    // standard error is 0 where S is 0.
    SurvivalCall three = Call({3, 1, 2}, {1, 1, 1}, {}, 1);
    ASSERT_EQ(three.Run(), kOk);
    ExpectLine(three, 1, {1, 3, 1, 0, 2.0 / 3, 2.0 / 3 * std::sqrt(1.0 / 6)});
    ExpectLine(three, 2, {2, 2, 1, 0, 1.0 / 3, 1.0 / 3 * std::sqrt(1.0 / 6 + 1.0 / 2)});
    ExpectLine(three, 3, {3, 1, 1, 0, 0, 0});
    EXPECT_EQ(three.groupTable(1, 1), 3);
    EXPECT_EQ(three.groupTable(2, 1), 777);  // only row 1 without grouping
    EXPECT_EQ(three.test[1], 777);

    // Ties are one line (two events and a censoring at 2); a time with censorings only
    // has no estimate and S carries over it; an empty indicator counts as censored, an
    // empty time drops the case.
    SurvivalCall ties = Call({2, 4, 2, 2, 5, 3, kMissing, 6}, {1, kMissing, 1, 0, 1, 0, 1, 2}, {}, 1);
    ASSERT_EQ(ties.Run(), kOk);
    const double S2 = 5.0 / 7, S5 = S2 * 1.0 / 2;
    const double W2 = 2.0 / (7 * 5), W5 = W2 + 1.0 / (2 * 1);
    ExpectLine(ties, 1, {2, 7, 2, 1, S2, S2 * std::sqrt(W2)});
    ExpectLine(ties, 2, {3, 4, 0, 1, kMissing, kMissing});
    ExpectLine(ties, 3, {4, 3, 0, 1, kMissing, kMissing});
    ExpectLine(ties, 4, {5, 2, 1, 0, S5, S5 * std::sqrt(W5)});
    ExpectLine(ties, 5, {6, 1, 1, 0, 0, 0});
    EXPECT_EQ(ties.survival(1, 6), 777);  // columns beyond the lines are untouched
    EXPECT_EQ(ties.groupTable(1, 1), 5);
}

// With grouping and a single group the table is the one without grouping, and there
// is no test; two groups with the same experience have O = E and χ² = 0.
TEST(Survival, OneGroupAndIdenticalGroups)
{
    const std::vector<double> times{4, 1, 3, 3, 7, 2}, events{1, 0, 1, 1, 0, 1};
    SurvivalCall plain = Call(times, events, {}, 1);
    SurvivalCall oneGroup = Call(times, events, {0, 0.5, 0, 0, 0.9, 0}, 1);
    ASSERT_EQ(plain.Run(), kOk);
    ASSERT_EQ(oneGroup.Run(), kOk);
    for (std::size_t j = 1; j <= times.size(); ++j)
        for (std::size_t i = 1; i <= 6; ++i)
            EXPECT_EQ(std::bit_cast<uint64_t>(oneGroup.survival(i, j)), std::bit_cast<uint64_t>(plain.survival(i, j)));
    EXPECT_EQ(oneGroup.groupTable(1, 1), 5);
    EXPECT_EQ(oneGroup.groupTable(2, 1), 777);
    EXPECT_EQ(oneGroup.test[1], 777);

    std::vector<double> twice = times, twiceEvents = events, codes(times.size(), 0);
    twice.insert(twice.end(), times.begin(), times.end());
    twiceEvents.insert(twiceEvents.end(), events.begin(), events.end());
    codes.resize(twice.size(), 1);
    SurvivalCall same = Call(twice, twiceEvents, codes, 2);
    ASSERT_EQ(same.Run(), kOk);
    for (std::size_t g = 1; g <= 2; ++g) {
        EXPECT_EQ(same.groupTable(1, g), 5);
        EXPECT_EQ(same.groupTable(2, g), 4);
        EXPECT_NEAR(same.groupTable(3, g), 4, 1e-14);
    }
    EXPECT_NEAR(same.test[1], 0, 1e-28);
    EXPECT_EQ(same.test[2], 1);
    EXPECT_NEAR(same.test[3], 1, 1e-12);
}

// A covariance matrix that is singular because a group is never at risk together with
// the others at an event time (all its cases censored before the first event), or
// because there is no event: status 7 with both tables written and the test untouched.
TEST(Survival, SingularCovarianceWritesTheTables)
{
    SurvivalCall early = Call({5, 6, 1, 2, 7, 8}, {1, 1, 0, 0, 1, 0}, {0, 0, 1, 1, 2, 2}, 3);
    EXPECT_EQ(early.Run(), kNumericalFailure);
    EXPECT_EQ(early.groupTable(1, 2), 2);
    EXPECT_EQ(early.groupTable(2, 2), 0);
    EXPECT_EQ(early.groupTable(3, 2), 0);
    ExpectLine(early, 1, {5, 2, 1, 0, 0.5, 0.5 * std::sqrt(0.5)});
    EXPECT_EQ(early.test[1], 777);

    SurvivalCall noEvent = Call({1, 2, 3, 4}, {0, 0, 0, kMissing}, {0, 1, 0, 1}, 2);
    EXPECT_EQ(noEvent.Run(), kNumericalFailure);
    EXPECT_EQ(noEvent.groupTable(2, 1), 0);
    EXPECT_EQ(noEvent.test[1], 777);
}

// ---- The estimates and the test computed from their definitions ----

struct Case {
    double time;
    bool event;
    std::size_t group;
};

struct Reference {
    std::vector<std::vector<Line>> lines;  // per group, in time order
    std::vector<long double> observed, expected;
    long double chiSquare = 0;
    bool singular = false;
};

// Kaplan-Meier per group at each distinct time of its cases: r = its cases with time
// ≥ t, S = Π (1 − d/r), W = Σ d/(r(r − d)). Log-rank over the distinct event times of
// all cases: R_g and N counted afresh at each, V from its textbook sum (a time with a
// single case at risk left out), χ² solved by Eigen in long double.
Reference Direct(const std::vector<Case>& cases, std::size_t G)
{
    Reference ref;
    ref.lines.resize(G);
    ref.observed.assign(G, 0);
    ref.expected.assign(G, 0);
    const auto count = [&](std::size_t g, auto&& where) {
        long double k = 0;
        for (const Case& c : cases)
            if (c.group == g && where(c)) k += 1;
        return k;
    };
    for (std::size_t g = 0; g < G; ++g) {
        std::set<double> times;
        for (const Case& c : cases)
            if (c.group == g) times.insert(c.time);
        long double S = 1, W = 0;
        for (double t : times) {
            const long double r = count(g, [&](const Case& c) { return c.time >= t; });
            const long double d = count(g, [&](const Case& c) { return c.time == t && c.event; });
            const long double censored = count(g, [&](const Case& c) { return c.time == t && !c.event; });
            Line line{t, static_cast<double>(r), static_cast<double>(d), static_cast<double>(censored), kMissing, kMissing};
            if (d > 0) {
                S *= 1 - d / r;
                if (r > d) W += d / (r * (r - d));
                line[4] = static_cast<double>(S);
                line[5] = static_cast<double>(S * std::sqrt(W));
            }
            ref.lines[g].push_back(line);
        }
    }
    if (G < 2) return ref;

    std::set<double> eventTimes;
    for (const Case& c : cases)
        if (c.event) eventTimes.insert(c.time);
    using Matrix = Eigen::Matrix<long double, Eigen::Dynamic, Eigen::Dynamic>;
    Matrix V = Matrix::Zero(static_cast<Eigen::Index>(G - 1), static_cast<Eigen::Index>(G - 1));
    for (double t : eventTimes) {
        std::vector<long double> R(G), d(G);
        long double N = 0, D = 0;
        for (std::size_t g = 0; g < G; ++g) {
            R[g] = count(g, [&](const Case& c) { return c.time >= t; });
            d[g] = count(g, [&](const Case& c) { return c.time == t && c.event; });
            N += R[g];
            D += d[g];
        }
        for (std::size_t g = 0; g < G; ++g) {
            ref.observed[g] += d[g];
            ref.expected[g] += R[g] * D / N;
        }
        if (N == 1) continue;
        for (std::size_t a = 0; a + 1 < G; ++a)
            for (std::size_t b = 0; b + 1 < G; ++b)
                V(static_cast<Eigen::Index>(a), static_cast<Eigen::Index>(b)) +=
                    D * (N - D) / (N - 1) * (R[a] / N) * ((a == b ? 1 : 0) - R[b] / N);
    }
    Eigen::Matrix<long double, Eigen::Dynamic, 1> U(static_cast<Eigen::Index>(G - 1));
    for (std::size_t a = 0; a + 1 < G; ++a) U(static_cast<Eigen::Index>(a)) = ref.observed[a] - ref.expected[a];
    const Eigen::FullPivLU<Matrix> lu(V);
    ref.singular = !lu.isInvertible();
    if (!ref.singular) ref.chiSquare = U.dot(lu.solve(U));
    return ref;
}

// Random cases on a few integer times (many ties, tied censorings), each group a little
// different, with empty times, codes and indicators; the largest time is one event of
// its own, so a single case is at risk at the last event time.
std::vector<Case> RandomCases(std::mt19937_64& random, std::size_t n, std::size_t G, std::size_t distinctTimes,
                              std::vector<double>& times, std::vector<double>& events, std::vector<double>& codes)
{
    std::uniform_int_distribution<std::size_t> group(0, G - 1);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<Case> kept;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t g = group(random);
        const double time = std::floor(unit(random) * unit(random) * static_cast<double>(distinctTimes) *
                                       (1 + 0.3 * static_cast<double>(g)));
        const bool event = unit(random) < 0.7;
        const double u = unit(random);
        times.push_back(u < 0.02 ? kMissing : time);
        codes.push_back(u > 0.98 ? kMissing : static_cast<double>(g) + 0.5 * unit(random));
        events.push_back(event ? (u < 0.5 ? 1.0 : -2.5) : (u < 0.1 ? kMissing : 0.0));
        if (u >= 0.02 && u <= 0.98) kept.push_back({time, event, g});
    }
    const double last = static_cast<double>(distinctTimes) * (1 + 0.3 * static_cast<double>(G)) + 1;
    times.push_back(last);
    events.push_back(1);
    codes.push_back(static_cast<double>(G - 1));
    kept.push_back({last, true, G - 1});
    return kept;
}

TEST(Survival, AgainstDirectComputationOnRandomGroupedData)
{
    std::mt19937_64 random(20261206);
    struct Setting {
        std::size_t G, n, distinctTimes;
    };
    for (const Setting s : {Setting{2, 40, 6}, Setting{2, 3000, 300}, Setting{3, 200, 15}, Setting{3, 2000, 40},
                            Setting{4, 500, 25}, Setting{4, 60, 8}}) {
        std::vector<double> times, events, codes;
        const std::vector<Case> cases = RandomCases(random, s.n, s.G, s.distinctTimes, times, events, codes);
        const Reference ref = Direct(cases, s.G);
        ASSERT_FALSE(ref.singular);
        SurvivalCall call = Call(times, events, codes, s.G, times.size());
        ASSERT_EQ(call.Run(), kOk) << "G = " << s.G << ", n = " << s.n;

        std::size_t column = 0;
        for (std::size_t g = 0; g < s.G; ++g) {
            EXPECT_EQ(call.groupTable(1, g + 1), static_cast<double>(ref.lines[g].size()));
            for (const Line& line : ref.lines[g]) ExpectLine(call, ++column, line);
            EXPECT_EQ(call.groupTable(2, g + 1), static_cast<double>(ref.observed[g]));
            EXPECT_NEAR(call.groupTable(3, g + 1), static_cast<double>(ref.expected[g]),
                        1e-13 * static_cast<double>(ref.expected[g]));
        }
        EXPECT_EQ(call.survival(1, column + 1), 777);
        EXPECT_NEAR(call.test[1], static_cast<double>(ref.chiSquare), 1e-10 * static_cast<double>(ref.chiSquare))
            << "G = " << s.G << ", n = " << s.n;
        EXPECT_EQ(call.test[2], static_cast<double>(s.G - 1));
        EXPECT_NEAR(call.test[3], static_cast<double>(ReferenceGammaQ((s.G - 1) / 2.0L, ref.chiSquare / 2)), 1e-7);
    }
}
}  // namespace
}  // namespace sheetstat::testing
