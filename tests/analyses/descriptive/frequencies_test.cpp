#include <cmath>
#include <limits>
#include <vector>

#include "support/test_support.hpp"

namespace sheetstat::testing {
namespace {

constexpr double kUntouched = -7.25;

long double Phi(long double z)
{
    return 0.5L * std::erfc(-z / std::sqrt(2.0L));
}

// A two-dimensional result array whose every stored element (skipped ones included)
// holds kUntouched.
RealHostArray Prefilled(std::size_t rows, std::size_t cols, int lowerBound = 1)
{
    RealHostArray a(rows, cols, lowerBound);
    for (std::size_t p = 0; p < a.storedCount(); ++p) a.stored(p) = kUntouched;
    return a;
}

struct Call {
    RealHostArray options;
    RealHostArray data;
    RealHostArray counts;
    RealHostArray curve;

    int32_t Run() { return nkFrequencies(options.ref(), data.ref(), counts.ref(), curve.ref()); }
};

Call ColumnMode(std::vector<std::vector<double>> columns, std::size_t countRows, std::size_t countCols,
                std::size_t curveRows = 12, int lowerBound = 1)
{
    return Call{RealHostArray::FromValues({1.0}, lowerBound), RealHostArray::FromColumns(columns, lowerBound),
                Prefilled(countRows, countCols, lowerBound), Prefilled(curveRows, 1, lowerBound)};
}

// The normal curve computed directly: class centres, the normal fitted by a
// two-pass mean and standard deviation over the raw class codes, in long double.
std::vector<long double> ExpectedCurve(const std::vector<double>& codes, std::size_t K, std::size_t rows)
{
    long double mean = 0, ss = 0;
    for (double c : codes) mean += std::trunc(static_cast<long double>(c));
    const long double N = static_cast<long double>(codes.size());
    mean /= N;
    for (double c : codes) ss += (std::trunc(static_cast<long double>(c)) - mean) * (std::trunc(static_cast<long double>(c)) - mean);
    const long double sd = std::sqrt(ss / (N - 1));
    const long double inRange = Phi((static_cast<long double>(K) - 0.5L - mean) / sd) - Phi((-0.5L - mean) / sd);
    std::vector<long double> curve;
    for (std::size_t i = 1; i <= rows; ++i) {
        const long double centre = -0.5L + 0.25L * static_cast<long double>(i - 1);
        curve.push_back(N * (Phi((centre + 0.5L - mean) / sd) - Phi((centre - 0.5L - mean) / sd)) / inRange);
    }
    return curve;
}

// ---- Worked examples ----

TEST(Frequencies, OneColumnCountsTotalsAndNormalCurve)
{
    Call call = ColumnMode({{0, 1, 1, 2}}, 4, 1);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.counts.Column(1), (std::vector<double>{1, 2, 1, 4}));

    const std::vector<long double> expected = ExpectedCurve({0, 1, 1, 2}, 3, 12);
    for (std::size_t i = 1; i <= 12; ++i) {
        EXPECT_NEAR(call.curve(i, 1), static_cast<double>(expected[i - 1]), 1e-9) << "row " << i;
    }
    // Row 3 is class 0 (centre 0): mean 1, sd √(2/3).
    const long double sd = std::sqrt(2.0L / 3);
    const long double inRange = Phi(1.5L / sd) - Phi(-1.5L / sd);
    EXPECT_NEAR(call.curve(3, 1), static_cast<double>(4 * (Phi(-0.5L / sd) - Phi(-1.5L / sd)) / inRange), 1e-9);
    // Sampled at the class centres the curve holds all N values of the class range.
    EXPECT_NEAR(call.curve(3, 1) + call.curve(7, 1) + call.curve(11, 1), 4.0, 1e-9);
    // Symmetric about the mean (class 1, row 7).
    EXPECT_NEAR(call.curve(6, 1), call.curve(8, 1), 1e-12);
}

TEST(Frequencies, SkewedOneColumnCurveMatchesDirectComputation)
{
    // Class codes far from 0 and unevenly spread, with the curve sampled over 6 classes.
    const std::vector<double> codes{3, 4, 4, 4, 5, 5, 3, 4, 2, 5, 5, 5, 4};
    Call call = ColumnMode({codes}, 7, 1, 25);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.counts.Column(1), (std::vector<double>{0, 0, 1, 2, 5, 5, 13}));
    const std::vector<long double> expected = ExpectedCurve(codes, 6, 25);
    long double atCentres = 0;
    for (std::size_t i = 1; i <= 25; ++i) {
        EXPECT_NEAR(call.curve(i, 1), static_cast<double>(expected[i - 1]), 1e-9) << "row " << i;
        if (i >= 3 && (i - 3) % 4 == 0) atCentres += call.curve(i, 1);
    }
    EXPECT_NEAR(static_cast<double>(atCentres), 13.0, 1e-9);
}

