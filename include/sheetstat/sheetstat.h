/* sheetstat: statistics computations over host array descriptors.
 *
 * Every analysis export takes the address of a cell that holds the address of a
 * HostArray descriptor (HostArray**), reads its inputs through it, writes its
 * results straight into the host's result arrays and returns a status code.
 * Usable from C and C++.
 */
#ifndef SHEETSTAT_SHEETSTAT_H
#define SHEETSTAT_SHEETSTAT_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Calling convention and visibility of the exports. */
#if defined(_WIN32) && !defined(_WIN64)
#define SHEETSTAT_CALL __stdcall
#else
#define SHEETSTAT_CALL
#endif

#if defined(SHEETSTAT_STATIC)
#define SHEETSTAT_API
#elif defined(_WIN32)
#if defined(SHEETSTAT_BUILDING_LIBRARY)
#define SHEETSTAT_API __declspec(dllexport)
#else
#define SHEETSTAT_API __declspec(dllimport)
#endif
#else
#define SHEETSTAT_API __attribute__((visibility("default")))
#endif

/* One dimension of a host array: element count and lower bound. */
typedef struct HostArrayBound {
    uint32_t count;
    int32_t lowerBound;
} HostArrayBound;

/* The host's array descriptor, laid out as the OLE Automation SAFEARRAY.
 * bounds[0] describes the last (rightmost) dimension, bounds[1] the one before it:
 * for a two-dimensional a(r, c), bounds[1] is the row dimension and bounds[0] the
 * column dimension. Elements are stored column after column (first index fastest).
 * Declared with two bounds; a one-dimensional descriptor needs only the first. */
typedef struct HostArray {
    uint16_t dimensions;
    uint16_t features;
    uint32_t elementSize;
    uint32_t lockCount;
    void* data;
    HostArrayBound bounds[2];
} HostArray;

#if defined(__cplusplus)
#define SHEETSTAT_STATIC_ASSERT(condition, message) static_assert(condition, message)
#else
#define SHEETSTAT_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif

#if UINTPTR_MAX == 0xFFFFFFFFu
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, dimensions) == 0, "32-bit layout: dimensions at 0");
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, features) == 2, "32-bit layout: features at 2");
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, elementSize) == 4, "32-bit layout: element size at 4");
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, lockCount) == 8, "32-bit layout: lock count at 8");
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, data) == 12, "32-bit layout: data at 12");
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, bounds) == 16, "32-bit layout: bound 0 count at 16");
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, bounds) + offsetof(HostArrayBound, lowerBound) == 20,
                        "32-bit layout: bound 0 lower bound at 20");
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, bounds) + sizeof(HostArrayBound) == 24,
                        "32-bit layout: bound 1 count at 24");
SHEETSTAT_STATIC_ASSERT(sizeof(HostArray) == 32, "32-bit layout: 32 bytes with two bounds");
#elif UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
/* The native 64-bit SAFEARRAY: the data pointer is aligned to 8, so it sits at 16. */
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, lockCount) == 8, "64-bit layout: lock count at 8");
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, data) == 16, "64-bit layout: data at 16");
SHEETSTAT_STATIC_ASSERT(offsetof(HostArray, bounds) == 24, "64-bit layout: bound 0 at 24");
SHEETSTAT_STATIC_ASSERT(sizeof(HostArray) == 40, "64-bit layout: 40 bytes with two bounds");
#endif

/* An empty worksheet cell: compared by all 64 bits, never as a number. */
#define SHEETSTAT_MISSING_VALUE_BITS UINT64_C(0xB3B3D6B6CCC52E8E) /* -1.234567e-59 */
/* A row that asks a regression or discriminant analysis for a prediction. */
#define SHEETSTAT_PREDICT_MARKER_BITS UINT64_C(0xB3B3D6B5BF2BB7E9) /* -1.234566e-59 */

