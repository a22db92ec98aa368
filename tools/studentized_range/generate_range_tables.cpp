// Prints src/numeric/studentized_range_tables.cpp: the published rows k = 3, 4 and 20
// as they stand, rows 5..19 computed from the expansion in range_expansion.cpp.
//     generate_range_tables > src/numeric/studentized_range_tables.cpp
#include <iostream>

#include "range_expansion.hpp"

int main()
{
    std::cout << sheetstat::tools::FormatRangeTablesSource(sheetstat::tools::GenerateRangeTables());
    return std::cout.good() ? 0 : 1;
}
