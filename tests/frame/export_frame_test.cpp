// The export frame: mapping of exceptions to status codes, the floating-point
// guard (non-stop mode inside, the host's environment restored on every return),
// and independence of successive calls.
#include <cfenv>
#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

#include "frame/export_frame.hpp"
#include "frame/status.hpp"
#include "frame/work_storage.hpp"
#include "support/floating_point_state.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

// Values the optimiser cannot fold, so the faulting operations happen at run time.
volatile double zero = 0.0;
volatile double one = 1.0;
volatile double huge = 1e308;
volatile double tiny = 1e-308;
volatile double sink = 0.0;

using testing::FloatingPointState;

TEST(ExportFrame, MapsEachExceptionToItsStatus)
{
    EXPECT_EQ(RunExport([] {}), SHEETSTAT_OK);
    EXPECT_EQ(RunExport([] { ThrowStatus(Status::InsufficientData); }), SHEETSTAT_INSUFFICIENT_DATA);
    EXPECT_EQ(RunExport([] { ThrowStatus(Status::ChiSquareEmptyCell); }), SHEETSTAT_CHI_SQUARE_EMPTY_CELL);
    EXPECT_EQ(RunExport([] { throw MemoryError(); }), SHEETSTAT_NO_MEMORY);
    EXPECT_EQ(RunExport([] { throw std::bad_alloc(); }), SHEETSTAT_NO_MEMORY);
    EXPECT_EQ(RunExport([] { throw LibraryError(); }), SHEETSTAT_FAILURE);
    EXPECT_EQ(RunExport([] { throw std::runtime_error("anything else"); }), SHEETSTAT_FAILURE);
    EXPECT_EQ(RunExport([] { throw 42; }), SHEETSTAT_FAILURE);
}

TEST(ExportFrame, SuccessiveFailingCallsReturnTheirOwnCodes)
{
    EXPECT_EQ(RunExport([] { ThrowStatus(Status::BadArray); }), SHEETSTAT_BAD_ARRAY);
    EXPECT_EQ(RunExport([] { throw MemoryError(); }), SHEETSTAT_NO_MEMORY);
    EXPECT_EQ(RunExport([] { ThrowStatus(Status::InsufficientData); }), SHEETSTAT_INSUFFICIENT_DATA);
    EXPECT_EQ(RunExport([] {}), SHEETSTAT_OK);
}

TEST(ExportFrame, ReleasesWorkStorageOnTheFailurePath)
{
    const auto before = LiveWorkBlocks();
    const int32_t status = RunExport([] {
        RealVector a(1, 10);
        RealMatrix b(1, 3, 1, 3);
        ThrowStatus(Status::InsufficientData);
    });
    EXPECT_EQ(status, SHEETSTAT_INSUFFICIENT_DATA);
    EXPECT_EQ(LiveWorkBlocks(), before);
}

TEST(FpuGuard, DivisionByZeroOverflowOrInvalidTurnsSuccessIntoNumericalFailure)
{
    EXPECT_EQ(RunExport([] { sink = one / zero; }), SHEETSTAT_NUMERICAL_FAILURE);
    EXPECT_EQ(RunExport([] { sink = huge * huge; }), SHEETSTAT_NUMERICAL_FAILURE);
    // An invalid operation is how a NaN arises from numbers.
    EXPECT_EQ(RunExport([] { sink = zero / zero; }), SHEETSTAT_NUMERICAL_FAILURE);
    // Underflow keeps its quiet IEEE result.
    EXPECT_EQ(RunExport([] { sink = tiny * tiny; }), SHEETSTAT_OK);
    // A status raised on purpose wins over a fault met before it.
    EXPECT_EQ(RunExport([] {
                  sink = one / zero;
                  ThrowStatus(Status::InsufficientData);
              }),
              SHEETSTAT_INSUFFICIENT_DATA);
}

TEST(FpuGuard, FlagsRaisedBeforeTheCallDoNotCount)
{
    std::feclearexcept(FE_ALL_EXCEPT);
    sink = one / zero;
    ASSERT_NE(std::fetestexcept(FE_DIVBYZERO), 0);
    EXPECT_EQ(RunExport([] {}), SHEETSTAT_OK);
    // ... and they are still set afterwards: the host's sticky flags are its own.
    EXPECT_NE(std::fetestexcept(FE_DIVBYZERO), 0);
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(FpuGuard, RestoresTheHostsEnvironmentExactly)
{
    std::fenv_t original;
    std::fegetenv(&original);

    // A host with some sticky flags raised and a non-default rounding mode.
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(FE_INEXACT | FE_UNDERFLOW);
    std::fesetround(FE_UPWARD);
    const FloatingPointState host = FloatingPointState::Read();

    EXPECT_EQ(RunExport([] { sink = one / zero; }), SHEETSTAT_NUMERICAL_FAILURE);
    EXPECT_TRUE(FloatingPointState::Read() == host);
    EXPECT_EQ(std::fegetround(), FE_UPWARD);
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), FE_INEXACT | FE_UNDERFLOW);

    EXPECT_EQ(RunExport([] { ThrowStatus(Status::BadArray); }), SHEETSTAT_BAD_ARRAY);
    EXPECT_TRUE(FloatingPointState::Read() == host);

    std::fesetenv(&original);
}