/* Status codes returned by every analysis export. */
enum SheetstatStatus {
    SHEETSTAT_OK = 0,                      /* success */
    SHEETSTAT_FAILURE = 1,                 /* any other failure inside the library */
    SHEETSTAT_NO_MEMORY = 2,               /* work storage could not be obtained */
    SHEETSTAT_INSUFFICIENT_DATA = 3,       /* too few valid values, or zero spread */
    SHEETSTAT_NUMERICAL_FAILURE = 7,       /* singular matrix, no convergence, division by zero, overflow */
    SHEETSTAT_BAD_ARRAY = 8,               /* array too small or misshapen, code out of range */
    SHEETSTAT_CHI_SQUARE_EMPTY_CELL = 12,  /* chi-square: empty cell or zero expected frequency */
    SHEETSTAT_NONPOSITIVE_INTERACTION = 14, /* two-factor ANOVA: interaction sum of squares <= 0 */
    SHEETSTAT_NO_MODEL_FITTED = 15,        /* simple regression: no requested model could be fitted */
    SHEETSTAT_NO_PREDICTOR_LEFT = 18       /* stepwise regression: the model would lose its last predictor */
};

/* ---- Descriptive statistics and one-sample analyses ---- */
SHEETSTAT_API int32_t SHEETSTAT_CALL nkDescriptives(HostArray** data, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkMeans(HostArray** options, HostArray** data,
                                             HostArray** countTable, HostArray** meanTable,
                                             HostArray** sdTable, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkFrequencies(HostArray** options, HostArray** data, HostArray** counts,
                                                   HostArray** normalCurve);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkRandomness(HostArray** data, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkOutliers(HostArray** data);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkKSNormalTest(HostArray** data, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkChiSqNormalTest(HostArray** options, HostArray** data, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkChiSquare(HostArray** data, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkCrosstabs(HostArray** options, HostArray** data, HostArray** observed,
                                                 HostArray** expected, HostArray** contributions,
                                                 HostArray** results);

/* ---- Group comparisons ---- */
SHEETSTAT_API int32_t SHEETSTAT_CALL nkTTestIndep(HostArray** options, HostArray** data, HostArray** groupCodes,
                                                  HostArray** groupStats, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkTTestDep(HostArray** data, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkMcNemar(HostArray** data, HostArray** table, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkUTest(HostArray** options, HostArray** data, HostArray** groupCodes,
                                             HostArray** groupStats, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkWilcoxon(HostArray** data, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkAnova(HostArray** options, HostArray** data, HostArray** factorCodes,
                                             HostArray** levelStats, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkPostHoc(HostArray** options, HostArray** levelStats, HostArray** comparisons,
                                               HostArray** subsets);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkRepMeasures(HostArray** data, HostArray** anovaTable);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkSplitPlot(HostArray** options, HostArray** data, HostArray** groupCodes,
                                                 HostArray** anovaTable);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkHTest(HostArray** options, HostArray** data, HostArray** groupCodes,
                                             HostArray** groupStats, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkFriedman(HostArray** data, HostArray** groupStats, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkQTest(HostArray** data, HostArray** results);

/* ---- Correlation and regression ---- */
/* idsA and idsB are one-dimensional arrays of 4-byte integers (variable identifiers). */
SHEETSTAT_API int32_t SHEETSTAT_CALL nkPearson(HostArray** idsA, HostArray** idsB, HostArray** dataA, HostArray** dataB,
                                               HostArray** counts, HostArray** correlations,
                                               HostArray** probabilities, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkPartial(HostArray** idsA, HostArray** idsB, HostArray** dataA, HostArray** dataB,
                                               HostArray** control, HostArray** counts, HostArray** correlations,
                                               HostArray** probabilities);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkSpearman(HostArray** idsA, HostArray** idsB, HostArray** dataA,
                                                HostArray** dataB, HostArray** counts, HostArray** coefficients,
                                                HostArray** probabilities);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkKendall(HostArray** idsA, HostArray** idsB, HostArray** dataA, HostArray** dataB,
                                               HostArray** counts, HostArray** coefficients,
                                               HostArray** probabilities);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkCrossCorrel(HostArray** options, HostArray** data, HostArray** result);
/* Regression: simple (seven two-parameter models), polynomial, multiple (with selection). */
SHEETSTAT_API int32_t SHEETSTAT_CALL nkSimpleReg(HostArray** options, HostArray** data, HostArray** predictions,
                                                 HostArray** residuals, HostArray** curve, HostArray** models);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkPolyReg(HostArray** options, HostArray** data, HostArray** weights,
                                               HostArray** predictions, HostArray** residuals, HostArray** curve,
                                               HostArray** results, HostArray** coefficients);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkMultiReg(HostArray** options, HostArray** data, HostArray** y,
                                                HostArray** weights, HostArray** predictions, HostArray** residuals,
                                                HostArray** results, HostArray** steps, HostArray** coefficients);

/* ---- Quality control and chart series ---- */
SHEETSTAT_API int32_t SHEETSTAT_CALL nkQCChart(HostArray** options, HostArray** data, HostArray** chartPoints,
                                               HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkCapability(HostArray** specLimits, HostArray** data, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkScatterPlot(HostArray** data, HostArray** groupCounts);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkBoxWhisker(HostArray** options, HostArray** data, HostArray** boxes);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkCumulative(HostArray** plotTable, HostArray** results);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkPareto(HostArray** data, HostArray** pareto, HostArray** results);

/* ---- Multivariate analysis ---- */
SHEETSTAT_API int32_t SHEETSTAT_CALL nkCluster(HostArray** options, HostArray** data, HostArray** labels,
                                               HostArray** history, HostArray** dendrogram, HostArray** pairs,
                                               HostArray** leaves, HostArray** stats);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkSeparate(HostArray** options, HostArray** pairs, HostArray** membership);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkFactorA(HostArray** options, HostArray** data, HostArray** communalities,
                                               HostArray** eigenvalues, HostArray** loadings, HostArray** scores,
                                               HostArray** stats);
SHEETSTAT_API int32_t SHEETSTAT_CALL nkDiscrim(HostArray** options, HostArray** data, HostArray** groups,
                                               HostArray** predictions, HostArray** functionTable,
                                               HostArray** rawCoefficients, HostArray** standardisedCoefficients,
                                               HostArray** centroids, HostArray** groupDistances,
                                               HostArray** classificationTable, HostArray** stats);

/* ---- Survival analysis ---- */
SHEETSTAT_API int32_t SHEETSTAT_CALL nkSurvival(HostArray** options, HostArray** times, HostArray** events,
                                                HostArray** groups, HostArray** survival, HostArray** groupTable,
                                                HostArray** test);

/* ---- Numerical core ---- */
/* Two-tailed critical value of Student's t: the t >= 0 with P(|T| >= t) ~ p for T with
 * df degrees of freedom, to within 1e-4 from above for every p in (0, 1] and df > 0, at
 * most 10 (10 when the true value is larger). From df = 1e7 on (and for infinite df)
 * from the normal limit; df below 1e-10 is taken as 1e-10. Returns -1 when p <= 0,
 * df <= 0, either argument is NaN, or the computation fails. No host arrays and no
 * status: it saves and restores the caller's floating-point environment (no flag
 * raised inside reaches the caller, no trap fires) and rounds to nearest inside. */
SHEETSTAT_API double SHEETSTAT_CALL nkTofP(double p, double df);

#if defined(SHEETSTAT_TEST_HOOKS)
/* Test builds only: the (k+1)-th work-storage allocation from now fails (k = 0: the
 * next one); a negative k switches failure off. Returns the number of allocations
 * made since the previous call. */
SHEETSTAT_API int32_t SHEETSTAT_CALL sheetstatFailAllocationAfter(int32_t k);
#endif

#ifdef __cplusplus
}
#endif

#endif /* SHEETSTAT_SHEETSTAT_H */
