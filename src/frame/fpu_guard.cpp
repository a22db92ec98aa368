#include "frame/fpu_guard.hpp"

namespace sheetstat {

FpuGuard::FpuGuard() noexcept
{
    // Saves the whole environment, clears the flags and installs non-stop mode.
    std::feholdexcept(&hostEnvironment_);
}

FpuGuard::~FpuGuard()
{
    std::fesetenv(&hostEnvironment_);
}

bool FpuGuard::faultRaised() const noexcept
{
    return std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW) != 0;
}

}  // namespace sheetstat
