// The caller's floating-point environment as a host can observe it, and the settings
// a harness installs before a call (rounding mode, raised flags, unmasked traps).
// Shared by the frame tests, the contract test and the fuzzer; needs no test framework.
#pragma once

#include <cfenv>
#if defined(__SSE__)
#include <immintrin.h>
#endif

namespace sheetstat::testing {

// Rounding, sticky flags, and on x86 the SSE control/status register and the x87
// control word (which hold the exception masks).
struct FloatingPointState {
    int rounding = 0;
    int flags = 0;
    unsigned sseControl = 0;
    unsigned short x87Control = 0;

    static FloatingPointState Read() noexcept
    {
        FloatingPointState state;
        state.rounding = std::fegetround();
        state.flags = std::fetestexcept(FE_ALL_EXCEPT);
#if defined(__SSE__)
        state.sseControl = _mm_getcsr();
#endif
#if defined(__x86_64__) || defined(__i386__)
        __asm__ volatile("fnstcw %0" : "=m"(state.x87Control));
#endif
        return state;
    }
    bool operator==(const FloatingPointState&) const = default;
};

// Unmasked traps can be installed where glibc offers feenableexcept on x86.
#if defined(__GLIBC__) && (defined(__x86_64__) || defined(__i386__))
inline constexpr bool kCanUnmaskTraps = true;
#else
inline constexpr bool kCanUnmaskTraps = false;
#endif

// A caller's settings: rounding mode, sticky flags raised before the call and
// exceptions whose traps are unmasked (FE_* bits).
struct CallerSettings {
    int rounding = FE_TONEAREST;
    int raised = 0;
    int traps = 0;

    // Installs the settings; flags are raised before traps are unmasked, and only
    // for exceptions that do not trap.
    void Install() const noexcept
    {
        std::feclearexcept(FE_ALL_EXCEPT);
        std::fesetround(rounding);
        if (raised != 0) std::feraiseexcept(raised & ~traps);
#if defined(__GLIBC__) && (defined(__x86_64__) || defined(__i386__))
        if (traps != 0) feenableexcept(traps);
#endif
    }
};

// Back to the default environment: round to nearest, no flags, every trap masked.
inline void RestoreDefaultEnvironment() noexcept
{
    std::fesetenv(FE_DFL_ENV);
}

}  // namespace sheetstat::testing
