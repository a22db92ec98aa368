/* A complete C host of the sheetstat library: it builds the host array descriptors by
 * hand, calls nkTTestIndep on two groups of yields (one value missing), and prints the
 * group statistics and the tests. Build against the installed library with
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

/* A two-dimensional rows x cols array of doubles stored column after column, indexed
 * from 1: bounds[0] describes the columns, bounds[1] the rows. */
static HostArray Matrix(double* values, uint32_t rows, uint32_t cols)
{
    HostArray a = Vector(values, cols);
    a.dimensions = 2;
    a.bounds[1].count = rows;
    a.bounds[1].lowerBound = 1;
    return a;
}

static double MissingValue(void)
{
    const uint64_t bits = SHEETSTAT_MISSING_VALUE_BITS;
    double x;
    memcpy(&x, &bits, sizeof x);
    return x;
}

static int IsMissing(double x)
{
    uint64_t bits;
    memcpy(&bits, &x, sizeof bits);
    return bits == SHEETSTAT_MISSING_VALUE_BITS;
}

int main(void)
{
    /* Layout 0: all values in one data column, a group code (0 or 1) for each row. */
    double options[1] = {0};
    double yields[10] = {20.1, 21.4, 19.8, 0, 22.0, 24.0, 25.2, 23.9, 26.3, 24.8};
    double codes[10] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1};
    double groupStats[4 * 3]; /* rows n, mean, sd, standard error; columns group 1, group 2, both */
    double results[8];
    static const char* const statNames[4] = {"n", "mean", "standard deviation", "standard error"};
    static const char* const resultNames[8] = {"F", "probability of F", "t (pooled)", "t (Welch)",
                                               "df (pooled)", "df (Welch)", "p (pooled t)", "p (Welch t)"};
    HostArray optionsArray = Vector(options, 1), dataArray = Matrix(yields, 10, 1), codesArray = Vector(codes, 10),
              statsArray = Matrix(groupStats, 4, 3), resultsArray = Vector(results, 8);
    HostArray *optionsRef = &optionsArray, *dataRef = &dataArray, *codesRef = &codesArray,
              *statsRef = &statsArray, *resultsRef = &resultsArray;
    int32_t status;
    int i, j;

    yields[3] = MissingValue(); /* an empty cell: skipped */
    status = nkTTestIndep(&optionsRef, &dataRef, &codesRef, &statsRef, &resultsRef);
    if (status != SHEETSTAT_OK) {
        fprintf(stderr, "nkTTestIndep failed with status %d\n", (int)status);
        return 1;
    }
    printf("%-20s %10s %10s %10s\n", "", "group 1", "group 2", "both");
    for (i = 0; i < 4; ++i) {
        printf("%-20s", statNames[i]);
        for (j = 0; j < 3; ++j) printf(" %10.4f", groupStats[j * 4 + i]); /* cell (i+1, j+1) */
        printf("\n");
    }
    for (i = 0; i < 8; ++i) {
        if (IsMissing(results[i])) printf("%-20s %10s\n", resultNames[i], "-");
        else printf("%-20s %10.4f\n", resultNames[i], results[i]);
    }
    return 0;
}
