// The export frame: mapping of exceptions to status codes, the floating-point
// guard (non-stop mode inside, the host's environment restored on every return),
// and independence of successive calls.
#include <cfenv>
#include <new>
#include <stdexcept>

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

// (Every export under these modes, with the series that once ran for ever under
// them, is the contract test's.)
TEST(FpuGuard, RoundsToNearestInsideTheCallAndRestoresTheCallersMode)
{
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        int inside = -1;
        EXPECT_EQ(RunExport([&inside] { inside = std::fegetround(); }), SHEETSTAT_OK);
        EXPECT_EQ(inside, FE_TONEAREST);
        EXPECT_EQ(std::fegetround(), mode);
    }
    std::fesetround(FE_TONEAREST);
}

}  // namespace
}  // namespace sheetstat