#if defined(__GLIBC__) && (defined(__x86_64__) || defined(__i386__))
// A host that runs with the zero-divide and overflow traps enabled: the call still
// never traps (no signal), and the traps are enabled again afterwards.
TEST(FpuGuard, NeverTrapsEvenWhenTheHostHasTrapsEnabled)
{
    std::fenv_t original;
    std::fegetenv(&original);
    std::feclearexcept(FE_ALL_EXCEPT);
    feenableexcept(FE_DIVBYZERO | FE_OVERFLOW);
    const FloatingPointState host = FloatingPointState::Read();

    // Should a trap fire anyway, the default SIGFPE action ends the test program.
    EXPECT_EQ(RunExport([] { sink = one / zero; }), SHEETSTAT_NUMERICAL_FAILURE);
    EXPECT_EQ(RunExport([] { sink = huge * huge; }), SHEETSTAT_NUMERICAL_FAILURE);
    EXPECT_EQ(fegetexcept(), FE_DIVBYZERO | FE_OVERFLOW);
    EXPECT_TRUE(FloatingPointState::Read() == host);

    fedisableexcept(FE_ALL_EXCEPT);
    std::fesetenv(&original);
}
#endif

}  // namespace
}  // namespace sheetstat

namespace sheetstat {
namespace {

constexpr int kCallerRoundingModes[] = {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};

TEST(FpuGuard, RoundsToNearestInsideTheCallAndRestoresTheCallersMode)
{
    for (int mode : kCallerRoundingModes) {
        ASSERT_EQ(std::fesetround(mode), 0);
        int inside = -1;
        EXPECT_EQ(RunExport([&inside] { inside = std::fegetround(); }), SHEETSTAT_OK);
        EXPECT_EQ(inside, FE_TONEAREST);
        EXPECT_EQ(std::fegetround(), mode);
    }
    std::fesetround(FE_TONEAREST);
}

// Exports whose series and iterations once ran for ever under a caller's directed
// rounding (a sum that should stop changing grew by an ulp each turn): each returns
// and gives bit for bit the results it gives under round-to-nearest.
TEST(FpuGuard, ExportsGiveTheSameResultsUnderEveryCallerRoundingMode)
{
    using testing::kMissing;
    const std::vector<double> x = {1, 2, 3, 7.5, 2.25, 4, 1.5};
    const std::vector<double> y = {2.5, 1, 3.75, 5, 8, 3.5, 0.5};
    const std::vector<std::function<std::vector<double>()>> exports = {
        [] {
            RealHostArray data = RealHostArray::FromColumns({{1, 2, 3}, {0, 0, 0}, {0, 0, 0}});
            EXPECT_EQ(nkOutliers(data.ref()), SHEETSTAT_OK);
            std::vector<double> out = data.Column(2), p = data.Column(3);
            out.insert(out.end(), p.begin(), p.end());
            return out;
        },
        [&] {
            RealHostArray data = RealHostArray::FromValues(x), results(3);
            EXPECT_EQ(nkKSNormalTest(data.ref(), results.ref()), SHEETSTAT_OK);
            return results.Slots();
        },
        [] {
            RealHostArray options = RealHostArray::FromValues({6}), results(4);
            RealHostArray data = RealHostArray::FromValues({0, 1, 1, 2, 2, 2, 3, 3, 4, 5});
            EXPECT_EQ(nkChiSqNormalTest(options.ref(), data.ref(), results.ref()), SHEETSTAT_OK);
            return results.Slots();
        },
        [] {
            RealHostArray options = RealHostArray::FromValues({1}), counts(4, 1, 1), curve(13, 1, 1);
            RealHostArray data = RealHostArray::FromColumns({{0, 1, 1, 2, kMissing, 1}});
            EXPECT_EQ(nkFrequencies(options.ref(), data.ref(), counts.ref(), curve.ref()), SHEETSTAT_OK);
            return curve.Column(1);
        },
        [&] {
            RealHostArray data = RealHostArray::FromColumns({x}), results(10, 1, 1);
            EXPECT_EQ(nkRandomness(data.ref(), results.ref()), SHEETSTAT_OK);
            return results.Column(1);
        },
        [&] {
            RealHostArray options = RealHostArray::FromValues({1}), data = RealHostArray::FromColumns({x, y});
            RealHostArray codes(0), stats(3, 2, 1), results(3);
            EXPECT_EQ(nkUTest(options.ref(), data.ref(), codes.ref(), stats.ref(), results.ref()), SHEETSTAT_OK);
            return results.Slots();
        },
        [&] {
            RealHostArray data = RealHostArray::FromColumns({x, y}), results(8);
            EXPECT_EQ(nkWilcoxon(data.ref(), results.ref()), SHEETSTAT_OK);
            return results.Slots();
        },
    };
    std::vector<std::vector<double>> nearest;
    for (const auto& call : exports) nearest.push_back(call());
    for (int mode : kCallerRoundingModes) {
        for (std::size_t k = 0; k < exports.size(); ++k) {
            ASSERT_EQ(std::fesetround(mode), 0);
            const std::vector<double> results = exports[k]();
            EXPECT_EQ(std::fegetround(), mode);
            std::fesetround(FE_TONEAREST);
            EXPECT_EQ(results, nearest[k]) << "export " << k << ", rounding mode " << mode;
        }
    }
}

}  // namespace
}  // namespace sheetstat
