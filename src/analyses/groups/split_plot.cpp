// Split-plot (mixed) analysis of variance: subjects belong to one of a groups (the
// between-subject factor A) and each is measured under every one of b treatments
// (the within-subject factor B). The total sum of squares splits into A, subjects
// within groups, B, A × B and the residual B × subjects within groups; A is tested
// against subjects within groups, the other three against the residual
// (Winer 1971, ch. 7). With s complete subjects in a groups that hold at least one of
// them, the degrees of freedom are a − 1, s − a, b − 1, (a − 1)(b − 1),
// (b − 1)(s − a) and sb − 1. Declared groups without a complete subject take no
// part: they would shift every test and could make degrees of freedom negative. A
// source without degrees of freedom has no mean square (MissingValue), and nothing
// is tested against it.
#include "analyses/groups/anova_table.hpp"
#include "analyses/groups/mixed_design.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"

namespace sheetstat {
namespace {

void SplitPlot(HostArray** options, HostArray** data, HostArray** groupCodes, HostArray** anovaTable)
{
    const RealArrayView opts(options), codes(groupCodes);
    const RealMatrixView subjects(data), table(anovaTable);
    Require(opts.count() >= 1);
    RequireAnovaTableShape(table);
    const int32_t declaredGroups = TruncateCode(opts[1]);
    Require(declaredGroups >= 1 && subjects.cols() >= 1 && codes.count() <= subjects.rows());

    const MixedDesign design = AnalyseMixedDesign(subjects, codes.count(), codes.data(),
                                                  static_cast<std::size_t>(declaredGroups), 1);
    const double a = design.groups, b = design.treatments, s = design.subjects;
    const AnovaTerm withinFactor{design.ssWithinFactor, b - 1};
    const AnovaTerm subjectsWithinGroups{design.ssSubjects, s - a};
    const AnovaTerm betweenFactor{design.ssBetweenFactor, a - 1};
    const AnovaTerm interaction{design.ssInteraction, (a - 1) * (b - 1)};
    const AnovaTerm residual{design.ssResidual, (b - 1) * (s - a)};
    const AnovaTerm total{design.ssTotal, s * b - 1};

    WriteFTest(table, AnovaSource::WithinFactor, withinFactor, residual);
    WriteFTest(table, AnovaSource::Subjects, subjectsWithinGroups, residual);
    WriteFTest(table, AnovaSource::BetweenFactor, betweenFactor, subjectsWithinGroups);
    WriteFTest(table, AnovaSource::Interaction, interaction, residual);
    WriteAnovaTerm(table, AnovaSource::Residual, residual);
    WriteAnovaTerm(table, AnovaSource::Total, total);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkSplitPlot(HostArray** options, HostArray** data,
                                                            HostArray** groupCodes, HostArray** anovaTable)
{
    return sheetstat::RunExport([&] { sheetstat::SplitPlot(options, data, groupCodes, anovaTable); });
}
