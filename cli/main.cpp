// sheetstat: statistics on CSV files through the sheetstat library.
#include <string>
#include <vector>

#include "command_line.hpp"

int main(int argc, char** argv)
{
    return sheetstat::host::RunCommandLine(std::vector<std::string>(argv, argv + argc));
}
