// Repeated-measures analysis of variance: every subject is measured under each of k
// treatments (one within-subject factor, subjects as blocks, no replication). The
// total sum of squares splits into treatments (k − 1 df), subjects (n − 1 df) and
// the residual treatments × subjects ((k − 1)(n − 1) df); treatments and subjects are
// each tested against the residual (Winer 1971, ch. 4). Subjects with an empty cell
// are left out entirely. The sums of squares come from mixed_design.hpp with a
// single group.
#include "analyses/groups/anova_table.hpp"
#include "analyses/groups/mixed_design.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"

namespace sheetstat {
namespace {

void RepMeasures(HostArray** data, HostArray** anovaTable)
{
    const RealMatrixView subjects(data), table(anovaTable);
    RequireAnovaTableShape(table);
    Require(subjects.cols() >= 2, Status::InsufficientData);

    const MixedDesign design = AnalyseMixedDesign(subjects, subjects.rows(), nullptr, 1, 2);
    const double k = design.treatments, n = design.subjects;
    const AnovaTerm treatments{design.ssWithinFactor, k - 1};
    const AnovaTerm blocks{design.ssSubjects, n - 1};
    const AnovaTerm residual{design.ssResidual, (k - 1) * (n - 1)};
    const AnovaTerm total{design.ssTotal, k * n - 1};

    WriteFTest(table, AnovaSource::WithinFactor, treatments, residual);
    WriteFTest(table, AnovaSource::Subjects, blocks, residual);
    WriteAbsentSource(table, AnovaSource::BetweenFactor);
    WriteAbsentSource(table, AnovaSource::Interaction);
    WriteAnovaTerm(table, AnovaSource::Residual, residual);
    WriteAnovaTerm(table, AnovaSource::Total, total);
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkRepMeasures(HostArray** data, HostArray** anovaTable)
{
    return sheetstat::RunExport([&] { sheetstat::RepMeasures(data, anovaTable); });
}
