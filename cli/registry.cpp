// The analyses the command line offers, one entry each. To add one: describe its
// options, forms, argument sizes, result labels, status texts and chart below, and
// add it to kAnalyses. Only an unusual result layout needs code (a ChartBuilder).
#include "registry.hpp"

#include <algorithm>

#include "chart_layouts.hpp"

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

// ======================================================================= repeated, split-plot
constexpr sv kAnovaColumns[] = {"sum of squares", "degrees of freedom", "mean square", "F", "probability"};
constexpr sv kRepeatedSources[] = {"treatments", "subjects", "residual", "total"};
constexpr int kRepeatedPositions[] = {1, 2, 5, 6};
constexpr ArgumentSpec kRepeatedArgs[] = {kPairData, {"anovaTable", Fill::Result, Fixed(5), Fixed(6)}};
constexpr TableSpec kRepeatedTables[] = {
    {.name = "anova", .title = "Analysis of variance (treatments: the columns; subjects: the rows)", .argument = 1,
     .rows = {L::Fixed, kRepeatedSources, kRepeatedPositions}, .columns = {L::Fixed, kAnovaColumns},
     .transposed = true},
};
constexpr FormSpec kRepeatedForms[] = {
    {.usage = "COLUMN COLUMN...",
     .help = "one column per treatment, one subject per row (a subject with an empty cell is left out)",
     .minColumns = 2, .maxColumns = 0, .arguments = kRepeatedArgs, .tables = kRepeatedTables},
};
constexpr StatusText kRepeatedStatus[] = {{3, "at least 2 subjects (rows) need a value in every column"}};

constexpr sv kSplitPlotSources[] = {"treatments",         "subjects within groups", "groups",
                                    "groups x treatments", "residual",               "total"};
constexpr Preset kGroupCount[] = {{1, 0, Count(Q::Groups)}};
constexpr ArgumentSpec kSplitPlotArgs[] = {
    kOptions1,
    {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns)},
    {"groupCodes", Fill::GroupCodes, Count(Q::Cases)},
    {"anovaTable", Fill::Result, Fixed(5), Fixed(6)},
};
constexpr TableSpec kSplitPlotTables[] = {
    {.name = "anova", .title = "Analysis of variance (groups: --by; treatments: the columns)", .argument = 3,
     .rows = {L::Fixed, kSplitPlotSources}, .columns = {L::Fixed, kAnovaColumns}, .transposed = true},
};
constexpr FormSpec kSplitPlotForms[] = {
    {.usage = "COLUMN... --by GROUP",
     .help = "one column per treatment, one subject per row, and the subject's group (a subject with an empty "
             "cell is left out)",
     .byColumns = 1, .maxColumns = 0, .presets = kGroupCount, .arguments = kSplitPlotArgs,
     .tables = kSplitPlotTables},
};
constexpr StatusText kSplitPlotStatus[] = {{3, "no subject (row) has a group and a value in every column"}};

