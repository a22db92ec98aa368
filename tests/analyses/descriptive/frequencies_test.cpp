#include <cmath>
#include <vector>

#include "numeric/reference_integrals.hpp"
#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.25;
using Columns = std::vector<std::vector<double>>;

// A 2-D array whose every stored element (skipped ones included) holds kUntouched.
RealHostArray Prefilled(std::size_t rows, std::size_t cols)
{
    RealHostArray a(rows, cols, 1);
    for (std::size_t p = 0; p < a.storedCount(); ++p) a.stored(p) = kUntouched;
    return a;
}

struct Call {
    RealHostArray options, data, counts, curve;
    int32_t Run() { return nkFrequencies(options.ref(), data.ref(), counts.ref(), curve.ref()); }
};

Call Make(double mode, const Columns& columns, std::size_t countRows, std::size_t countCols,
          std::size_t curveRows)
{
    return Call{RealHostArray::FromValues({mode}), RealHostArray::FromColumns(columns),
                Prefilled(countRows, countCols), Prefilled(curveRows, 1)};
}

// The normal curve computed directly: a two-pass mean and standard deviation of the
// truncated codes in long double, class-width-1 probabilities centred every quarter
// class from −0.5, scaled to N over the class range −0.5..K − 0.5.
std::vector<long double> ExpectedCurve(const std::vector<double>& codes, std::size_t K, std::size_t rows)
{
    std::vector<long double> classes;
    for (double c : codes) {
        if (!IsMissing(c)) classes.push_back(std::trunc(static_cast<long double>(c)));
    }
    const long double N = static_cast<long double>(classes.size());
    long double mean = 0, ss = 0;
    for (long double c : classes) mean += c / N;
    for (long double c : classes) ss += (c - mean) * (c - mean);
    const long double sd = std::sqrt(ss / (N - 1));
    const auto below = [mean, sd](long double x) { return ReferenceNormalCdf((x - mean) / sd); };
    const long double inRange = below(static_cast<long double>(K) - 0.5L) - below(-0.5L);
    std::vector<long double> curve;
    for (std::size_t i = 1; i <= rows; ++i) {
        const long double centre = -0.5L + 0.25L * static_cast<long double>(i - 1);
        curve.push_back(N * (below(centre + 0.5L) - below(centre - 0.5L)) / inRange);
    }
    return curve;
}

// One data column: counts with totals, and the fitted curve unless N ≤ 1 or sd = 0.
TEST(Frequencies, OneColumnCountsAndNormalCurve)
{
    struct Case {
        std::vector<double> codes;
        std::vector<double> counts;  // K class rows and the total
        bool curve;
    };
    const std::vector<Case> cases = {
        {{0, 1, 1, 2}, {1, 2, 1, 4}, true},  // N = 4, mean 1, sd √(2/3)
        {{3, 4, 4, 4, 5, 5, 3, 4, 2, 5, 5, 5, 4}, {0, 0, 1, 2, 5, 5, 13}, true},
        {{2.9, -0.5, 0.99, 1.0, kMissing}, {2, 1, 1, 4}, true},  // codes truncate toward zero
        {{1, 1, 1}, {0, 3, 0, 3}, false},                        // sd = 0: totals only
        {{2}, {0, 0, 1, 1}, false},                              // N = 1
        {{kMissing, kMissing}, {0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        const std::size_t K = c.counts.size() - 1, rows = 4 * K + 1;
        Call call = Make(1, {c.codes}, K + 1, 1, rows);
        ASSERT_EQ(call.Run(), kOk) << c.codes[0];
        EXPECT_EQ(call.counts.Column(1), c.counts);
        if (!c.curve) {
            for (double v : call.curve.Column(1)) EXPECT_EQ(v, kUntouched);
            continue;
        }
        const std::vector<long double> expected = ExpectedCurve(c.codes, K, rows);
        long double atCentres = 0;
        for (std::size_t i = 1; i <= rows; ++i) {
            EXPECT_NEAR(call.curve(i, 1), static_cast<double>(expected[i - 1]), 1e-9) << "row " << i;
            if (i % 4 == 3) atCentres += call.curve(i, 1);  // rows 3, 7, ...: classes 0, 1, ...
        }
        // Sampled at the class centres the curve holds the N counted values.
        EXPECT_NEAR(static_cast<double>(atCentres), c.counts[K], 1e-9);
    }
}

// Mode 0 (0.7 truncates to it) counts pairs (row code, column code); other modes (−2
// included) count data column j into counts column j. No curve in either.
TEST(Frequencies, PairAndSeveralColumnModes)
{
    struct Case {
        double mode;
        Columns data, counts;
    };
    const std::vector<Case> cases = {
        {0, {{0, 1, 1, 2, kMissing, 2, 0}, {1, 0, 1, 1, 0, kMissing, 1}}, {{0, 1, 0, 1}, {2, 1, 1, 4}}},
        {0.7, {{1}, {0}}, {{0, 1, 1}}},
        {1, {{0, 2, 2, kMissing}, {1, 1, 0, 2}}, {{1, 0, 2, 3}, {1, 2, 1, 4}}},
        {-2, {{1}, {0}}, {{0, 1, 1}, {1, 0, 1}}},
    };
    for (const Case& c : cases) {
        Call call = Make(c.mode, c.data, c.counts[0].size(), c.counts.size(), 4);
        ASSERT_EQ(call.Run(), kOk) << c.mode;
        for (std::size_t j = 1; j <= c.counts.size(); ++j) EXPECT_EQ(call.counts.Column(j), c.counts[j - 1]) << c.mode;
        for (double v : call.curve.Column(1)) EXPECT_EQ(v, kUntouched);
    }
}

// A code outside the table stops the count with status 8; the counts made so far stay
// and the totals row keeps the caller's value.
TEST(Frequencies, CodeOutsideTheTableStopsTheCount)
{
    for (double bad : {3.0, -1.5}) {
        Call call = Make(1, {{0, 1, bad, 1}}, 4, 1, 12);
        EXPECT_EQ(call.Run(), kBadArray) << bad;
        EXPECT_EQ(call.counts.Column(1), (std::vector<double>{1, 1, 0, kUntouched})) << bad;
        for (double v : call.curve.Column(1)) EXPECT_EQ(v, kUntouched);
    }
    // Pairs are counted from the last row up: the case below the bad one is in.
    for (const auto& bad : Columns{{3, 0}, {0, -1}}) {
        Call call = Make(0, {{1, bad[0], 2}, {0, bad[1], 1}}, 4, 2, 1);
        EXPECT_EQ(call.Run(), kBadArray);
        EXPECT_EQ(call.counts.Column(1), (std::vector<double>{0, 0, 0, kUntouched}));
        EXPECT_EQ(call.counts.Column(2), (std::vector<double>{0, 0, 1, kUntouched}));
    }
}

}  // namespace
}  // namespace sheetstat::testing