TEST(Frequencies, TwoWayTableFromCodePairs)
{
    // Column 1 of data selects the counts row, column 2 the counts column.
    Call call{RealHostArray::FromValues({0.0}),
              RealHostArray::FromColumns({{0, 1, 1, 2, kMissing, 2, 0}, {1, 0, 1, 1, 0, kMissing, 1}}),
              Prefilled(4, 2), Prefilled(5, 1)};
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.counts.Column(1), (std::vector<double>{0, 1, 0, 1}));
    EXPECT_EQ(call.counts.Column(2), (std::vector<double>{2, 1, 1, 4}));
    for (double v : call.curve.Column(1)) EXPECT_EQ(v, kUntouched);
}

TEST(Frequencies, SeveralColumnsCountedSideBySideWithoutCurve)
{
    Call call = ColumnMode({{0, 2, 2, kMissing}, {1, 1, 0, 2}}, 4, 2, 4);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.counts.Column(1), (std::vector<double>{1, 0, 2, 3}));
    EXPECT_EQ(call.counts.Column(2), (std::vector<double>{1, 2, 1, 4}));
    for (double v : call.curve.Column(1)) EXPECT_EQ(v, kUntouched);
}

// ---- Codes ----

TEST(Frequencies, CodesTruncateTowardZero)
{
    Call call = ColumnMode({{2.9, -0.5, 0.99, 1.0, kMissing}}, 4, 1, 0);
    ASSERT_EQ(call.Run(), kOk);
    EXPECT_EQ(call.counts.Column(1), (std::vector<double>{2, 1, 1, 4}));
}