// ======================================================================= kruskal-wallis, friedman, cochran-q
constexpr sv kMeanRankRows[] = {"n", "mean rank"};
constexpr sv kChiSquareTestRows[] = {"chi-square", "degrees of freedom", "probability"};
constexpr sv kHTestRows[] = {"H (corrected for ties)", "degrees of freedom", "probability"};
constexpr ArgumentSpec kHTestByArgs[] = {
    kOptions1,
    {"data", Fill::Numbers, Count(Q::Cases), Fixed(1)},
    {"groupCodes", Fill::GroupCodes, Count(Q::Cases)},
    {"groupStats", Fill::Result, Fixed(2), Count(Q::Groups)},
    {"results", Fill::Result, Fixed(3)},
};
constexpr ArgumentSpec kHTestColumnArgs[] = {
    kOptions1,
    {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns)},
    {"groupCodes", Fill::Unused},
    {"groupStats", Fill::Result, Fixed(2), Count(Q::Columns)},
    {"results", Fill::Result, Fixed(3)},
};
constexpr TableSpec kHTestByTables[] = {
    {"groups", "Ranks", 3, {L::Fixed, kMeanRankRows}, {L::Groups}},
    {"test", "Kruskal-Wallis H test", 4, {L::Fixed, kHTestRows}, {L::Fixed, kValue}},
};
constexpr TableSpec kHTestColumnTables[] = {
    {"groups", "Ranks", 3, {L::Fixed, kMeanRankRows}, {L::Columns}},
    {"test", "Kruskal-Wallis H test", 4, {L::Fixed, kHTestRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kHTestForms[] = {
    {.usage = "VALUE --by GROUP", .help = "one value column and a column with the groups (at least 2)",
     .byColumns = 1, .minGroups = 2, .presets = kByCodes, .arguments = kHTestByArgs, .tables = kHTestByTables},
    {.usage = "COLUMN COLUMN...", .help = "one column per group", .minColumns = 2, .maxColumns = 0,
     .presets = kByColumns, .arguments = kHTestColumnArgs, .tables = kHTestColumnTables},
};
constexpr StatusText kHTestStatus[] = {
    {3, "at least 2 groups need values, and the values may not all be equal ({smallest})"},
};

constexpr ArgumentSpec kFriedmanArgs[] = {
    kPairData,
    {"groupStats", Fill::Result, Fixed(2), Count(Q::Columns)},
    {"results", Fill::Result, Fixed(3)},
};
constexpr TableSpec kFriedmanTables[] = {
    {"treatments", "Ranks within blocks", 1, {L::Fixed, kMeanRankRows}, {L::Columns}},
    {"test", "Friedman test", 2, {L::Fixed, kChiSquareTestRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kFriedmanForms[] = {
    {.usage = "COLUMN COLUMN...",
     .help = "one column per treatment, one block per row (a block with an empty cell is left out)",
     .minColumns = 2, .maxColumns = 0, .arguments = kFriedmanArgs, .tables = kFriedmanTables},
};
constexpr StatusText kFriedmanStatus[] = {{3, "at least 2 blocks (rows) need a value in every column"}};

constexpr sv kQTestRows[] = {"Q", "degrees of freedom", "probability"};
constexpr ArgumentSpec kQTestArgs[] = {kPairData, {"results", Fill::Result, Fixed(3)}};
constexpr TableSpec kQTestTables[] = {
    {"test", "Cochran's Q test", 1, {L::Fixed, kQTestRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kQTestForms[] = {
    {.usage = "COLUMN COLUMN...",
     .help = "one column per treatment with the responses 0 and 1, one subject per row (a subject with an empty "
             "cell is left out)",
     .minColumns = 2, .maxColumns = 0, .arguments = kQTestArgs, .tables = kQTestTables},
};
constexpr StatusText kQTestStatus[] = {
    {3, "at least 2 subjects (rows) need a response in every column"},
    {8, "the responses must be 0 and 1 (whole numbers)"},
};

// ======================================================================= qc-chart
constexpr Choice kControlCharts[] = {{"mean", 0}, {"range", 1}, {"sd", 2}, {"p", 3}, {"np", 4}, {"c", 5}, {"u", 6}};
constexpr OptionSpec kQcChartOptions[] = {
    {.flag = "chart",
     .help = "mean, range or sd (standard deviation) of subgroups of measurements; p (proportion defective), np "
             "(defectives), c (defects) or u (defects per unit) of counts",
     .slot = 4, .defaultValue = 0, .selectsSlot = true, .choices = kControlCharts},
    {.flag = "size", .help = "the subgroup size of measurements (2 to 25 for range and sd), or the sample size of "
                             "counts (not used by the c chart)",
     .slot = 1, .defaultValue = 1, .min = 1, .max = 1e9, .integer = true},
    {.flag = "sigma", .help = "control limits at this many standard errors from the centre line", .slot = 2,
     .defaultValue = 3, .min = 0},
    {.flag = "warning", .help = "warning limits at this many standard errors", .slot = 3, .defaultValue = 2, .min = 0},
    {.flag = "base", .help = "the number of leading points that set the centre line and limits (-1: all points)",
     .slot = 11, .defaultValue = -1, .min = -1, .max = 1e9, .integer = true},
};
constexpr sv kQcPointColumns[] = {"point", "plotted statistic"};
constexpr sv kQcLimitRows[] = {"centre line", "lower control limit", "upper control limit", "lower warning limit",
                               "upper warning limit"};
constexpr ArgumentSpec kQcChartArgs[] = {
    {"options", Fill::Options, Fixed(11)},
    {"data", Fill::Vector, Count(Q::Cases)},
    {"chartPoints", Fill::Result, Count(Q::Cases), Fixed(2)},
    {"results", Fill::Result, Fixed(5)},
};
constexpr TableSpec kQcChartTables[] = {
    {.name = "points", .title = "Points", .argument = 2, .rows = {L::Index}, .columns = {L::Fixed, kQcPointColumns},
     .trim = Trim::EmptyRows},
    {"limits", "Centre line and limits", 3, {L::Fixed, kQcLimitRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kQcChartForms[] = {
    {.usage = "COLUMN",
     .help = "measurements in time order (subgroups of --size consecutive values), or one count per sample; an "
             "empty cell counts as the mean",
     .arguments = kQcChartArgs, .tables = kQcChartTables},
};
constexpr SeriesSpec kQcChartSeries[] = {
    {SeriesKind::LinePoints, "points", 2, 2, Count(Q::Cases), 1, 1, 1},
};
constexpr ChartSpec kQcChartChart = {"Control chart of {columns}", "point", "plotted statistic", AxisKind::Numbers,
                                     kQcChartSeries, ControlLimits};
constexpr StatusText kQcChartStatus[] = {
    {3, "at least 2 points (subgroups of --size values, or samples) and 2 values are needed"},
    {8, "the chart does not fit the data: the range and sd charts need --size from 2 to 25, the p and np charts "
        "defectives from 0 to --size, the c and u charts counts of at least 0, and --sigma must be above 0"},
};

// ======================================================================= capability
constexpr OptionSpec kCapabilityOptions[] = {
    {.flag = "lsl", .help = "lower specification limit", .slot = 1, .defaultValue = kFromData, .required = true},
    {.flag = "usl", .help = "upper specification limit", .slot = 2, .defaultValue = kFromData, .required = true},
};
constexpr sv kCapabilityRows[] = {"middle of the limits", "mean", "standard deviation", "Cp", "Cpk",
                                  "ppm outside the limits"};
constexpr ArgumentSpec kCapabilityArgs[] = {
    {"specLimits", Fill::Options, Fixed(2)},
    {"data", Fill::Vector, Count(Q::Cases)},
    {"results", Fill::Result, Fixed(6)},
};
constexpr TableSpec kCapabilityTables[] = {
    {"capability", "Process capability", 2, {L::Fixed, kCapabilityRows}, {L::Calls}},
};
constexpr FormSpec kCapabilityForms[] = {
    {.usage = "COLUMN...", .help = "measurements, each column rated on its own", .maxColumns = 0,
     .repeat = Repeat::EachColumn, .arguments = kCapabilityArgs, .tables = kCapabilityTables},
    {.usage = "COLUMN... --by GROUP", .help = "each column rated within every group", .byColumns = 1,
     .maxColumns = 0, .repeat = Repeat::EachColumn, .arguments = kCapabilityArgs, .tables = kCapabilityTables},
};
constexpr StatusText kCapabilityStatus[] = {{8, "--lsl may not lie above --usl"}};

// ======================================================================= scatter, boxplot, cumulative, pareto
constexpr sv kPoints[] = {"points"};
constexpr ArgumentSpec kScatterArgs[] = {kPairData, {"groupCounts", Fill::Result, Fixed(1)}};
constexpr ArgumentSpec kScatterByArgs[] = {
    {"data", Fill::NumbersWithGroupCodes, Count(Q::Cases), Fixed(3)},
    {"groupCounts", Fill::Result, Count(Q::Groups)},
};
constexpr TableSpec kScatterTables[] = {{"points", "Points plotted", 1, {L::Fixed, kPoints}, {L::Fixed, kValue}}};
constexpr TableSpec kScatterByTables[] = {{"points", "Points plotted", 1, {L::Groups}, {L::Fixed, kPoints}}};
constexpr FormSpec kScatterForms[] = {
    {.usage = "X Y", .help = "a point per row with both values", .minColumns = 2, .maxColumns = 2,
     .arguments = kScatterArgs, .tables = kScatterTables},
    {.usage = "X Y --by GROUP", .help = "a set of points for every group", .byColumns = 1, .minColumns = 2,
     .maxColumns = 2, .arguments = kScatterByArgs, .tables = kScatterByTables},
};
constexpr ChartSpec kScatterChart = {"{column2} against {column1}", "{column1}", "{column2}", AxisKind::Numbers, {},
                                     ScatterByGroup};

constexpr sv kBoxRows[] = {"minimum",        "5th percentile",  "lower quartile", "median",
                           "upper quartile", "95th percentile", "maximum"};
constexpr ArgumentSpec kBoxByArgs[] = {
    kOptions1,
    {"data", Fill::NumbersWithGroupCodes, Count(Q::Cases), Fixed(2)},
    {"boxes", Fill::Result, Fixed(7), Count(Q::Groups)},
};
constexpr ArgumentSpec kBoxColumnArgs[] = {
    kOptions1,
    {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns)},
    {"boxes", Fill::Result, Fixed(7), Count(Q::Columns)},
};
constexpr TableSpec kBoxByTables[] = {{"boxes", "Boxes and whiskers", 2, {L::Fixed, kBoxRows}, {L::Groups}}};
constexpr TableSpec kBoxColumnTables[] = {{"boxes", "Boxes and whiskers", 2, {L::Fixed, kBoxRows}, {L::Columns}}};
constexpr FormSpec kBoxForms[] = {
    {.usage = "VALUE --by GROUP", .help = "a box for every group", .byColumns = 1, .presets = kByCodes,
     .arguments = kBoxByArgs, .tables = kBoxByTables},
    {.usage = "COLUMN...", .help = "a box for every column", .maxColumns = 0, .presets = kByColumns,
     .arguments = kBoxColumnArgs, .tables = kBoxColumnTables},
};
constexpr ChartSpec kBoxChart = {"Box-and-whisker plot of {columns}", "", "{columns}", AxisKind::Numbers, {},
                                 BoxesAndWhiskers};

constexpr sv kCumulativeColumns[] = {"value", "cumulative %", "normal %", "probit", "z + 5"};
constexpr sv kCountRow[] = {"n"};
constexpr ArgumentSpec kCumulativeArgs[] = {
    {"plotTable", Fill::Numbers, Count(Q::Cases), Fixed(5)},
    {"results", Fill::Result, Fixed(1)},
};
constexpr TableSpec kCumulativeTables[] = {
    {"plot", "Cumulative distribution (ascending values)", 0, {L::Index}, {L::Fixed, kCumulativeColumns}},
    {"count", "Values", 1, {L::Fixed, kCountRow}, {L::Fixed, kValue}},
};
constexpr FormSpec kCumulativeForms[] = {
    {.usage = "COLUMN", .help = "the values (empty cells are left out)", .completeRows = true,
     .arguments = kCumulativeArgs, .tables = kCumulativeTables},
};
constexpr SeriesSpec kCumulativeSeries[] = {
    {SeriesKind::Points, "observed", 0, 2, Count(Q::Cases), 1, 1, 1},
    {SeriesKind::Line, "normal distribution", 0, 3, Count(Q::Cases), 1, 1, 1},
};
constexpr ChartSpec kCumulativeChart = {"Cumulative distribution of {columns}", "{columns}", "cumulative %",
                                        AxisKind::Numbers, kCumulativeSeries};

constexpr sv kParetoColumns[] = {"total", "cumulative %"};
constexpr int kParetoPositions[] = {2, 3};
constexpr sv kGrandTotal[] = {"grand total"};
constexpr ArgumentSpec kParetoByArgs[] = {
    {"data", Fill::GroupColumns, Count(Q::Cases), Count(Q::Groups)},
    {"pareto", Fill::Result, Count(Q::Groups), Fixed(3)},
    {"results", Fill::Result, Fixed(1)},
};
constexpr ArgumentSpec kParetoColumnArgs[] = {
    kPairData,
    {"pareto", Fill::Result, Count(Q::Columns), Fixed(3)},
    {"results", Fill::Result, Fixed(1)},
};
constexpr TableSpec kParetoByTables[] = {
    {"categories", "Categories by total", 1, {.source = L::Groups, .codeColumn = 1},
     {L::Fixed, kParetoColumns, kParetoPositions}},
    {"total", "Total", 2, {L::Fixed, kGrandTotal}, {L::Fixed, kValue}},
};
constexpr TableSpec kParetoColumnTables[] = {
    {"categories", "Categories by total", 1, {.source = L::Columns, .codeColumn = 1},
     {L::Fixed, kParetoColumns, kParetoPositions}},
    {"total", "Total", 2, {L::Fixed, kGrandTotal}, {L::Fixed, kValue}},
};
constexpr FormSpec kParetoForms[] = {
    {.usage = "COUNT --by CATEGORY", .help = "counts (or amounts) and their category; a category's total is the "
                                             "sum of its counts",
     .byColumns = 1, .arguments = kParetoByArgs, .tables = kParetoByTables},
    {.usage = "COLUMN...", .help = "one column per category; its total is the sum of its cells", .maxColumns = 0,
     .arguments = kParetoColumnArgs, .tables = kParetoColumnTables},
};
constexpr ChartSpec kParetoChart = {"Pareto chart of {columns}", "category", "total", AxisKind::Numbers, {},
                                    ParetoBars};

// ======================================================================= cluster
constexpr Choice kLinkages[] = {{"single", -1}, {"complete", 0}, {"average", 1}, {"centroid", 2}, {"ward", 3}};
constexpr OptionSpec kClusterOptions[] = {
    {.flag = "linkage", .help = "how far apart two clusters are: single, complete, average, centroid or ward",
     .slot = 3, .defaultValue = 1, .selectsSlot = true, .choices = kLinkages},
    {.flag = "clusters", .help = "cut the tree into this many clusters and give each object's cluster", .slot = 7,
     .defaultValue = kFromData, .min = 1, .max = 1e9, .integer = true},
};
constexpr Preset kLabelsSupplied[] = {{1, 1}};
constexpr sv kMergeColumns[] = {"cluster (line)", "size", "joined cluster (line)", "joined size", "level"};
constexpr int kMergePositions[] = {2, 3, 4, 5, 6};
constexpr sv kLeafColumns[] = {"line"};
constexpr sv kClusterColumn[] = {"cluster"};
constexpr ArgumentSpec kClusterArgs[] = {
    {"options", Fill::Options, Fixed(6)},
    {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns)},
    {"labels", Fill::LineNumbers, Count(Q::Cases)},
    {"history", Fill::Result, Count(Q::Cases), Fixed(6)},
    {"dendrogram", Fill::Result, Count(Q::Cases, 5), Fixed(2)},
    {"pairs", Fill::Result, Count(Q::Cases), Fixed(2)},
    {"leaves", Fill::Result, Count(Q::Cases), Fixed(2)},
    {"stats", Fill::Result, Fixed(1)},
};
constexpr TableSpec kClusterTables[] = {
    {.name = "merges", .title = "Merges (clusters named by the file line of their first object)", .argument = 3,
     .rows = {L::Index}, .columns = {L::Fixed, kMergeColumns, kMergePositions}, .trim = Trim::EmptyRows},
    {.name = "order", .title = "Objects in dendrogram order", .argument = 6, .rows = {L::Index},
     .columns = {L::Fixed, kLeafColumns}},
};
constexpr FormSpec kClusterForms[] = {
    {.usage = "COLUMN...",
     .help = "the variables, one object per row (named by its file line; an empty cell counts as its variable's "
             "mean)",
     .maxColumns = 0, .presets = kLabelsSupplied, .arguments = kClusterArgs, .tables = kClusterTables},
};
constexpr ArgumentSpec kSeparateArgs[] = {
    {.name = "options", .fill = Fill::Options, .rows = Fixed(1), .from = 7},
    {.name = "pairs", .fill = Fill::Earlier, .from = 5},
    {"membership", Fill::Result, Count(Q::Cases)},
};
constexpr TableSpec kSeparateTables[] = {
    {"membership", "Clusters", 10, {L::Lines}, {L::Fixed, kClusterColumn}},
};
constexpr StatusText kSeparateStatus[] = {{8, "--clusters must lie between 1 and the number of objects"}};
constexpr FollowUpSpec kSeparate = {"nkSeparate",    CallExport<nkSeparate>, ArityOf(nkSeparate), "clusters",
                                    kSeparateArgs, kSeparateTables,         kSeparateStatus};
constexpr ChartSpec kClusterChart = {"Dendrogram of {columns}", "object (file line)", "level", AxisKind::Numbers, {},
                                     Dendrogram};
constexpr StatusText kClusterStatus[] = {{3, "at least 2 objects (rows) are needed"}};

// ======================================================================= survival
constexpr Preset kUngrouped[] = {{1, 0}};
constexpr Preset kGrouped[] = {{1, 1}};
constexpr sv kSurvivalColumns[] = {"time", "at risk", "events", "censored", "survival", "standard error"};
constexpr sv kSurvivalGroupRows[] = {"lines", "observed events", "expected events"};
constexpr sv kLogRankRows[] = {"chi-square", "degrees of freedom", "probability"};
constexpr ArgumentSpec kSurvivalArgs[] = {
    kOptions1,
    {"times", Fill::Vector, Count(Q::Cases)},
    {.name = "events", .fill = Fill::Vector, .rows = Count(Q::Cases), .from = 1},
    {"groups", Fill::Unused},
    {"survival", Fill::Result, Fixed(6), Count(Q::Cases)},
    {"groupTable", Fill::Result, Fixed(3), Fixed(1)},
    {"test", Fill::Result, Fixed(3)},
};
constexpr ArgumentSpec kSurvivalByArgs[] = {
    kOptions1,
    {"times", Fill::Vector, Count(Q::Cases)},
    {.name = "events", .fill = Fill::Vector, .rows = Count(Q::Cases), .from = 1},
    {"groups", Fill::GroupCodes, Count(Q::Cases)},
    {"survival", Fill::Result, Fixed(6), Count(Q::Cases)},
    {"groupTable", Fill::Result, Fixed(3), Count(Q::Groups)},
    {"test", Fill::Result, Fixed(3)},
};
constexpr TableSpec kSurvivalTables[] = {
    {.name = "survival", .title = "Kaplan-Meier estimates (one line per time at which cases end)", .argument = 4,
     .rows = {.source = L::GroupRuns, .runs = 5}, .columns = {L::Fixed, kSurvivalColumns}, .transposed = true},
};
constexpr TableSpec kSurvivalByTables[] = {
    kSurvivalTables[0],
    {"groups", "Groups", 5, {L::Fixed, kSurvivalGroupRows}, {L::Groups}},
    {"test", "Log-rank test of equal survival", 6, {L::Fixed, kLogRankRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kSurvivalForms[] = {
    {.usage = "TIME EVENT",
     .help = "one case per row: its time, and 1 (or any number but 0) for an event, 0 or empty for a censored "
             "case",
     .minColumns = 2, .maxColumns = 2, .presets = kUngrouped, .arguments = kSurvivalArgs, .tables = kSurvivalTables},
    {.usage = "TIME EVENT --by GROUP", .help = "the same for every group, with the log-rank test of the groups",
     .byColumns = 1, .minColumns = 2, .maxColumns = 2, .presets = kGrouped, .arguments = kSurvivalByArgs,
     .tables = kSurvivalByTables},
};
constexpr ChartSpec kSurvivalChart = {"Kaplan-Meier estimates", "{column1}", "survival", AxisKind::Numbers, {},
                                      KaplanMeierCurves};
constexpr StatusText kSurvivalStatus[] = {
    {3, "{smallest}; at least 2 cases with a time are needed, in every group"},
    {7, "the tables are complete, but the log-rank test cannot be formed: there is no event time at which fewer "
        "cases had the event than were at risk, or a group has no case at risk at the first event time"},
};

// ======================================================================= anova, posthoc
constexpr Choice kPostHocTests[] = {{"lsd", 0},    {"bonferroni", 1}, {"scheffe", 2}, {"tukey", 3},
                                    {"tukey-b", 4}, {"snk", 5},        {"duncan", 6},  {"regw", 7}};
constexpr Choice kAnovaModels[] = {{"full", 1}, {"additive", 0}};
constexpr OptionSpec kAnovaOptions[] = {
    {.flag = "model",
     .help = "two factors: full (with the A x B interaction) or additive (the interaction pooled into the error)",
     .slot = 4, .defaultValue = 1, .choices = kAnovaModels},
    {.flag = "posthoc",
     .help = "one factor: compare every pair of groups after the analysis: lsd (Fisher), bonferroni, scheffe, "
             "tukey (honestly significant difference), tukey-b, snk (Student-Newman-Keuls), duncan or regw "
             "(Ryan-Einot-Gabriel-Welsch), with the homogeneous subsets",
     .slot = 5, .defaultValue = -1, .selectsSlot = true, .choices = kPostHocTests},
    {.flag = "alpha", .help = "significance level of the post-hoc comparisons", .slot = 13, .defaultValue = 0.05,
     .min = 0, .max = 1},
};
constexpr sv kLevelRows[] = {"n", "mean"};
// Slots of nkAnova's results: sources (rows) by sum of squares, df, mean square, F, probability.
constexpr int kAnovaSlots[] = {1, 6, 11, 16, 19,  2, 7, 12, 17, 20,  3, 8, 13, 18, 21,  4, 9, 14, 0, 0,
                               5, 10, 15, 0, 0};
constexpr sv kOneFactorSources[] = {"between groups", "within groups", "total"};
constexpr int kOneFactorPositions[] = {1, 4, 5};
constexpr sv kTwoFactorSources[] = {"A (first --by)", "B (second --by)", "A x B", "error"};
constexpr sv kBartlettRows[] = {"Bartlett chi-square (equal variances)", "degrees of freedom", "probability"};
constexpr int kBartlettPositions[] = {22, 23, 24};
constexpr sv kBartlettTwoRows[] = {"Bartlett chi-square (equal variances)", "degrees of freedom", "probability",
                                   "unbalanced (1: a cell at least twice the size of another)"};
constexpr int kBartlettTwoPositions[] = {22, 23, 24, 25};
constexpr Preset kAnovaByGroups[] = {{1, 0}, {2, 0, Count(Q::Groups)}, {3, 0}};
constexpr Preset kAnovaTwoFactors[] = {{1, 0}, {2, 0, Count(Q::Groups)}, {3, 0, Count(Q::Groups2)}};
constexpr Preset kAnovaByColumns[] = {{1, 1}, {2, 0, Count(Q::Columns)}, {3, 0}};
constexpr ArgumentSpec kAnovaByArgs[] = {
    {"options", Fill::Options, Fixed(4)},
    {"data", Fill::Numbers, Count(Q::Cases), Fixed(1)},
    {"factorCodes", Fill::GroupCodeColumns, Count(Q::Cases), Fixed(1)},
    {"levelStats", Fill::Result, Fixed(2), Count(Q::Groups)},
    {"results", Fill::Result, Fixed(25)},
};
constexpr ArgumentSpec kAnovaTwoArgs[] = {
    {"options", Fill::Options, Fixed(4)},
    {"data", Fill::Numbers, Count(Q::Cases), Fixed(1)},
    {"factorCodes", Fill::GroupCodeColumns, Count(Q::Cases), Fixed(2)},
    {"levelStats", Fill::Result, Fixed(2), Count(Q::Groups)},
    {"results", Fill::Result, Fixed(25)},
};
constexpr ArgumentSpec kAnovaColumnArgs[] = {
    {"options", Fill::Options, Fixed(4)},
    {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns)},
    {"factorCodes", Fill::Unused},
    {"levelStats", Fill::Result, Fixed(2), Count(Q::Columns)},
    {"results", Fill::Result, Fixed(25)},
};
constexpr TableSpec kAnovaByTables[] = {
    {"groups", "Groups", 3, {L::Fixed, kLevelRows}, {L::Groups}},
    {.name = "anova", .title = "Analysis of variance", .argument = 4,
     .rows = {L::Fixed, kOneFactorSources, kOneFactorPositions}, .columns = {L::Fixed, kAnovaColumns},
     .slots = kAnovaSlots},
    {"variances", "Homogeneity of variances", 4, {L::Fixed, kBartlettRows, kBartlettPositions}, {L::Fixed, kValue}},
};
constexpr TableSpec kAnovaColumnTables[] = {
    {"groups", "Groups", 3, {L::Fixed, kLevelRows}, {L::Columns}},
    kAnovaByTables[1],
    kAnovaByTables[2],
};
constexpr TableSpec kAnovaTwoTables[] = {
    {"levels", "Levels of A (the first --by)", 3, {L::Fixed, kLevelRows}, {L::Groups}},
    {.name = "anova", .title = "Analysis of variance (sequential sums of squares: A, B adjusted for A, A x B)",
     .argument = 4, .rows = {L::Fixed, kTwoFactorSources}, .columns = {L::Fixed, kAnovaColumns},
     .slots = kAnovaSlots},
    {"variances", "Homogeneity of the cells' variances", 4, {L::Fixed, kBartlettTwoRows, kBartlettTwoPositions},
     {L::Fixed, kValue}},
};
// Post-hoc comparisons after the analysis: its level statistics and error sum of squares.
constexpr ArgumentSpec kPostHocByArgs[] = {
    {.name = "options", .fill = Fill::Options, .rows = Fixed(10), .from = 5, .take = {10, 4, 4}},
    {.name = "levelStats", .fill = Fill::Earlier, .from = 3},
    {"comparisons", Fill::Result, Count(Q::Groups), Count(Q::Groups)},
    {"subsets", Fill::Result, Count(Q::Groups, 1, 1), Count(Q::Groups)},
};
constexpr ArgumentSpec kPostHocColumnArgs[] = {
    kPostHocByArgs[0],
    kPostHocByArgs[1],
    {"comparisons", Fill::Result, Count(Q::Columns), Count(Q::Columns)},
    {"subsets", Fill::Result, Count(Q::Columns, 1, 1), Count(Q::Columns)},
};
constexpr sv kComparisonsTitle = "Post-hoc comparisons, groups in ascending order of their means (above the "
                                 "diagonal: the critical difference; below it: 1 where the means differ)";
constexpr sv kSubsetsTitle = "Homogeneous subsets (1: the group belongs to the subset)";
constexpr TableSpec kPostHocByTables[] = {
    {.name = "comparisons", .title = kComparisonsTitle, .argument = 7, .rows = {L::Groups}, .columns = {L::Groups},
     .layout = MeansInOrder},
    {.name = "subsets", .title = kSubsetsTitle, .argument = 8, .rows = {L::Groups}, .columns = {L::Groups},
     .layout = MeansInOrder},
};
constexpr TableSpec kPostHocColumnTables[] = {
    {.name = "comparisons", .title = kComparisonsTitle, .argument = 7, .rows = {L::Columns},
     .columns = {L::Columns}, .layout = MeansInOrder},
    {.name = "subsets", .title = kSubsetsTitle, .argument = 8, .rows = {L::Columns}, .columns = {L::Columns},
     .layout = MeansInOrder},
};
constexpr StatusText kPostHocStatus[] = {
    {3, "every group needs at least 1 value, and there must be more values than groups"},
    {7, "the significance level is too small to compute"},
    {8, "--alpha must lie between 0 and 1 (exclusive), and the range tests (tukey, tukey-b, snk, duncan, regw) "
        "compare at most 20 groups"},
};
constexpr FollowUpSpec kAnovaPostHocBy = {"nkPostHoc",   CallExport<nkPostHoc>, ArityOf(nkPostHoc), "posthoc",
                                          kPostHocByArgs, kPostHocByTables,     kPostHocStatus};
constexpr FollowUpSpec kAnovaPostHocColumns = {"nkPostHoc",        CallExport<nkPostHoc>, ArityOf(nkPostHoc),
                                               "posthoc",          kPostHocColumnArgs,    kPostHocColumnTables,
                                               kPostHocStatus};
constexpr FormSpec kAnovaForms[] = {
    {.usage = "VALUE --by GROUP", .help = "one factor: the groups are the values of GROUP (at least 2)",
     .byColumns = 1, .minGroups = 2, .presets = kAnovaByGroups, .arguments = kAnovaByArgs,
     .tables = kAnovaByTables, .followUp = &kAnovaPostHocBy},
    {.usage = "VALUE --by A --by B",
     .help = "two crossed factors A and B (each at least 2 levels, every cell with values), with or without "
             "their interaction (--model)",
     .byColumns = 2, .minGroups = 2, .presets = kAnovaTwoFactors, .arguments = kAnovaTwoArgs,
     .tables = kAnovaTwoTables},
    {.usage = "COLUMN COLUMN...", .help = "one factor: each column is a group", .minColumns = 2, .maxColumns = 0,
     .presets = kAnovaByColumns, .arguments = kAnovaColumnArgs, .tables = kAnovaColumnTables,
     .followUp = &kAnovaPostHocColumns},
};
constexpr StatusText kAnovaStatus[] = {
    {3, "every group (cell) needs values, and there must be more values than groups ({smallest})"},
    {8, "a group code lies outside its levels"},
    {14, "the interaction sum of squares is 0: the cell means are exactly additive; use --model additive"},
};

constexpr OptionSpec kPostHocOptions[] = {
    {.flag = "test",
     .help = "lsd (Fisher), bonferroni, scheffe, tukey (honestly significant difference), tukey-b, snk "
             "(Student-Newman-Keuls), duncan or regw (Ryan-Einot-Gabriel-Welsch)",
     .slot = 1, .defaultValue = 3, .selectsSlot = true, .choices = kPostHocTests},
    {.flag = "alpha", .help = "significance level", .slot = 9, .defaultValue = 0.05, .min = 0, .max = 1},
    {.flag = "error-ss", .help = "the error (within-groups) sum of squares of the analysis of variance", .slot = 10,
     .defaultValue = kFromData, .min = 0, .required = true},
};
constexpr ArgumentSpec kPostHocArgs[] = {
    {"options", Fill::Options, Fixed(10)},
    {"levelStats", Fill::Rows, Count(Q::Columns), Count(Q::Cases)},
    {"comparisons", Fill::Result, Count(Q::Cases), Count(Q::Cases)},
    {"subsets", Fill::Result, Count(Q::Cases, 1, 1), Count(Q::Cases)},
};
constexpr TableSpec kPostHocTables[] = {
    {.name = "comparisons", .title = kComparisonsTitle, .argument = 2, .rows = {L::Lines}, .columns = {L::Lines},
     .layout = MeansInOrder},
    {.name = "subsets", .title = kSubsetsTitle, .argument = 3, .rows = {L::Lines}, .columns = {L::Lines},
     .layout = MeansInOrder},
};
constexpr FormSpec kPostHocForms[] = {
    {.usage = "COUNT MEAN",
     .help = "one group per row (named by its file line): its number of values and its mean, as an analysis of "
             "variance reports them; with raw values use 'anova VALUE --by GROUP --posthoc NAME'",
     .minColumns = 2, .maxColumns = 2, .arguments = kPostHocArgs, .tables = kPostHocTables},
};

// ======================================================================= pearson, partial, spearman, kendall
constexpr sv kReliabilityRows[] = {"Cronbach's alpha", "mean inter-item correlation"};
constexpr ArgumentSpec kPearsonArgs[] = {
    {"idsA", Fill::Identifiers, Count(Q::Columns)},
    {"idsB", Fill::Identifiers, Count(Q::Columns)},
    kPairData,
    kPairData,
    {"counts", Fill::Result, Count(Q::Columns), Count(Q::Columns)},
    {"correlations", Fill::Result, Count(Q::Columns), Count(Q::Columns)},
    {"probabilities", Fill::Result, Count(Q::Columns), Count(Q::Columns)},
    {"results", Fill::Result, Fixed(2)},
};
constexpr TableSpec kPearsonTables[] = {
    {"correlations", "Pearson correlations r", 5, {L::Columns}, {L::Columns}},
    {"probabilities", "Probabilities of r (one-tailed test of no correlation)", 6, {L::Columns}, {L::Columns}},
    {"counts", "Cases (rows with both values)", 4, {L::Columns}, {L::Columns}},
    {"scale", "The columns as a scale", 7, {L::Fixed, kReliabilityRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kPearsonForms[] = {
    {.usage = "COLUMN COLUMN...", .help = "every pair of columns, each over the rows where both have a value",
     .minColumns = 2, .maxColumns = 0, .arguments = kPearsonArgs, .tables = kPearsonTables},
};

constexpr ArgumentSpec kRankArgs[] = {
    kPearsonArgs[0], kPearsonArgs[1], kPairData, kPairData,
    {"counts", Fill::Result, Count(Q::Columns), Count(Q::Columns)},
    {"coefficients", Fill::Result, Count(Q::Columns), Count(Q::Columns)},
    {"probabilities", Fill::Result, Count(Q::Columns), Count(Q::Columns)},
};
constexpr TableSpec kSpearmanTables[] = {
    {"coefficients", "Spearman rank correlations rho", 5, {L::Columns}, {L::Columns}},
    {"probabilities", "Probabilities of rho (one-tailed test of no correlation)", 6, {L::Columns}, {L::Columns}},
    {"counts", "Cases (rows with both values)", 4, {L::Columns}, {L::Columns}},
};
constexpr TableSpec kKendallTables[] = {
    {"coefficients", "Kendall rank correlations tau-b", 5, {L::Columns}, {L::Columns}},
    {"probabilities", "Probabilities of tau (one-tailed test of no correlation)", 6, {L::Columns}, {L::Columns}},
    {"counts", "Cases (rows with both values)", 4, {L::Columns}, {L::Columns}},
};
constexpr FormSpec kSpearmanForms[] = {
    {.usage = "COLUMN COLUMN...", .help = "every pair of columns, each over the rows where both have a value",
     .minColumns = 2, .maxColumns = 0, .arguments = kRankArgs, .tables = kSpearmanTables},
};
constexpr FormSpec kKendallForms[] = {
    {.usage = "COLUMN COLUMN...", .help = "every pair of columns, each over the rows where both have a value",
     .minColumns = 2, .maxColumns = 0, .arguments = kRankArgs, .tables = kKendallTables},
};

constexpr ArgumentSpec kPartialData = {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns, 1, -1), 1};
constexpr ArgumentSpec kPartialArgs[] = {
    {"idsA", Fill::Identifiers, Count(Q::Columns, 1, -1)},
    {"idsB", Fill::Identifiers, Count(Q::Columns, 1, -1)},
    kPartialData,
    kPartialData,
    {"control", Fill::Vector, Count(Q::Cases)},
    {"counts", Fill::Result, Count(Q::Columns, 1, -1), Count(Q::Columns, 1, -1)},
    {"correlations", Fill::Result, Count(Q::Columns, 1, -1), Count(Q::Columns, 1, -1)},
    {"probabilities", Fill::Result, Count(Q::Columns, 1, -1), Count(Q::Columns, 1, -1)},
};
constexpr Labels kAfterFirst = {.source = L::Columns, .from = 1};
constexpr TableSpec kPartialTables[] = {
    {"correlations", "Partial correlations, the first column held constant", 6, kAfterFirst, kAfterFirst},
    {"probabilities", "Probabilities (one-tailed test of no partial correlation)", 7, kAfterFirst, kAfterFirst},
    {"counts", "Cases (rows with both values and the control)", 5, kAfterFirst, kAfterFirst},
};
constexpr FormSpec kPartialForms[] = {
    {.usage = "CONTROL COLUMN COLUMN...",
     .help = "every pair of the columns after the first, with the first (the control variable) held constant",
     .minColumns = 3, .maxColumns = 0, .arguments = kPartialArgs, .tables = kPartialTables},
};
constexpr StatusText kCorrelationStatus[] = {{3, "at least 2 columns are needed"}};

// ======================================================================= crosscorr
constexpr OptionSpec kCrossCorrOptions[] = {
    {.flag = "lags",
     .help = "the largest lag L, at most 1000: lags -L to L (default: every lag with an overlap, n - 1, at most 1000)",
     .slot = 2, .defaultValue = kFromData, .min = 0, .max = 1000, .integer = true, .derived = Count(Q::Cases, 1, -1)},
};
constexpr sv kCrossCorrColumns[] = {"r"};
constexpr int kCrossCorrPositions[] = {2};
constexpr ArgumentSpec kCrossCorrArgs[] = {
    kOptions1,
    kPairData,
    {"result", Fill::Result, OptionValue(2, 2, 1), Fixed(2)},
};
constexpr TableSpec kCrossCorrTables[] = {
    {"lags", "Cross-correlations of X(t + lag) with Y(t), by lag", 2, {.source = L::Index, .codeColumn = 1},
     {L::Fixed, kCrossCorrColumns, kCrossCorrPositions}},
};
constexpr FormSpec kCrossCorrForms[] = {
    {.usage = "X Y", .help = "two series in time order, one time point per row", .minColumns = 2,
     .maxColumns = 2, .arguments = kCrossCorrArgs, .tables = kCrossCorrTables},
};

// ======================================================================= regression, polyreg, multireg
constexpr sv kPredictionColumn[] = {"prediction"};
constexpr int kPredictionPositions[] = {2};
constexpr sv kResidualColumn[] = {"residual"};
constexpr TableSpec kPredictionsTable = {.name = "predictions", .title = "Predictions for the rows marked ?",
                                         .argument = 2, .rows = {.source = L::Lines, .codeColumn = 1},
                                         .columns = {L::Fixed, kPredictionColumn, kPredictionPositions},
                                         .trim = Trim::EndMarker};
constexpr TableSpec kResidualsTable = {"residuals", "Residuals (observed - fitted)", 3, {L::Lines},
                                       {L::Fixed, kResidualColumn}, {}, false, Trim::EmptyRows};

constexpr Choice kSimpleModels[] = {{"linear", 0},     {"power", 1},      {"exponential", 2}, {"logarithmic", 3},
                                    {"hyperbolic", 4}, {"reciprocal", 5}, {"rational", 6},    {"best", kEverySlot}};
constexpr OptionSpec kRegressionOptions[] = {
    {.flag = "model",
     .help = "linear y = A + Bx, power y = Ax^B, exponential y = Ae^(Bx), logarithmic y = A + B ln x, hyperbolic "
             "y = A + B/x, reciprocal y = 1/(A + Bx), rational y = x/(A + Bx), or best: all seven, the one of "
             "highest R² predicts (the bands belong to the straight line)",
     .slot = 3, .defaultValue = 0, .selectsSlot = true, .choices = kSimpleModels},
    {.flag = "residuals", .help = "list the residual of every row", .slot = 1, .isSwitch = true},
};
constexpr Preset kPredictionsWanted[] = {{2, 1}};
constexpr sv kModelNames[] = {"linear",     "power",      "exponential", "logarithmic",
                              "hyperbolic", "reciprocal", "rational"};
constexpr sv kModelColumns[] = {"n", "A", "B", "R", "R²", "best"};
constexpr int kModelPositions[] = {1, 2, 3, 4, 5, 7};
constexpr ArgumentSpec kRegressionArgs[] = {
    {"options", Fill::Options, Fixed(2)},
    {"data", Fill::Numbers, Count(Q::Cases), Fixed(2), 1},
    {"predictions", Fill::Result, Count(Q::Predictions, 1, 1), Fixed(2)},
    {"residuals", Fill::Result, Count(Q::Cases), Fixed(1)},
    {"curve", Fill::Result, Fixed(101), Fixed(4)},
    {.name = "models", .fill = Fill::Options, .rows = Fixed(7), .cols = Fixed(7), .from = 3, .row = 6},
};
constexpr TableSpec kRegressionTables[] = {
    {.name = "models", .title = "Models (R² of the line fitted on the transformed scale)", .argument = 5,
     .rows = {L::Fixed, kModelNames}, .columns = {L::Fixed, kModelColumns, kModelPositions}, .transposed = true,
     .trim = Trim::UnfilledRows},
    kPredictionsTable,
    kResidualsTable,
};
constexpr FormSpec kRegressionForms[] = {
    {.usage = "DEPENDENT X",
     .help = "the dependent variable first, then the predictor; a ? as the dependent value asks for the "
             "prediction at that row's X",
     .minColumns = 2, .maxColumns = 2, .predictions = true, .presets = kPredictionsWanted,
     .arguments = kRegressionArgs, .tables = kRegressionTables},
};
constexpr SeriesSpec kRegressionSeries[] = {
    {SeriesKind::Points, "data", 1, 2, Count(Q::Cases), 1, 1, 1},
    {SeriesKind::Line, "fitted", 4, 2, Fixed(50), 1, 1, 1},
};
constexpr ChartSpec kRegressionChart = {"{column1} against {column2}", "{column2}", "{column1}", AxisKind::Numbers,
                                        kRegressionSeries, RegressionBands};
constexpr StatusText kRegressionStatus[] = {
    {3, "at least 2 rows need both values"},
    {15, "the model cannot be fitted to these data (e.g. a logarithm of a value of 0 or less, or no spread in X)"},
};

constexpr OptionSpec kPolyRegOptions[] = {
    {.flag = "degree", .help = "the degree of the polynomial", .slot = 4, .defaultValue = 2, .min = 1, .max = 50,
     .integer = true},
    {.flag = "no-constant", .help = "fit without the constant term", .slot = 3, .isSwitch = true},
    {.flag = "residuals", .help = "list the residual of every row", .slot = 1, .isSwitch = true},
};
constexpr sv kPolyFitRows[] = {"n (rows used)", "R", "R²", "standard error of estimate", "R (adjusted)",
                               "adjusted R²"};
constexpr sv kCoefficientColumns[] = {"coefficient", "standard error", "t", "probability (two-tailed)"};
constexpr ArgumentSpec kPolyRegArgs[] = {
    {"options", Fill::Options, Fixed(3)},
    {"data", Fill::Numbers, Count(Q::Cases), Fixed(2), 1},
    {"weights", Fill::Result, Count(Q::Cases)},
    {"predictions", Fill::Result, Count(Q::Predictions, 1, 1), Fixed(2)},
    {"residuals", Fill::Result, Count(Q::Cases), Fixed(1)},
    {"curve", Fill::Result, Fixed(101), Fixed(6)},
    {"results", Fill::Result, Fixed(6)},
    {"coefficients", Fill::Result, Fixed(4), OptionValue(4, 1, 1)},
};
constexpr TableSpec kPolyRegTables[] = {
    {"fit", "Fit", 6, {L::Fixed, kPolyFitRows}, {L::Fixed, kValue}},
    {.name = "coefficients", .title = "Coefficients", .argument = 7, .rows = {L::Powers},
     .columns = {L::Fixed, kCoefficientColumns}, .transposed = true},
    {.name = "predictions", .title = "Predictions for the rows marked ?", .argument = 3,
     .rows = {.source = L::Lines, .codeColumn = 1}, .columns = {L::Fixed, kPredictionColumn, kPredictionPositions},
     .trim = Trim::EndMarker},
    {"residuals", "Residuals (observed - fitted)", 4, {L::Lines}, {L::Fixed, kResidualColumn}, {}, false,
     Trim::EmptyRows},
};
constexpr FormSpec kPolyRegForms[] = {
    {.usage = "DEPENDENT X",
     .help = "the dependent variable first, then x; a ? as the dependent value asks for the prediction at that "
             "row's x",
     .minColumns = 2, .maxColumns = 2, .predictions = true, .presets = kPredictionsWanted,
     .arguments = kPolyRegArgs, .tables = kPolyRegTables},
};
constexpr SeriesSpec kPolyRegSeries[] = {
    {SeriesKind::Points, "data", 1, 2, Count(Q::Cases), 1, 1, 1},
    {SeriesKind::Line, "fitted polynomial", 5, 2, Fixed(101), 1, 1, 1},
};
constexpr ChartSpec kPolyRegChart = {"{column1} against {column2}", "{column2}", "{column1}", AxisKind::Numbers,
                                     kPolyRegSeries, PolynomialBands};
constexpr StatusText kPolyRegStatus[] = {{3, "more rows with both values than coefficients are needed"}};

constexpr Choice kSelections[] = {{"all", 0}, {"stepwise", 1}, {"forward", 2}, {"backward", 3}, {"best", 4}};
constexpr OptionSpec kMultiRegOptions[] = {
    {.flag = "method",
     .help = "all (every variable), stepwise, forward, backward, or best (the subset of highest R² for each size)",
     .slot = 3, .defaultValue = 0, .selectsSlot = true, .choices = kSelections},
    {.flag = "enter", .help = "probability to enter (stepwise, forward)", .slot = 8, .defaultValue = 0.05, .min = 0,
     .max = 1},
    {.flag = "remove", .help = "probability to remove (stepwise, backward)", .slot = 9, .defaultValue = 0.1,
     .min = 0, .max = 1},
    {.flag = "max-variables", .help = "the largest number of variables selected (default: all of them)", .slot = 10,
     .defaultValue = kFromData, .min = 1, .max = 1e6, .integer = true, .derived = Count(Q::Columns, 1, -1)},
    {.flag = "no-intercept", .help = "fit without the intercept", .slot = 11, .isSwitch = true},
    {.flag = "residuals", .help = "list the residual of every row", .slot = 1, .isSwitch = true},
};
constexpr sv kMultiFitRows[] = {"n (complete rows)", "R", "R²", "standard error of estimate", "R (adjusted)",
                                "adjusted R²", "variables selected"};
constexpr int kMultiFitPositions[] = {1, 2, 3, 4, 5, 6, 8};
constexpr sv kRegressionSources[] = {"regression", "residual", "total"};
constexpr int kRegressionSlots[] = {9, 10, 11, 12, 13, 14, 15, 16, 0, 0, 17, 18, 19, 0, 0};
constexpr sv kStepColumns[] = {"step", "variable", "entered (1) or removed (0)", "probability", "R²",
                               "adjusted R²"};
constexpr sv kIntercept[] = {"intercept"};
constexpr int kCoefficientPositions[] = {2, 3, 4, 5};
constexpr ArgumentSpec kMultiRegArgs[] = {
    {"options", Fill::Options, Fixed(11)},
    {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns, 1, -1), 1},
    {"y", Fill::Vector, Count(Q::Cases)},
    {"weights", Fill::Result, Count(Q::Cases)},
    {"predictions", Fill::Result, Count(Q::Predictions, 1, 1), Fixed(2)},
    {"residuals", Fill::Result, Count(Q::Cases), Fixed(1)},
    {"results", Fill::Result, Fixed(19)},
    {"steps", Fill::Result, Fixed(6), Count(Q::Columns, 10)},
    {"coefficients", Fill::Result, Fixed(5), Count(Q::Columns)},
};
constexpr TableSpec kMultiRegTables[] = {
    {"fit", "Fit", 6, {L::Fixed, kMultiFitRows, kMultiFitPositions}, {L::Fixed, kValue}},
    {.name = "anova", .title = "Analysis of variance of the regression", .argument = 6,
     .rows = {L::Fixed, kRegressionSources}, .columns = {L::Fixed, kAnovaColumns}, .slots = kRegressionSlots},
    {.name = "coefficients", .title = "Coefficients", .argument = 8,
     .rows = {.source = L::Columns, .names = kIntercept, .codeColumn = 1, .codeBase = 0, .from = 1,
              .namesFirst = true},
     .columns = {L::Fixed, kCoefficientColumns, kCoefficientPositions}, .transposed = true, .trim = Trim::EmptyRows},
    {.name = "steps", .title = "Steps (each row one variable entered or removed)", .argument = 7,
     .rows = {.source = L::Columns, .codeColumn = 2, .from = 1}, .columns = {L::Fixed, kStepColumns},
     .transposed = true, .trim = Trim::EmptyRows},
    {.name = "predictions", .title = "Predictions for the rows marked ?", .argument = 4,
     .rows = {.source = L::Lines, .codeColumn = 1}, .columns = {L::Fixed, kPredictionColumn, kPredictionPositions},
     .trim = Trim::EndMarker},
    {"residuals", "Residuals (observed - fitted)", 5, {L::Lines}, {L::Fixed, kResidualColumn}, {}, false,
     Trim::EmptyRows},
};
constexpr FormSpec kMultiRegForms[] = {
    {.usage = "DEPENDENT X...",
     .help = "the dependent variable first, then the predictors; only rows with every value take part in the fit; "
             "a ? as the dependent value asks for the prediction at that row",
     .minColumns = 2, .maxColumns = 0, .predictions = true, .presets = kPredictionsWanted,
     .arguments = kMultiRegArgs, .tables = kMultiRegTables},
};
constexpr StatusText kMultiRegStatus[] = {
    {3, "more complete rows than predictors are needed, and the dependent variable must vary"},
    {8, "the options do not fit: --enter may not exceed --remove for stepwise selection, and --max-variables may "
        "not exceed the number of predictors"},
    {18, "no variable meets the probability to enter (--enter), or a removal would leave no variable"},
};

// ======================================================================= factor, discriminant
constexpr Choice kCommunalities[] = {{"components", 0}, {"axes", 1}};
constexpr Choice kRotations[] = {{"varimax", 0}, {"quartimax", -1}, {"none", 2}};
constexpr Choice kOnOff[] = {{"on", 1}, {"off", 0}};
constexpr OptionSpec kFactorOptions[] = {
    {.flag = "method",
     .help = "components (principal components: 1 on the diagonal) or axes (principal axes: each variable's "
             "largest absolute correlation as its first communality)",
     .slot = 1, .defaultValue = 0, .choices = kCommunalities},
    {.flag = "iterate", .help = "iterate the communalities (principal axes)", .slot = 2, .isSwitch = true},
    {.flag = "tolerance", .help = "iteration stops when no communality changes by more than this", .slot = 3,
     .defaultValue = 0.001, .min = 0},
    {.flag = "iterations", .help = "the largest number of extractions when iterating", .slot = 4,
     .defaultValue = 25, .min = 1, .max = 1000, .integer = true},
    {.flag = "factors", .help = "the largest number of factors retained (default: as many as there are columns)",
     .slot = 5, .defaultValue = kFromData, .min = 1, .max = 1e6, .integer = true, .derived = Count(Q::Columns)},
    {.flag = "min-eigenvalue", .help = "the smallest eigenvalue of a retained factor", .slot = 6,
     .defaultValue = 1},
    {.flag = "rotation", .help = "varimax, quartimax or none", .slot = 7, .defaultValue = 0, .selectsSlot = true,
     .choices = kRotations},
    {.flag = "kaiser", .help = "Kaiser normalisation during rotation: on or off", .slot = 10, .defaultValue = 1,
     .choices = kOnOff},
};
constexpr sv kEigenColumns[] = {"eigenvalue", "% of variance", "cumulative %"};
constexpr sv kFactorStatsRows[] = {"complete rows", "extractions", "factors retained"};
constexpr ArgumentSpec kFactorArgs[] = {
    {"options", Fill::Options, Fixed(10)},
    {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns)},
    {"communalities", Fill::Result, Count(Q::Columns), OptionValue(4, 1, 1)},
    {"eigenvalues", Fill::Result, Count(Q::Columns), Fixed(3)},
    {"loadings", Fill::Result, Count(Q::Columns, 1, 2), Count(Q::Columns, 1, 2)},
    {"scores", Fill::Result, Count(Q::Cases), Count(Q::Columns)},
    {"stats", Fill::Result, Fixed(3)},
};
constexpr TableSpec kFactorTables[] = {
    {"loadings", "Loadings (variables under the factor they load on most)", 4, {L::Columns}, {L::Index}, {}, false,
     Trim::None, {}, RetainedFactors},
    {"eigenvalues", "Eigenvalues", 3, {L::Index}, {L::Fixed, kEigenColumns}},
    {.name = "communalities",
     .title = "Communalities (1: the first estimates; then after each extraction)", .argument = 2,
     .rows = {L::Index}, .columns = {L::Columns}, .transposed = true, .trim = Trim::EmptyRows},
    {"scores", "Factor scores", 5, {L::Lines}, {L::Index}, {}, false, Trim::None, {}, RetainedFactors},
    {"summary", "Summary", 6, {L::Fixed, kFactorStatsRows}, {L::Fixed, kValue}},
};
constexpr FormSpec kFactorForms[] = {
    {.usage = "COLUMN COLUMN...",
     .help = "the variables, one case per row (rows with an empty cell are left out of the analysis)",
     .minColumns = 2, .maxColumns = 0, .arguments = kFactorArgs, .tables = kFactorTables},
};
constexpr StatusText kFactorStatus[] = {
    {3, "at least 2 complete rows are needed, no column may be constant over them, and at least one factor must "
        "reach --min-eigenvalue"},
    {7, "the eigenvalues could not be computed (the values are too large, or the iteration did not converge)"},
};

constexpr Choice kPriors[] = {{"proportional", 0}, {"equal", 1}};
constexpr OptionSpec kDiscrimOptions[] = {
    {.flag = "priors", .help = "prior probabilities of the groups: proportional (to their sizes) or equal",
     .slot = 1, .defaultValue = 0, .choices = kPriors},
};
constexpr sv kFunctionColumns[] = {"eigenvalue",   "% of trace", "cumulative %", "canonical correlation",
                                   "Wilks' lambda", "chi-square", "degrees of freedom", "probability"};
constexpr sv kConstant[] = {"constant"};
constexpr sv kGroupSize[] = {"group size"};
constexpr sv kPercentCorrect[] = {"% classified into their own group"};
constexpr sv kPredictedGroup[] = {"group number (1: the first group)"};
constexpr ArgumentSpec kDiscrimArgs[] = {
    {"options", Fill::Options, Fixed(2)},
    {"data", Fill::Numbers, Count(Q::Cases), Count(Q::Columns)},
    {"groups", Fill::GroupCodes, Count(Q::Cases)},
    {"predictions", Fill::Result, Count(Q::Predictions, 1, 1), Fixed(2)},
    {"functionTable", Fill::Result, Fixed(8), Count(Q::Groups, 1, -1)},
    {"rawCoefficients", Fill::Result, Count(Q::Columns, 1, 1), Count(Q::Groups, 1, -1)},
    {"standardisedCoefficients", Fill::Result, Count(Q::Columns), Count(Q::Groups, 1, -1)},
    {"centroids", Fill::Result, Count(Q::Groups), Count(Q::Groups, 1, -1)},
    {"groupDistances", Fill::Result, Count(Q::Groups), Count(Q::Groups)},
    {"classificationTable", Fill::Result, Count(Q::Groups, 1, 1), Count(Q::Groups)},
    {"stats", Fill::Result, Fixed(1)},
};
constexpr TableSpec kDiscrimTables[] = {
    {.name = "functions", .title = "Discriminant functions", .argument = 4, .rows = {L::Index},
     .columns = {L::Fixed, kFunctionColumns}, .transposed = true, .trim = Trim::EmptyRows},
    {"raw", "Coefficients (columns: functions)", 5, {L::Columns, kConstant}, {L::Index}},
    {"standardised", "Standardised coefficients", 6, {L::Columns}, {L::Index}},
    {"centroids", "Group centroids (scores of the group means)", 7, {L::Groups}, {L::Index}},
    {"distances", "Mahalanobis distances (below the diagonal) and probabilities of F (above)", 8, {L::Groups},
     {L::Groups}},
    {"classification", "Classification (rows: predicted group; columns: actual group)", 9, {L::Groups, kGroupSize},
     {L::Groups}},
    {"summary", "Summary", 10, {L::Fixed, kPercentCorrect}, {L::Fixed, kValue}},
    {.name = "predictions", .title = "Predicted groups of the rows marked ?", .argument = 3,
     .rows = {.source = L::Lines, .codeColumn = 1}, .columns = {L::Fixed, kPredictedGroup, kPredictionPositions},
     .trim = Trim::EndMarker},
};
constexpr FormSpec kDiscrimForms[] = {
    {.usage = "COLUMN... --by GROUP",
     .help = "the variables and the group of each case (at least 2 groups); a ? as the group asks which group "
             "that row belongs to",
     .byColumns = 1, .maxColumns = 0, .minGroups = 2, .predictions = true, .arguments = kDiscrimArgs,
     .tables = kDiscrimTables},
};
constexpr StatusText kDiscrimStatus[] = {
    {3, "at least 3 complete rows are needed, every group needs one, there must be at least as many rows beyond "
        "the number of groups as there are variables, and no variable may be constant"},
    {7, "the variables are (nearly) linearly dependent within the groups, or the eigenvalues cannot be computed"},
};

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
    {"anova", "nkAnova", "analysis of variance, one or two factors, with post-hoc comparisons",
     "One factor (the groups of --by, or one column per group) or two crossed factors (two --by columns, with or "
     "without their interaction): sums of squares, F tests, the group counts and means, and Bartlett's test of "
     "equal variances. With one factor, --posthoc NAME compares every pair of groups and gives the homogeneous "
     "subsets.",
     CallExport<nkAnova>, ArityOf(nkAnova), kAnovaOptions, kAnovaForms, kAnovaStatus},
    {"posthoc", "nkPostHoc", "post-hoc comparisons of group means from their counts and means",
     "Compares every pair of group means by one of eight procedures, given each group's count and mean and the "
     "error sum of squares of the analysis of variance (--error-ss): the critical differences, which pairs "
     "differ, and the homogeneous subsets. From raw values, use 'anova VALUE --by GROUP --posthoc NAME'.",
     CallExport<nkPostHoc>, ArityOf(nkPostHoc), kPostHocOptions, kPostHocForms, kPostHocStatus},
    {"repeated", "nkRepMeasures", "repeated-measures analysis of variance (treatments in columns)",
     "Every subject (row) is measured under each treatment (column): the sums of squares of treatments, subjects "
     "and the residual, with F tests of treatments and subjects against the residual.",
     CallExport<nkRepMeasures>, ArityOf(nkRepMeasures), {}, kRepeatedForms, kRepeatedStatus},
    {"split-plot", "nkSplitPlot", "split-plot analysis of variance: groups (--by) and treatments (columns)",
     "Subjects (rows) belong to the groups of --by and are measured under every treatment (column): groups are "
     "tested against subjects within groups; treatments, their interaction with groups and subjects against the "
     "residual.",
     CallExport<nkSplitPlot>, ArityOf(nkSplitPlot), {}, kSplitPlotForms, kSplitPlotStatus},
    {"kruskal-wallis", "nkHTest", "Kruskal-Wallis H test of two or more independent groups",
     "Compares independent groups by the ranks of their pooled values (ties share their mid-rank), corrected for "
     "ties, against chi-square on groups - 1 degrees of freedom.",
     CallExport<nkHTest>, ArityOf(nkHTest), {}, kHTestForms, kHTestStatus},
    {"friedman", "nkFriedman", "Friedman test of treatments (columns) ranked within blocks (rows)",
     "Ranks the values of every block (row) among themselves and tests the treatments' (columns') rank sums "
     "against chi-square on treatments - 1 degrees of freedom.",
     CallExport<nkFriedman>, ArityOf(nkFriedman), {}, kFriedmanForms, kFriedmanStatus},
    {"cochran-q", "nkQTest", "Cochran's Q test of yes/no (0/1) responses to several treatments",
     "Tests whether the share of 1 responses differs between treatments (columns) measured on the same subjects "
     "(rows), against chi-square on treatments - 1 degrees of freedom.",
     CallExport<nkQTest>, ArityOf(nkQTest), {}, kQTestForms, kQTestStatus},
    {"pearson", "nkPearson", "Pearson correlation matrix, with Cronbach's alpha of the columns as a scale",
     "Pearson's r of every pair of columns over the rows where both have a value, with the one-tailed probability "
     "of the t test of no correlation; and the columns taken as a scale: Cronbach's alpha and the mean inter-item "
     "correlation.",
     CallExport<nkPearson>, ArityOf(nkPearson), {}, kPearsonForms, kCorrelationStatus},
    {"partial", "nkPartial", "partial correlations with a control variable held constant",
     "The correlation of every pair of columns after the first with the first column (the control) held "
     "constant, over the rows where all three have a value, with the one-tailed probability (n - 3 degrees of "
     "freedom).",
     CallExport<nkPartial>, ArityOf(nkPartial), {}, kPartialForms, kCorrelationStatus},
    {"spearman", "nkSpearman", "Spearman rank correlation matrix",
     "Spearman's rho (Pearson's r of the mid-ranks) of every pair of columns over the rows where both have a "
     "value, with the one-tailed probability of its t test.",
     CallExport<nkSpearman>, ArityOf(nkSpearman), {}, kSpearmanForms, kCorrelationStatus},
    {"kendall", "nkKendall", "Kendall rank correlation matrix (tau-b)",
     "Kendall's tau-b of every pair of columns over the rows where both have a value, with the one-tailed "
     "probability of its normal approximation.",
     CallExport<nkKendall>, ArityOf(nkKendall), {}, kKendallForms, kCorrelationStatus},
    {"crosscorr", "nkCrossCorrel", "cross-correlation function of two series",
     "Pearson's r of X(t + lag) with Y(t) for every lag from -L to L, over the time points where both are present.",
     CallExport<nkCrossCorrel>, ArityOf(nkCrossCorrel), kCrossCorrOptions, kCrossCorrForms},
    {"regression", "nkSimpleReg", "simple regression in seven models, with bands and predictions",
     "Fits the dependent variable (named first) on X: a straight line by default, or one of six curves, or all "
     "seven with the best (highest R²) predicting. A ? as a dependent value asks for the prediction at that row's "
     "X. --svg draws the data, the fitted line and its 95% prediction and confidence bands.",
     CallExport<nkSimpleReg>, ArityOf(nkSimpleReg), kRegressionOptions, kRegressionForms, kRegressionStatus,
     &kRegressionChart},
    {"polyreg", "nkPolyReg", "polynomial regression, with bands and predictions",
     "Fits a polynomial of --degree in X to the dependent variable (named first) by least squares: the "
     "coefficients with standard errors, t and probabilities, R² and the standard error of estimate. A ? as a "
     "dependent value asks for the prediction at that row's X. --svg draws the data, the fitted curve and its 95% "
     "prediction and confidence bands.",
     CallExport<nkPolyReg>, ArityOf(nkPolyReg), kPolyRegOptions, kPolyRegForms, kPolyRegStatus, &kPolyRegChart},
    {"multireg", "nkMultiReg", "multiple regression, with stepwise, forward, backward or best-subset selection",
     "Fits the dependent variable (named first) on the predictors by least squares, on all of them or on those a "
     "selection method chooses: the coefficients with standard errors, t and probabilities, R², the analysis of "
     "variance of the regression and the selection steps. A ? as a dependent value asks for a prediction.",
     CallExport<nkMultiReg>, ArityOf(nkMultiReg), kMultiRegOptions, kMultiRegForms, kMultiRegStatus},
    {"factor", "nkFactorA", "factor analysis: principal components or axes, varimax or quartimax rotation",
     "Extracts factors from the correlation matrix of the columns (principal components, or principal axes with "
     "communalities, iterated on request), keeps those whose eigenvalue reaches --min-eigenvalue, rotates them, "
     "and gives the loadings, eigenvalues, communalities and the factor scores of every row.",
     CallExport<nkFactorA>, ArityOf(nkFactorA), kFactorOptions, kFactorForms, kFactorStatus},
    {"discriminant", "nkDiscrim", "linear discriminant analysis of groups, with classification",
     "Separates the groups of --by by linear discriminant functions of the columns: eigenvalues, Wilks' lambda "
     "tests, coefficients, centroids, the Mahalanobis distances of the groups, and the classification of every "
     "complete row. A ? as the group asks which group that row belongs to.",
     CallExport<nkDiscrim>, ArityOf(nkDiscrim), kDiscrimOptions, kDiscrimForms, kDiscrimStatus},
    {"qc-chart", "nkQCChart", "Shewhart control chart: points, centre line, control and warning limits",
     "The points of a control chart of subgroup means, ranges or standard deviations, or of proportions, numbers "
     "of defectives, defects or defects per unit, with the centre line, control limits (--sigma standard errors) "
     "and warning limits (--warning). --svg draws the chart.",
     CallExport<nkQCChart>, ArityOf(nkQCChart), kQcChartOptions, kQcChartForms, kQcChartStatus, &kQcChartChart},
    {"capability", "nkCapability", "process capability: Cp, Cpk and parts per million outside the limits",
     "Rates measurements against the specification limits --lsl and --usl: mean, standard deviation, Cp, Cpk and "
     "the parts per million expected outside the limits under a normal distribution.",
     CallExport<nkCapability>, ArityOf(nkCapability), kCapabilityOptions, kCapabilityForms, kCapabilityStatus},
    {"scatter", "nkScatterPlot", "scatter plot of two columns, by group",
     "The points with both values, counted per group; --svg draws them, a colour per group.",
     CallExport<nkScatterPlot>, ArityOf(nkScatterPlot), {}, kScatterForms, {}, &kScatterChart},
    {"boxplot", "nkBoxWhisker", "box-and-whisker values (quartiles, 5th and 95th percentiles, extremes)",
     "Minimum, 5th percentile, quartiles, median, 95th percentile and maximum of each group or column; --svg draws "
     "the boxes.",
     CallExport<nkBoxWhisker>, ArityOf(nkBoxWhisker), {}, kBoxForms, {}, &kBoxChart},
    {"cumulative", "nkCumulative", "cumulative distribution against the fitted normal (normal probability plot)",
     "For the sorted values: the empirical cumulative percentage, the percentage expected under the normal "
     "distribution with the sample's mean and standard deviation, the probit and z + 5; --svg plots the "
     "observed against the normal percentages.",
     CallExport<nkCumulative>, ArityOf(nkCumulative), {}, kCumulativeForms, kOneSampleStatus, &kCumulativeChart},
    {"pareto", "nkPareto", "Pareto chart: categories by their totals, with the cumulative percentage",
     "Totals of each category, largest first, with the cumulative percentage of the grand total; --svg draws the "
     "bars and the cumulative line.",
     CallExport<nkPareto>, ArityOf(nkPareto), {}, kParetoForms, {}, &kParetoChart},
    {"cluster", "nkCluster", "hierarchical cluster analysis of the rows, with a dendrogram",
     "Joins the objects (rows) step by step by the squared Euclidean distance of their standardised variables "
     "under the chosen linkage; --clusters K cuts the tree into K clusters; --svg draws the dendrogram.",
     CallExport<nkCluster>, ArityOf(nkCluster), kClusterOptions, kClusterForms, kClusterStatus, &kClusterChart,
     &kSeparate},
    {"survival", "nkSurvival", "Kaplan-Meier survival estimates and the log-rank test of groups",
     "Product-limit estimates of survival with Greenwood standard errors, for all cases or for every group of "
     "--by, with the log-rank test of equal survival; --svg draws the Kaplan-Meier curves.",
     CallExport<nkSurvival>, ArityOf(nkSurvival), {}, kSurvivalForms, kSurvivalStatus, &kSurvivalChart},
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
    for (const AnalysisSpec& a : kAnalyses) {
        if (a.followUp != nullptr && a.followUp->arguments.size() != a.followUp->arity) return false;
        for (const FormSpec& f : a.forms)
            if (f.followUp != nullptr && f.followUp->arguments.size() != f.followUp->arity) return false;
    }
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

std::string_view StatusMessage(const FollowUpSpec& followUp, const AnalysisSpec& analysis, int code)
{
    for (const StatusText& s : followUp.statuses)
        if (s.code == code) return s.text;
    return StatusMessage(analysis, code);
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
