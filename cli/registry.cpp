// The analyses the command line offers, one entry each. To add one: describe its
// options, forms, argument sizes, result labels, status texts and chart below, and
// add it to kAnalyses. Only an unusual result layout needs code (a ChartBuilder).
#include "registry.hpp"

#include <algorithm>

namespace sheetstat::host {
namespace {

using Q = Quantity;
using L = LabelSource;
using sv = std::string_view;

// ---- Labels shared by several analyses ----
constexpr sv kTotal[] = {"total"};
constexpr sv kBoth[] = {"both"};
constexpr sv kValue[] = {"value"};
constexpr sv kCountMeanSd[] = {"n", "mean", "standard deviation"};

// ---- Arguments shared by several analyses ----
constexpr ArgumentSpec kOptions1 = {"options", Fill::Options, Fixed(1)};
constexpr ArgumentSpec kPairData = {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns)};

// ======================================================================= descriptives
constexpr sv kDescriptivesRows[] = {
    "n", "mean", "standard error", "standard deviation", "variance", "minimum", "maximum", "range", "sum",
    "1st percentile", "5th percentile", "10th percentile", "lower quartile", "median", "upper quartile",
    "90th percentile", "95th percentile", "99th percentile", "skewness", "excess kurtosis", "geometric mean",
    "smallest difference", "coefficient of variation", "relative standard error %"};
constexpr ArgumentSpec kDescriptivesArgs[] = {
    {"data", Fill::Vector, Count(Q::Cases)},
    {"results", Fill::Result, Fixed(24)},
};
constexpr TableSpec kDescriptivesTables[] = {
    {"statistics", "Descriptive statistics", 1, {L::Fixed, kDescriptivesRows}, {L::Calls}},
};
constexpr FormSpec kDescriptivesForms[] = {
    {.usage = "COLUMN...", .help = "one or more numeric columns, each summarised on its own",
     .maxColumns = 0, .repeat = Repeat::EachColumn, .arguments = kDescriptivesArgs, .tables = kDescriptivesTables},
    {.usage = "COLUMN... --by GROUP", .help = "each column summarised for every group of GROUP", .byColumns = 1,
     .maxColumns = 0, .repeat = Repeat::EachColumn, .arguments = kDescriptivesArgs, .tables = kDescriptivesTables},
};

// ======================================================================= frequencies
constexpr OptionSpec kFrequenciesOptions[] = {
    {.flag = "width", .help = "class width for numbers that are not whole (default: a round width from Sturges' rule)",
     .defaultValue = kFromData, .min = 0},
    {.flag = "from", .help = "lower bound of the first class (default: the smallest value rounded down to the width)",
     .defaultValue = kFromData},
};
constexpr Preset kOneColumnPerColumn[] = {{1, 1}};
constexpr ArgumentSpec kFrequenciesArgs[] = {
    kOptions1,
    {"data", Fill::Codes, Count(Q::Cases), Count(Q::Columns)},
    {"counts", Fill::Result, Count(Q::Classes, 1, 1), Count(Q::Columns)},
    {"normalCurve", Fill::Result, Count(Q::Classes, 4, 1), Fixed(1)},
};
constexpr TableSpec kFrequenciesTables[] = {
    {"counts", "Frequencies", 2, {L::Classes, kTotal}, {L::Columns}},
};
constexpr FormSpec kFrequenciesForms[] = {
    {.usage = "COLUMN...",
     .help = "class codes: whole numbers 0, 1, 2, ... count as they are, other numbers fall into classes of a "
             "width, labels are classes in text order; with one column the normal curve fitted to the counts "
             "comes too",
     .maxColumns = 0, .codes = CodeKind::Classes, .presets = kOneColumnPerColumn, .arguments = kFrequenciesArgs,
     .tables = kFrequenciesTables},
};
constexpr SeriesSpec kFrequenciesSeries[] = {
    {SeriesKind::Bars, "{column}", 2, 0, Count(Q::Classes), 0, 1},
    {SeriesKind::Line, "normal curve", 3, 1, Count(Q::Classes, 4, 1), -0.5, 0.25},
};
constexpr ChartSpec kFrequenciesChart = {"Frequencies of {columns}", "class of {columns}", "count", AxisKind::Classes,
                                         kFrequenciesSeries};
constexpr StatusText kFrequenciesStatus[] = {
    {8, "a value lies outside the classes (use --from no larger than the smallest value)"},
};

// ======================================================================= means
constexpr Preset kByCodes[] = {{1, 0}};
constexpr ArgumentSpec kMeansOneWayArgs[] = {
    kOptions1,
    {"data", Fill::NumbersWithGroupCodes, Count(Q::Cases), Fixed(2)},
    {"countTable", Fill::Result, Count(Q::Groups, 1, 1), Fixed(1)},
    {"meanTable", Fill::Result, Count(Q::Groups, 1, 1), Fixed(1)},
    {"sdTable", Fill::Result, Count(Q::Groups, 1, 1), Fixed(1)},
    {"results", Fill::Result, Fixed(3)},
};
constexpr ArgumentSpec kMeansTwoWayArgs[] = {
    kOptions1,
    {"data", Fill::NumbersWithGroupCodes, Count(Q::Cases), Fixed(3)},
    {"countTable", Fill::Result, Count(Q::Groups, 1, 1), Count(Q::Groups2)},
    {"meanTable", Fill::Result, Count(Q::Groups, 1, 1), Count(Q::Groups2)},
    {"sdTable", Fill::Result, Count(Q::Groups, 1, 1), Count(Q::Groups2)},
    {"results", Fill::Result, Fixed(3)},
};
constexpr ArgumentSpec kMeansColumnArgs[] = {
    kOptions1,
    {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns)},
    {"countTable", Fill::Result, Count(Q::Columns, 1, 1), Fixed(1)},
    {"meanTable", Fill::Result, Count(Q::Columns, 1, 1), Fixed(1)},
    {"sdTable", Fill::Result, Count(Q::Columns, 1, 1), Fixed(1)},
    {"results", Fill::Result, Fixed(3)},
};
constexpr int kMeansJoined[] = {2, 3, 4};
constexpr TableSpec kMeansOneWayTables[] = {
    {"groups", "Means by group", 0, {L::Groups, kTotal}, {L::Fixed, kCountMeanSd}, kMeansJoined},
    {"overall", "All values", 5, {L::Fixed, kCountMeanSd}, {L::Fixed, kValue}},
};
constexpr TableSpec kMeansColumnTables[] = {
    {"columns", "Means by column", 0, {L::Columns, kTotal}, {L::Fixed, kCountMeanSd}, kMeansJoined},
    {"overall", "All values", 5, {L::Fixed, kCountMeanSd}, {L::Fixed, kValue}},
};
constexpr TableSpec kMeansTwoWayTables[] = {
    {"counts", "Counts", 2, {L::Groups, kTotal}, {L::Groups2}},
    {"means", "Means", 3, {L::Groups, kTotal}, {L::Groups2}},
    {"sds", "Standard deviations", 4, {L::Groups, kTotal}, {L::Groups2}},
    {"overall", "All values", 5, {L::Fixed, kCountMeanSd}, {L::Fixed, kValue}},
};
constexpr FormSpec kMeansForms[] = {
    {.usage = "COLUMN --by GROUP", .help = "count, mean and standard deviation of COLUMN for every group",
     .byColumns = 1, .presets = kByCodes, .arguments = kMeansOneWayArgs, .tables = kMeansOneWayTables},
    {.usage = "COLUMN --by ROWS --by COLUMNS", .help = "a two-way table: groups of ROWS by groups of COLUMNS",
     .byColumns = 2, .presets = kByCodes, .arguments = kMeansTwoWayArgs, .tables = kMeansTwoWayTables},
    {.usage = "COLUMN COLUMN...", .help = "each column is a group", .minColumns = 2, .maxColumns = 0,
     .presets = kOneColumnPerColumn, .arguments = kMeansColumnArgs, .tables = kMeansColumnTables},
};

