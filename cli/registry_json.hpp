// The registry as JSON, for hosts that are not this program (a spreadsheet add-in, a
// Python module): the same entries the command line reads.
#pragma once

#include <string>

namespace sheetstat::host {

std::string RegistryJson();

}  // namespace sheetstat::host
