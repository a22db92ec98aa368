// The two kinds of failure the command line reports, each with its exit code.
#pragma once

#include <stdexcept>
#include <string>

namespace sheetstat::host {

// Bad usage or input: an unknown column, a cell that is not a number, an unreadable
// file, a malformed CSV line. The program prints the message and exits with 2.
struct UsageError : std::runtime_error {
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// The library returned a non-zero status. The program prints the message and exits with 1.
struct AnalysisError : std::runtime_error {
    explicit AnalysisError(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr int kExitAnalysisFailed = 1;
inline constexpr int kExitUsage = 2;

}  // namespace sheetstat::host
