// Charts whose layout plain series cannot describe: each reads the result arrays of
// one call, as its registry entry lays them out, and adds its series to the chart.
// Argument indices are those of the entry's forms.
#pragma once

#include "report.hpp"

namespace sheetstat::host {

// nkScatterPlot (data 0, groupCounts 1): one set of points per group.
void ScatterByGroup(const CallResult& call, ChartData& chart);
// nkBoxWhisker (boxes 2): boxes (quartiles), medians, whiskers (5th and 95th percentiles),
// minimum and maximum, one box per group or column along a class axis.
void BoxesAndWhiskers(const CallResult& call, ChartData& chart);
// nkQCChart (results 3): centre line, control and warning limits across the points.
void ControlLimits(const CallResult& call, ChartData& chart);
// nkPareto (pareto 1, results 2): totals as bars in descending order, and the
// cumulative percentage against a right-hand axis.
void ParetoBars(const CallResult& call, ChartData& chart);
// nkCluster (dendrogram 4, leaves 6): the tree, leaves named along the class axis.
void Dendrogram(const CallResult& call, ChartData& chart);
// nkSurvival (survival 4, groupTable 5): a Kaplan-Meier step curve per group, and
// the censored cases marked on their curves.
void KaplanMeierCurves(const CallResult& call, ChartData& chart);
// nkSimpleReg (curve 4): the 95 % prediction and confidence bands of the straight line,
// each band's upper and lower limit one series.
void RegressionBands(const CallResult& call, ChartData& chart);
// nkPolyReg (curve 5, columns 3 to 6): the same bands of the polynomial.
void PolynomialBands(const CallResult& call, ChartData& chart);

// ---- Tables ----

// nkPostHoc (comparisons, then subsets: `shape.argument` is either): the groups named in
// ascending order of their means, as the export orders them (row 1 of the subsets).
// Comparisons: k x k as the export writes them. Subsets: one row per group, a column
// per homogeneous subset, 1 where the group belongs to it.
void MeansInOrder(const TableSpec& shape, const CallResult& call, ResultTable& table);
// nkFactorA (loadings 4, scores 5, stats 6): as many factor columns as factors were
// retained; the loadings' rows named by their variable, then the factor variances.
void RetainedFactors(const TableSpec& shape, const CallResult& call, ResultTable& table);

}  // namespace sheetstat::host