// ======================================================================= randomness
constexpr sv kRandomnessRows[] = {"n (turning points)",    "turning points T", "expected T",        "z (T)",
                                  "probability (T)",       "n (trend)",        "rising pairs P",    "expected P",
                                  "z (P)",                 "probability (P)"};
constexpr ArgumentSpec kRandomnessArgs[] = {
    kPairData,
    {"results", Fill::Result, Fixed(10), Count(Q::Columns)},
};
constexpr TableSpec kRandomnessTables[] = {
    {"tests", "Randomness of order: turning points and rank trend", 1, {L::Fixed, kRandomnessRows}, {L::Columns}},
};
constexpr FormSpec kRandomnessForms[] = {
    {.usage = "COLUMN...", .help = "one series per column, in file order", .maxColumns = 0,
     .arguments = kRandomnessArgs, .tables = kRandomnessTables},
};
constexpr StatusText kRandomnessStatus[] = {{3, "{smallest}; every series needs at least 3 values"}};

// ======================================================================= outliers
constexpr sv kOutlierColumns[] = {"value", "z", "probability"};
constexpr ArgumentSpec kOutliersArgs[] = {
    {"data", Fill::Numbers, Count(Q::Cases), Fixed(3)},
};
constexpr TableSpec kOutliersTables[] = {
    {"outliers", "Outliers", 0, {L::Lines}, {L::Fixed, kOutlierColumns}},
};
constexpr FormSpec kOutliersForms[] = {
    {.usage = "COLUMN...", .help = "each column screened on its own", .maxColumns = 0, .repeat = Repeat::EachColumn,
     .arguments = kOutliersArgs, .tables = kOutliersTables},
    {.usage = "COLUMN... --by GROUP", .help = "each column screened within every group", .byColumns = 1,
     .maxColumns = 0, .repeat = Repeat::EachColumn, .arguments = kOutliersArgs, .tables = kOutliersTables},
};
constexpr StatusText kOneSampleStatus[] = {{3, "{smallest}; at least 2 values that are not all equal are needed"}};

