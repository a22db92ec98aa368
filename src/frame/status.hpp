// Status codes and the library's exception family.
//
// Failures travel inside the library as exceptions and become a status code only at
// the export boundary (RunExport). A StatusError carries its code with it, so no
// process-wide "pending status" cell is needed and concurrent calls cannot mix codes.
#pragma once

#include <cstdint>
#include <exception>

#include "sheetstat/sheetstat.h"

namespace sheetstat {

enum class Status : int32_t {
    Ok = SHEETSTAT_OK,
    Failure = SHEETSTAT_FAILURE,
    NoMemory = SHEETSTAT_NO_MEMORY,
    InsufficientData = SHEETSTAT_INSUFFICIENT_DATA,
    NumericalFailure = SHEETSTAT_NUMERICAL_FAILURE,
    BadArray = SHEETSTAT_BAD_ARRAY,
    ChiSquareEmptyCell = SHEETSTAT_CHI_SQUARE_EMPTY_CELL,
    NonPositiveInteraction = SHEETSTAT_NONPOSITIVE_INTERACTION,
    NoModelFitted = SHEETSTAT_NO_MODEL_FITTED,
    NoPredictorLeft = SHEETSTAT_NO_PREDICTOR_LEFT,
};

// Base of every exception the library raises on purpose.
class LibraryError : public std::exception {
public:
    const char* what() const noexcept override { return "sheetstat library error"; }
};

// Work storage could not be obtained.
class MemoryError : public LibraryError {
public:
    const char* what() const noexcept override { return "sheetstat: work storage unavailable"; }
};

// An analysis check failed; carries the status code the export returns.
class StatusError : public LibraryError {
public:
    explicit StatusError(Status code) noexcept : code_(code) {}
    Status code() const noexcept { return code_; }
    const char* what() const noexcept override { return "sheetstat: analysis check failed"; }

private:
    Status code_;
};

// Every analysis check fails through this call.
[[noreturn]] void ThrowStatus(Status code);

// Raises `code` (by default Status::BadArray) unless `condition` holds.
inline void Require(bool condition, Status code = Status::BadArray)
{
    if (!condition) ThrowStatus(code);
}

// The status for the exception currently being handled: NoMemory for a memory
// error or std::bad_alloc, the carried code for a StatusError, Failure otherwise.
// Call only inside a catch block.
Status StatusFromException() noexcept;

}  // namespace sheetstat
