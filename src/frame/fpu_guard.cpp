#include "frame/fpu_guard.hpp"

namespace sheetstat {

FpuGuard::FpuGuard() noexcept
{
    // Saves the whole environment, clears the flags and installs non-stop mode, then
    // rounds to nearest whatever the caller's mode: the library's series and
    // iterations are written for it (under upward rounding a sum that should stop
    // changing can grow by an ulp for ever).
    std::feholdexcept(&hostEnvironment_);
    std::fesetround(FE_TONEAREST);
}

FpuGuard::~FpuGuard()
{
    std::fesetenv(&hostEnvironment_);
}

bool FpuGuard::faultRaised() const noexcept
{
    return std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID) != 0;
}

}  // namespace sheetstat
