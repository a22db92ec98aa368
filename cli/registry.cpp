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
    for (const AnalysisSpec& a : kAnalyses)
        if (a.followUp != nullptr && a.followUp->arguments.size() != a.followUp->arity) return false;
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
