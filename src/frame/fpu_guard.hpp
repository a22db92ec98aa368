// Floating-point guard of an export call.
//
// On entry it saves the host's floating-point environment (exception masks, sticky
// flags, rounding) and switches to non-stop mode with clear flags and
// round-to-nearest, so no arithmetic fault can trap or raise a signal inside the
// library and every computation rounds as it was written for. On exit it restores the host's
// environment exactly. In between, faultRaised() tells whether a division by zero or
// an overflow happened during the call; the export reports that as a numerical
// failure instead of returning garbage as success. Underflow and invalid operations
// are left to the IEEE defaults and do not count as faults.
#pragma once

#include <cfenv>

namespace sheetstat {

class FpuGuard {
public:
    FpuGuard() noexcept;
    ~FpuGuard();
    FpuGuard(const FpuGuard&) = delete;
    FpuGuard& operator=(const FpuGuard&) = delete;

    bool faultRaised() const noexcept;

private:
    std::fenv_t hostEnvironment_;
};

}  // namespace sheetstat
