// The command line: `sheetstat ANALYSIS [options] FILE COLUMN...`, one subcommand
// per registry entry, plus `tquantile P DF`, `demo [FOLDER]` and `registry`.
#pragma once

#include <string>
#include <vector>

namespace sheetstat::host {

// Parses and runs one command line (args[0] is the program name). Results go to
// stdout, messages and progress to stderr. Returns the exit code: 0 success,
// 1 an analysis failed (non-zero status), 2 bad usage or input.
int RunCommandLine(const std::vector<std::string>& args);

}  // namespace sheetstat::host
