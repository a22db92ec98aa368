// Floating-point guard of an export call.
//
// On entry it saves the host's floating-point environment (exception masks, sticky
// flags, rounding) and switches to non-stop mode with clear flags and
// round-to-nearest, so no arithmetic fault can trap or raise a signal inside the
// library and every computation rounds as it was written for. On exit it restores the
// host's environment exactly. In between, faultRaised() tells whether a division by
// zero, an overflow or an invalid operation happened during the call: these are the
// only ways an infinity or a NaN arises from finite numbers, and the data the library
// accepts are finite, so the export reports the fault as a numerical failure instead
// of returning garbage as success. Underflow is left to the IEEE default (gradual
// underflow towards 0) and does not count as a fault.
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
