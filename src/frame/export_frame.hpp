// The frame that every analysis export runs around its computation.
#pragma once

#include <cstdint>

#include "frame/fpu_guard.hpp"
#include "frame/status.hpp"

namespace sheetstat {

// Runs `body` under the floating-point guard and turns whatever leaves it into a
// status code: 0 on success, the code of a StatusError, 2 for exhausted work storage,
// 1 for any other exception, and 7 when an otherwise successful call divided by zero,
// overflowed or made an invalid operation (so no result it wrote is infinite or NaN).
// Work storage is owned by objects inside `body` and is released during unwinding,
// before the code is returned. Nothing escapes across the C ABI.
template <class Body>
int32_t RunExport(Body&& body) noexcept
{
    FpuGuard guard;
    Status status = Status::Ok;
    try {
        body();
    } catch (...) {
        status = StatusFromException();
    }
    if (status == Status::Ok && guard.faultRaised()) status = Status::NumericalFailure;
    return static_cast<int32_t>(status);
}

}  // namespace sheetstat
