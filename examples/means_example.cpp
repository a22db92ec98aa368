// Calls nkMeans on a small built-in table (a measurement with a row and a column
// code) and prints the tables of counts, means and standard deviations.
#include <cstdio>
#include <vector>

#include "sheetstat/host_array.hpp"
#include "sheetstat/sheetstat.h"

int main()
{
    using sheetstat::RealHostArray;
    // Yield of three fertilisers (rows) on two soils (columns).
    const std::vector<double> yield = {20.1, 21.4, 19.8, 24.0, 25.2, 23.9, 22.7, 18.5, 19.9, 26.3, 27.1, 25.5};
    const std::vector<double> fertiliser = {0, 0, 0, 1, 1, 1, 2, 2, 2, 1, 1, 2};
    const std::vector<double> soil = {0, 1, 0, 0, 1, 1, 0, 1, 1, 0, 0, 1};

    RealHostArray options = RealHostArray::FromValues({0});
    RealHostArray data = RealHostArray::FromColumns({yield, fertiliser, soil});
    const std::size_t rows = 4, cols = 2;  // three fertilisers and the totals row
    RealHostArray counts(rows, cols, 1), means(rows, cols, 1), sds(rows, cols, 1);
    RealHostArray results(3);

    const int32_t status = nkMeans(options.ref(), data.ref(), counts.ref(), means.ref(), sds.ref(), results.ref());
    if (status != SHEETSTAT_OK) {
        std::printf("nkMeans failed with status %d\n", static_cast<int>(status));
        return 1;
    }
    const char* rowNames[] = {"fertiliser 0", "fertiliser 1", "fertiliser 2", "total"};
    std::printf("%-14s %24s %24s\n", "", "soil 0 (n, mean, sd)", "soil 1 (n, mean, sd)");
    for (std::size_t i = 1; i <= rows; ++i) {
        std::printf("%-14s", rowNames[i - 1]);
        for (std::size_t j = 1; j <= cols; ++j) {
            std::printf("   %3.0f %8.3f ", counts(i, j), means(i, j));
            if (counts(i, j) > 1) std::printf("%8.3f", sds(i, j)); else std::printf("%8s", "-");
        }
        std::printf("\n");
    }
    std::printf("all values: n = %.0f, mean = %.4f, sd = %.4f\n", results[1], results[2], results[3]);
    return 0;
}