// ======================================================================= ks-normal
constexpr sv kKsRows[] = {"n", "D", "probability"};
constexpr ArgumentSpec kKsArgs[] = {
    {"data", Fill::Vector, Count(Q::Cases)},
    {"results", Fill::Result, Fixed(3)},
};
constexpr TableSpec kKsTables[] = {
    {"test", "Kolmogorov-Smirnov test of normality", 1, {L::Fixed, kKsRows}, {L::Calls}},
};
constexpr FormSpec kKsForms[] = {
    {.usage = "COLUMN...", .help = "each column tested on its own", .maxColumns = 0, .repeat = Repeat::EachColumn,
     .arguments = kKsArgs, .tables = kKsTables},
    {.usage = "COLUMN... --by GROUP", .help = "each column tested within every group", .byColumns = 1,
     .maxColumns = 0, .repeat = Repeat::EachColumn, .arguments = kKsArgs, .tables = kKsTables},
};

// ======================================================================= chisq-normal
constexpr OptionSpec kChiSqNormalOptions[] = {
    {.flag = "classes", .help = "number of classes m, at least 5 (default: the largest class number + 1)", .slot = 1,
     .defaultValue = kFromData, .min = 5, .max = 1e6, .integer = true, .derived = Count(Q::Classes)},
};
constexpr sv kChiSqNormalRows[] = {"classes m", "chi-square", "degrees of freedom", "probability"};
constexpr ArgumentSpec kChiSqNormalArgs[] = {
    kOptions1,
    {"data", Fill::Vector, Count(Q::Cases)},
    {"results", Fill::Result, Fixed(4)},
};
constexpr TableSpec kChiSqNormalTables[] = {
    {"test", "Chi-square test of normality", 2, {L::Fixed, kChiSqNormalRows}, {L::Calls}},
};
constexpr FormSpec kChiSqNormalForms[] = {
    {.usage = "COLUMN...", .help = "class numbers 0, 1, ..., m - 1 (a value counts in the class of its whole part)",
     .maxColumns = 0, .repeat = Repeat::EachColumn, .arguments = kChiSqNormalArgs, .tables = kChiSqNormalTables},
    {.usage = "COLUMN... --by GROUP", .help = "each column tested within every group", .byColumns = 1,
     .maxColumns = 0, .repeat = Repeat::EachColumn, .arguments = kChiSqNormalArgs, .tables = kChiSqNormalTables},
};
constexpr StatusText kChiSqNormalStatus[] = {
    {3, "{smallest}; the test needs at least 2 values that are not all equal, and at least 5 classes"},
    {8, "a value lies outside the classes 0 to m - 1 (class numbers must be whole numbers from 0; raise --classes)"},
};

