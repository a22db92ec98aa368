/* A complete C host of the sheetstat library: it builds the host array descriptors by
 * hand, marks an empty cell, calls nkTTestIndep on two groups of yields and prints the
 * group means and the pooled t-test. Build it against the installed library with
 *   cc ttest.c $(pkg-config --cflags --libs sheetstat)
 * or with CMake: find_package(sheetstat) and link sheetstat::sheetstat. */
#include <stdio.h>
#include <string.h>
#include <sheetstat/sheetstat.h>

/* A one-dimensional array of doubles, indexed from 1. */
static HostArray Vector(double* values, uint32_t count)
{
    HostArray a;
    memset(&a, 0, sizeof a);
    a.dimensions = 1;
    a.elementSize = sizeof(double);
    a.data = values;
    a.bounds[0].count = count;
    a.bounds[0].lowerBound = 1;
    return a;
}

/* A rows x cols array stored column after column: bounds[0] columns, bounds[1] rows. */
static HostArray Matrix(double* values, uint32_t rows, uint32_t cols)
{
    HostArray a = Vector(values, cols);
    a.dimensions = 2;
    a.bounds[1].count = rows;
    a.bounds[1].lowerBound = 1;
    return a;
}

int main(void)
{
    const uint64_t missingBits = SHEETSTAT_MISSING_VALUE_BITS;
    double options[1] = {0}; /* layout 0: one data column and a group code per row */
    double yields[10] = {20.1, 21.4, 19.8, 0, 22.0, 24.0, 25.2, 23.9, 26.3, 24.8};
    double codes[10] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1};
    double groupStats[4 * 3]; /* rows n, mean, sd, se; columns group 1, group 2, both */
    double results[8];
    HostArray o = Vector(options, 1), d = Matrix(yields, 10, 1), c = Vector(codes, 10),
              g = Matrix(groupStats, 4, 3), r = Vector(results, 8);
    HostArray *po = &o, *pd = &d, *pc = &c, *pg = &g, *pr = &r;
    int32_t status;

    memcpy(&yields[3], &missingBits, sizeof(double)); /* an empty cell: skipped */
    status = nkTTestIndep(&po, &pd, &pc, &pg, &pr);
    if (status != SHEETSTAT_OK) {
        fprintf(stderr, "nkTTestIndep failed with status %d\n", (int)status);
        return 1;
    }
    printf("means %.4f and %.4f, pooled t = %.4f, p = %.4f\n", groupStats[1], groupStats[5],
           results[2], results[6]);
    return 0;
}
