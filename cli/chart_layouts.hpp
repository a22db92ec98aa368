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

}  // namespace sheetstat::host
