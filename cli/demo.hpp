// `sheetstat demo`: a short tour on small data sets built into the program. Each step
// writes its data set into the folder and runs an ordinary command line on it, so the
// printed command can be run again by hand.
#pragma once

#include <string>

namespace sheetstat::host {

int RunDemo(const std::string& folder);

}  // namespace sheetstat::host