TEST(Frequencies, CodeOutsideTheClassRowsStopsTheCount)
{
    for (double bad : {3.0, -1.0, -1.5, 1e300, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        // Counting stops at the bad code: the codes before it stay counted, the
        // totals row keeps the caller's value.
        Call call = ColumnMode({{0, 1, bad, 1}}, 4, 1);
        EXPECT_EQ(call.Run(), kBadArray) << bad;
        EXPECT_EQ(call.counts.Column(1), (std::vector<double>{1, 1, 0, kUntouched})) << bad;
        for (double v : call.curve.Column(1)) EXPECT_EQ(v, kUntouched);
    }
}

TEST(Frequencies, TwoWayCodeOutsideTheTable)
{
    // Cases are counted from the last row up: the case below the bad one is in.
    for (const auto& bad : std::vector<std::vector<double>>{{3, 0}, {0, 2}, {-1, 0}, {0, -1}, {0, 1e300}}) {
        Call call{RealHostArray::FromValues({0.0}), RealHostArray::FromColumns({{1, bad[0], 2}, {0, bad[1], 1}}),
                  Prefilled(4, 2), Prefilled(1, 1)};
        EXPECT_EQ(call.Run(), kBadArray);
        EXPECT_EQ(call.counts.Column(1), (std::vector<double>{0, 0, 0, kUntouched}));
        EXPECT_EQ(call.counts.Column(2), (std::vector<double>{0, 0, 1, kUntouched}));
    }
}

// ---- Degenerate samples ----

TEST(Frequencies, NoCurveWhenAllValuesShareOneClassOrThereIsOnlyOne)
{
    for (const auto& codes : std::vector<std::vector<double>>{{1, 1, 1}, {2}, {kMissing, kMissing}}) {
        Call call = ColumnMode({codes}, 4, 1);
        ASSERT_EQ(call.Run(), kOk);
        double total = 0;
        for (double c : codes) total += IsMissing(c) ? 0 : 1;
        EXPECT_EQ(call.counts(4, 1), total);
        for (double v : call.curve.Column(1)) EXPECT_EQ(v, kUntouched);
    }
}

TEST(Frequencies, TableWithOnlyTheTotalsRow)
{
    Call empty = ColumnMode({{kMissing}}, 1, 1);
    ASSERT_EQ(empty.Run(), kOk);
    EXPECT_EQ(empty.counts(1, 1), 0);
    Call one = ColumnMode({{0}}, 1, 1);
    EXPECT_EQ(one.Run(), kBadArray);
}

// ---- Status paths ----

TEST(Frequencies, ShapeChecks)
{
    {
        Call call = ColumnMode({{0, 1}}, 3, 1);
        call.options = RealHostArray(0);
        EXPECT_EQ(call.Run(), kBadArray);
    }
    {
        Call call = ColumnMode({{0, 1}}, 0, 1);
        EXPECT_EQ(call.Run(), kBadArray);
    }
    {
        // One data column but no column for the curve or the counts.
        Call noCurve = ColumnMode({{0, 1}}, 3, 1);
        noCurve.curve = RealHostArray(12, 0, 1);
        EXPECT_EQ(noCurve.Run(), kBadArray);
        Call noCounts = ColumnMode({{0, 1}}, 3, 0);
        EXPECT_EQ(noCounts.Run(), kBadArray);
    }
    {
        // Several data columns must match the counts columns; nothing is cleared.
        Call call = ColumnMode({{0}, {1}}, 3, 3);
        EXPECT_EQ(call.Run(), kBadArray);
        EXPECT_EQ(call.counts(1, 1), kUntouched);
    }
    for (std::size_t cols : {1u, 3u}) {
        // Pairs need exactly two data columns.
        std::vector<std::vector<double>> columns(cols, std::vector<double>{0});
        Call call{RealHostArray::FromValues({0.0}), RealHostArray::FromColumns(columns), Prefilled(3, 2),
                  Prefilled(1, 1)};
        EXPECT_EQ(call.Run(), kBadArray);
        EXPECT_EQ(call.counts(1, 1), kUntouched);
    }
    {
        Call call = ColumnMode({{0, 1}}, 3, 1);
        call.options[1] = std::numeric_limits<double>::quiet_NaN();
        EXPECT_EQ(call.Run(), kBadArray);
    }
}

TEST(Frequencies, ModeTruncates)
{
    // 0.7 truncates to mode 0 (pairs), −2 is a column mode.
    Call pairs{RealHostArray::FromValues({0.7}), RealHostArray::FromColumns({{1}, {0}}), Prefilled(3, 1),
               Prefilled(1, 1)};
    ASSERT_EQ(pairs.Run(), kOk);
    EXPECT_EQ(pairs.counts.Column(1), (std::vector<double>{0, 1, 1}));
    Call columns = ColumnMode({{1}, {0}}, 3, 2);
    columns.options[1] = -2;
    ASSERT_EQ(columns.Run(), kOk);
    EXPECT_EQ(columns.counts.Column(1), (std::vector<double>{0, 1, 1}));
    EXPECT_EQ(columns.counts.Column(2), (std::vector<double>{1, 0, 1}));
}

// ---- Host-array forms ----

TEST(Frequencies, ArraysIndexedFromZeroAndOneAgree)
{
    for (int lowerBound : {0, 1}) {
        Call call = ColumnMode({{0, 1, 1, 2}}, 4, 1, 12, lowerBound);
        ASSERT_EQ(call.Run(), kOk) << lowerBound;
        EXPECT_EQ(call.counts.Column(1), (std::vector<double>{1, 2, 1, 4}));
        EXPECT_NEAR(call.curve(3, 1) + call.curve(7, 1) + call.curve(11, 1), 4.0, 1e-9);
        if (lowerBound == 0) {
            // Row 0 and column 0 of the results are never written.
            for (std::size_t p = 0; p <= 4; ++p) EXPECT_EQ(call.counts.stored(p), kUntouched);
            EXPECT_EQ(call.counts.stored(5), kUntouched);
            for (std::size_t p = 0; p <= 12; ++p) EXPECT_EQ(call.curve.stored(p), kUntouched);
            EXPECT_EQ(call.curve.stored(13), kUntouched);
        }
    }
}

// ---- Work storage ----

TEST(Frequencies, EachAllocationFailureGivesNoMemory)
{
    ExpectEachAllocationFailureGivesNoMemory([] { return ColumnMode({{0, 1, 1, 2}}, 4, 1).Run(); });
    ExpectEachAllocationFailureGivesNoMemory([] {
        Call call{RealHostArray::FromValues({0.0}), RealHostArray::FromColumns({{0, 1}, {1, 1}}), Prefilled(3, 2),
                  Prefilled(1, 1)};
        return call.Run();
    });
}

}  // namespace
}  // namespace sheetstat::testing