// ======================================================================= chisquare
constexpr sv kChiSquareRows[] = {"chi-square", "degrees of freedom", "probability"};
constexpr ArgumentSpec kChiSquareArgs[] = {
    kPairData,
    {"results", Fill::Result, Fixed(3)},
};
constexpr TableSpec kChiSquareTables[] = {
    {"test", "Chi-square goodness of fit", 1, {L::Fixed, kChiSquareRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kChiSquareForms[] = {
    {.usage = "OBSERVED EXPECTED",
     .help = "one row per category: observed and expected frequencies (expected on any scale)", .minColumns = 2,
     .maxColumns = 2, .arguments = kChiSquareArgs, .tables = kChiSquareTables},
};
constexpr StatusText kChiSquareStatus[] = {
    {3, "at least 2 categories and some observations are needed"},
    {12, "every category needs an observed and an expected frequency, and no expected frequency may be 0"},
};

// ======================================================================= crosstabs
constexpr sv kCrosstabsRows[] = {"chi-square",         "degrees of freedom",       "probability",
                                 "% cells expected < 5", "contingency coefficient", "Cramer's V",
                                 "Fisher exact probability (one-tailed)"};
constexpr ArgumentSpec kCrosstabsArgs[] = {
    kOptions1,
    {"data", Fill::Codes, Count(Q::Cases), Count(Q::Columns)},
    {"observed", Fill::Result, Count(Q::RowClasses, 1, 1), Count(Q::ColumnClasses, 1, 1)},
    {"expected", Fill::Result, Count(Q::RowClasses), Count(Q::ColumnClasses)},
    {"contributions", Fill::Result, Count(Q::RowClasses), Count(Q::ColumnClasses)},
    {"results", Fill::Result, Fixed(7)},
};
constexpr TableSpec kCrosstabsTables[] = {
    {"observed", "Observed counts (rows: first column, columns: second)", 2, {L::RowClasses, kTotal},
     {L::ColumnClasses, kTotal}},
    {"expected", "Expected counts", 3, {L::RowClasses}, {L::ColumnClasses}},
    {"contributions", "Contributions to chi-square", 4, {L::RowClasses}, {L::ColumnClasses}},
    {"tests", "Test of independence", 5, {L::Fixed, kCrosstabsRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kCrosstabsForms[] = {
    {.usage = "ROWS COLUMNS", .help = "one case per row: the categories (numbers or labels) of two variables",
     .minColumns = 2, .maxColumns = 2, .codes = CodeKind::Categories, .presets = kOneColumnPerColumn,
     .arguments = kCrosstabsArgs, .tables = kCrosstabsTables},
};
constexpr StatusText kCrosstabsStatus[] = {{3, "no case has both categories"}};

// ======================================================================= ttest, mann-whitney
constexpr sv kGroupStatsRows[] = {"n", "mean", "standard deviation", "standard error"};
constexpr sv kTTestRows[] = {"F (larger variance / smaller)", "probability of F", "t (pooled variance)",
                             "t (Welch)", "degrees of freedom (pooled)", "degrees of freedom (Welch)",
                             "probability (pooled t)", "probability (Welch t)"};
constexpr Preset kByColumns[] = {{1, 1}};
constexpr ArgumentSpec kTTestByArgs[] = {
    kOptions1,
    {"data", Fill::Numbers, Count(Q::Cases), Fixed(1)},
    {"groupCodes", Fill::GroupCodes, Count(Q::Cases)},
    {"groupStats", Fill::Result, Fixed(4), Fixed(3)},
    {"results", Fill::Result, Fixed(8)},
};
constexpr ArgumentSpec kTTestColumnArgs[] = {
    kOptions1,
    kPairData,
    {"groupCodes", Fill::Unused},
    {"groupStats", Fill::Result, Fixed(4), Fixed(3)},
    {"results", Fill::Result, Fixed(8)},
};
constexpr TableSpec kTTestByTables[] = {
    {"groups", "Groups", 3, {L::Fixed, kGroupStatsRows}, {L::Groups, kBoth}},
    {"tests", "Tests (probabilities two-tailed)", 4, {L::Fixed, kTTestRows}, {L::Fixed, kValue}},
};
constexpr TableSpec kTTestColumnTables[] = {
    {"groups", "Groups", 3, {L::Fixed, kGroupStatsRows}, {L::Columns, kBoth}},
    {"tests", "Tests (probabilities two-tailed)", 4, {L::Fixed, kTTestRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kTTestForms[] = {
    {.usage = "VALUE --by GROUP", .help = "one value column and a column with exactly two groups", .byColumns = 1,
     .minGroups = 2, .maxGroups = 2, .presets = kByCodes, .arguments = kTTestByArgs, .tables = kTTestByTables},
    {.usage = "FIRST SECOND", .help = "one column per group", .minColumns = 2, .maxColumns = 2,
     .presets = kByColumns, .arguments = kTTestColumnArgs, .tables = kTTestColumnTables},
};
constexpr StatusText kTwoGroupStatus[] = {
    {3, "{smallest}; each group needs at least 2 values, and they may not all be equal"},
};

constexpr sv kRankStatsRows[] = {"n", "mean rank", "U"};
constexpr sv kUTestRows[] = {"z", "probability (one-tailed)", "probability (two-tailed)"};
constexpr ArgumentSpec kUTestByArgs[] = {
    kOptions1,
    {"data", Fill::Numbers, Count(Q::Cases), Fixed(1)},
    {"groupCodes", Fill::GroupCodes, Count(Q::Cases)},
    {"groupStats", Fill::Result, Fixed(3), Fixed(2)},
    {"results", Fill::Result, Fixed(3)},
};
constexpr ArgumentSpec kUTestColumnArgs[] = {
    kOptions1,
    kPairData,
    {"groupCodes", Fill::Unused},
    {"groupStats", Fill::Result, Fixed(3), Fixed(2)},
    {"results", Fill::Result, Fixed(3)},
};
constexpr TableSpec kUTestByTables[] = {
    {"groups", "Ranks", 3, {L::Fixed, kRankStatsRows}, {L::Groups}},
    {"test", "Normal approximation (corrected for ties)", 4, {L::Fixed, kUTestRows}, {L::Fixed, kValue}},
};
constexpr TableSpec kUTestColumnTables[] = {
    {"groups", "Ranks", 3, {L::Fixed, kRankStatsRows}, {L::Columns}},
    {"test", "Normal approximation (corrected for ties)", 4, {L::Fixed, kUTestRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kUTestForms[] = {
    {.usage = "VALUE --by GROUP", .help = "one value column and a column with exactly two groups", .byColumns = 1,
     .minGroups = 2, .maxGroups = 2, .presets = kByCodes, .arguments = kUTestByArgs, .tables = kUTestByTables},
    {.usage = "FIRST SECOND", .help = "one column per group", .minColumns = 2, .maxColumns = 2,
     .presets = kByColumns, .arguments = kUTestColumnArgs, .tables = kUTestColumnTables},
};

// ======================================================================= paired-ttest, wilcoxon, mcnemar
constexpr sv kPairedRows[] = {"pairs n", "mean difference", "standard deviation of differences", "t",
                              "degrees of freedom", "probability (two-tailed)"};
constexpr ArgumentSpec kPairedArgs[] = {kPairData, {"results", Fill::Result, Fixed(6)}};
constexpr TableSpec kPairedTables[] = {
    {"test", "Paired t-test (first - second)", 1, {L::Fixed, kPairedRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kPairedForms[] = {
    {.usage = "FIRST SECOND", .help = "two measurements of the same cases, one pair per row", .minColumns = 2,
     .maxColumns = 2, .arguments = kPairedArgs, .tables = kPairedTables},
};
constexpr StatusText kPairedStatus[] = {{3, "at least 2 complete pairs are needed, and not every difference may be 0"}};

constexpr sv kWilcoxonRows[] = {"pairs first < second",    "pairs first > second",    "pairs first = second",
                                "rank sum first < second", "rank sum first > second", "z",
                                "probability (one-tailed)", "probability (two-tailed)"};
constexpr ArgumentSpec kWilcoxonArgs[] = {kPairData, {"results", Fill::Result, Fixed(8)}};
constexpr TableSpec kWilcoxonTables[] = {
    {"test", "Wilcoxon signed-rank test", 1, {L::Fixed, kWilcoxonRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kWilcoxonForms[] = {
    {.usage = "FIRST SECOND", .help = "two measurements of the same cases, one pair per row", .minColumns = 2,
     .maxColumns = 2, .arguments = kWilcoxonArgs, .tables = kWilcoxonTables},
};
constexpr StatusText kWilcoxonStatus[] = {{3, "no pair has two different values"}};

constexpr sv kMcNemarRows[] = {"chi-square", "degrees of freedom", "probability", "Cohen's kappa"};
constexpr ArgumentSpec kMcNemarArgs[] = {
    {"data", Fill::Codes, Count(Q::Cases), Count(Q::Columns)},
    {"table", Fill::Result, Fixed(3), Fixed(3)},
    {"results", Fill::Result, Fixed(4)},
};
constexpr TableSpec kMcNemarTables[] = {
    {"table", "Counts (rows: first measurement, columns: second)", 1, {L::Classes, kTotal}, {L::Classes, kTotal}},
    {"test", "McNemar test of change", 2, {L::Fixed, kMcNemarRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kMcNemarForms[] = {
    {.usage = "FIRST SECOND",
     .help = "two yes/no measurements of the same cases: together exactly two values (0 and 1, no and yes, ...), "
             "the smaller one first",
     .minColumns = 2, .maxColumns = 2, .codes = CodeKind::SharedCategories, .minClasses = 2, .maxClasses = 2,
     .arguments = kMcNemarArgs, .tables = kMcNemarTables},
};
constexpr StatusText kMcNemarStatus[] = {{3, "no case has both measurements"}};

// ======================================================================= the registry
constexpr AnalysisSpec kAnalyses[] = {
    {"descriptives", "nkDescriptives", "count, mean, spread, percentiles and shape of each column",
     "Summarises each column: n, mean, standard error and deviation, variance, minimum, maximum, range, sum, "
     "percentiles (1, 5, 10, 25, 50, 75, 90, 95, 99), skewness, excess kurtosis, geometric mean, smallest "
     "difference between values, coefficient of variation.",
     CallExport<nkDescriptives>, ArityOf(nkDescriptives), {}, kDescriptivesForms},
    {"frequencies", "nkFrequencies", "frequency table of classes, with a histogram and normal curve",
     "Counts how often each class occurs in each column. With one column --svg draws the histogram with the "
     "normal curve fitted to the counts.",
     CallExport<nkFrequencies>, ArityOf(nkFrequencies), kFrequenciesOptions, kFrequenciesForms, kFrequenciesStatus,
     &kFrequenciesChart},
    {"means", "nkMeans", "count, mean and standard deviation by group (one- or two-way) or by column",
     "A table of means: count, mean and standard deviation of a column for every group of --by (two --by columns "
     "give a two-way table), or of several columns side by side.",
     CallExport<nkMeans>, ArityOf(nkMeans), {}, kMeansForms},
    {"randomness", "nkRandomness", "turning-point and rank-trend tests of randomness of order",
     "Tests each column, a series in file order, for randomness of order: the turning-point test and the rank "
     "test for trend, each with its normal approximation and two-tailed probability.",
     CallExport<nkRandomness>, ArityOf(nkRandomness), {}, kRandomnessForms, kRandomnessStatus},
    {"outliers", "nkOutliers", "z of every value and the probability of so large a value",
     "For every value: z = |x - mean| / s and the probability that the largest of n normal distances reaches z.",
     CallExport<nkOutliers>, ArityOf(nkOutliers), {}, kOutliersForms, kOneSampleStatus},
    {"ks-normal", "nkKSNormalTest", "Kolmogorov-Smirnov test of normality",
     "Largest distance D between the empirical distribution and the normal distribution with the sample's mean "
     "and standard deviation, with its asymptotic probability.",
     CallExport<nkKSNormalTest>, ArityOf(nkKSNormalTest), {}, kKsForms, kOneSampleStatus},
    {"chisq-normal", "nkChiSqNormalTest", "chi-square test of normality of class numbers",
     "Goodness of fit of class numbers 0..m-1 to the normal distribution (m - 3 degrees of freedom).",
     CallExport<nkChiSqNormalTest>, ArityOf(nkChiSqNormalTest), kChiSqNormalOptions, kChiSqNormalForms,
     kChiSqNormalStatus},
    {"chisquare", "nkChiSquare", "chi-square goodness of fit of observed to expected frequencies",
     "Pearson's test of observed against expected frequencies, k - 1 degrees of freedom.",
     CallExport<nkChiSquare>, ArityOf(nkChiSquare), {}, kChiSquareForms, kChiSquareStatus},
    {"crosstabs", "nkCrosstabs", "contingency table, chi-square test of independence, Cramer's V, Fisher",
     "Tabulates two categorical columns: observed and expected counts, contributions, Pearson's chi-square test "
     "of independence, contingency coefficient, Cramer's V and, for 2 x 2 tables, Fisher's exact probability.",
     CallExport<nkCrosstabs>, ArityOf(nkCrosstabs), {}, kCrosstabsForms, kCrosstabsStatus},
    {"ttest", "nkTTestIndep", "two-sample t-tests (pooled and Welch) and the variance-ratio F test",
     "Compares the means of two independent groups: the F test of the variances, Student's t with the pooled "
     "variance and Welch's t. Probabilities are two-tailed.",
     CallExport<nkTTestIndep>, ArityOf(nkTTestIndep), {}, kTTestForms, kTwoGroupStatus},
    {"paired-ttest", "nkTTestDep", "t-test of paired differences",
     "The t-test of the differences first - second of matched observations.", CallExport<nkTTestDep>,
     ArityOf(nkTTestDep), {}, kPairedForms, kPairedStatus},
    {"mann-whitney", "nkUTest", "Mann-Whitney U test of two independent groups",
     "Compares two independent groups by the ranks of their pooled values (ties share their mid-rank); normal "
     "approximation with the tie correction.",
     CallExport<nkUTest>, ArityOf(nkUTest), {}, kUTestForms, kTwoGroupStatus},
    {"wilcoxon", "nkWilcoxon", "Wilcoxon signed-rank test of paired values",
     "Ranks the non-zero differences of paired values by size and tests the smaller rank sum by its normal "
     "approximation.",
     CallExport<nkWilcoxon>, ArityOf(nkWilcoxon), {}, kWilcoxonForms, kWilcoxonStatus},
    {"mcnemar", "nkMcNemar", "McNemar test of change between two yes/no measurements, with kappa",
     "McNemar's chi-square test of change between two yes/no measurements of the same cases, and Cohen's kappa "
     "of their agreement.",
     CallExport<nkMcNemar>, ArityOf(nkMcNemar), {}, kMcNemarForms, kMcNemarStatus},
};

constexpr StatusText kCommonStatus[] = {
    {1, "the library failed unexpectedly (status 1); please report it with the data"},
    {2, "not enough memory for this analysis (status 2)"},
    {3, "too few values, or no spread, in {call}"},
    {7, "numerical failure: the values are too large, or too nearly dependent, for a trustworthy result"},
    {8, "the data do not fit the analysis: a code lies outside its table, or there are too few rows or columns"},
    {12, "an observed or expected frequency is empty, or an expected frequency is 0"},
    {14, "the interaction sum of squares is zero or negative"},
    {15, "none of the requested models could be fitted"},
    {18, "the stepwise selection would leave the model without a predictor"},
};

// Every entry's argument count matches its export's, checked when the registry is built.
constexpr bool ArgumentsMatchExports()
{
    for (const AnalysisSpec& a : kAnalyses)
        for (const FormSpec& f : a.forms)
            if (f.arguments.size() != a.arity) return false;
    return true;
}
static_assert(ArgumentsMatchExports(), "a form lists a different number of arguments than its export takes");

}  // namespace

std::span<const AnalysisSpec> Analyses() { return kAnalyses; }

const AnalysisSpec* FindAnalysis(std::string_view name)
{
    const auto it = std::find_if(std::begin(kAnalyses), std::end(kAnalyses),
                                 [&](const AnalysisSpec& a) { return a.name == name; });
    return it == std::end(kAnalyses) ? nullptr : &*it;
}

std::string_view StatusMessage(const AnalysisSpec& analysis, int code)
{
    for (const StatusText& s : analysis.statuses)
        if (s.code == code) return s.text;
    for (const StatusText& s : kCommonStatus)
        if (s.code == code) return s.text;
    return "the library returned an unknown status";
}

}  // namespace sheetstat::host
