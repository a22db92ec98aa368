#include "analyses/groups/mixed_design.hpp"

#include <cstdint>

#include "frame/codes.hpp"
#include "frame/markers.hpp"
#include "frame/status.hpp"
#include "frame/work_storage.hpp"
#include "numeric/running_moments.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {
namespace {

// Group number of a row that is left out; groups are numbered from 1.
constexpr std::size_t kLeftOut = 0;

std::ptrdiff_t At(std::size_t i) noexcept
{
    return static_cast<std::ptrdiff_t>(i);
}

double Square(double x) noexcept
{
    return x * x;
}

// a − b as the unrounded pair high + low: two differences are equal as real numbers
// exactly when both parts are equal.
struct ExactDifference {
    double high;
    double low;
    bool operator==(const ExactDifference&) const = default;
};

ExactDifference Difference(double a, double b) noexcept
{
    const double high = a - b;
    return {high, RoundingErrorOfSum(a, -b, high)};
}

// The complete subjects of the design, as the first pass over the data finds them.
struct Subjects {
    Subjects(std::size_t rowCount) : mean(1, rowCount), groupOf(1, rowCount), referenceRow(1, rowCount) {}

    RealVector mean;                    // per row: the mean of its values less `shift`
    OffsetVector<std::size_t> groupOf;  // per row: its group 1..groups, or kLeftOut
    RealVector referenceRow;            // per group: one of its rows, the others are compared with
    std::size_t count = 0;
    std::size_t groups = 0;
    double shift = 0;  // the first value of the first complete row
};

// Reads rows 1..rowCount, checks every value and the code of every complete row, and
// numbers the groups that occur 1, 2, ... in the order of their codes.
void ReadSubjects(const RealMatrixView& data, std::size_t rowCount, const double* groupCodes,
                  std::size_t declaredGroups, Subjects& subjects)
{
    const std::size_t b = data.cols();
    RealVector codeOfSubject(1, rowCount), rowOfSubject(1, rowCount);
    std::size_t& s = subjects.count;
    for (std::size_t e = 1; e <= rowCount; ++e) {
        bool complete = groupCodes == nullptr || !IsMissing(groupCodes[e - 1]);
        for (std::size_t j = 1; j <= b; ++j) {
            const double x = data(e, j);
            if (IsMissing(x)) {
                complete = false;
            } else {
                RequireFinite(x);
            }
        }
        subjects.groupOf[At(e)] = kLeftOut;
        if (!complete) continue;
        const std::size_t code = groupCodes == nullptr ? 0 : ClassIndex(groupCodes[e - 1], declaredGroups);
        if (s == 0) subjects.shift = data(e, 1);
        CompensatedSum sum;
        for (std::size_t j = 1; j <= b; ++j) sum.Add(data(e, j) - subjects.shift);
        subjects.mean[At(e)] = sum.Value() / static_cast<double>(b);
        ++s;
        codeOfSubject[At(s)] = static_cast<double>(code);
        rowOfSubject[At(s)] = static_cast<double>(e);
    }
    SortRealsWithReals(s, codeOfSubject.data(), rowOfSubject.data());
    for (std::size_t i = 1; i <= s; ++i) {
        if (i == 1 || codeOfSubject[At(i)] != codeOfSubject[At(i - 1)]) {
            subjects.referenceRow[At(++subjects.groups)] = rowOfSubject[At(i)];
        }
        subjects.groupOf[At(static_cast<std::size_t>(rowOfSubject[At(i)]))] = subjects.groups;
    }
}

// Σ ((x_ej − S_e) − (C_gj − G_g))² over the complete subjects; exactly 0 when every
// subject's profile is exactly parallel to that of its group's reference subject.
double ResidualSumOfSquares(const RealMatrixView& data, const Subjects& subjects, const RealMatrix& cellMean,
                            const RealVector& groupMean)
{
    CompensatedSum residual;
    bool parallel = true;
    for (std::size_t e = 1; e <= subjects.groupOf.count(); ++e) {
        const std::size_t g = subjects.groupOf[At(e)];
        if (g == kLeftOut) continue;
        const auto reference = static_cast<std::size_t>(subjects.referenceRow[At(g)]);
        const ExactDifference firstDifference = Difference(data(e, 1), data(reference, 1));
        for (std::size_t j = 1; j <= data.cols(); ++j) {
            const double x = data(e, j);
            const double r = ((x - subjects.shift) - subjects.mean[At(e)]) - (cellMean(At(g), At(j)) - groupMean[At(g)]);
            residual.Add(r * r);
            parallel = parallel && Difference(x, data(reference, j)) == firstDifference;
        }
    }
    return parallel ? 0.0 : residual.Value();
}

}  // namespace

MixedDesign AnalyseMixedDesign(const RealMatrixView& data, std::size_t rowCount, const double* groupCodes,
                               std::size_t declaredGroups, std::size_t minimumSubjects)
{
    const std::size_t b = data.cols();
    const auto treatments = static_cast<double>(b);
    Subjects subjects(rowCount);
    ReadSubjects(data, rowCount, groupCodes, declaredGroups, subjects);
    Require(subjects.count >= minimumSubjects && subjects.count > 0, Status::InsufficientData);
    const std::size_t groups = subjects.groups;

    // Means: two passes of the moments kernel over the shifted observations, by
    // treatment, by cell and overall, and over the subject means of each group.
    MomentsAccumulator grand;
    OffsetVector<MomentsAccumulator> treatment(1, b), subjectMeansOfGroup(1, groups);
    OffsetMatrix<MomentsAccumulator> cell(1, groups, 1, b);
    treatment.Fill(MomentsAccumulator{});
    subjectMeansOfGroup.Fill(MomentsAccumulator{});
    cell.Fill(MomentsAccumulator{});
    const auto forEachObservation = [&](auto&& add) {
        for (std::size_t e = 1; e <= rowCount; ++e) {
            const std::size_t g = subjects.groupOf[At(e)];
            if (g == kLeftOut) continue;
            add(subjectMeansOfGroup[At(g)], subjects.mean[At(e)]);
            for (std::size_t j = 1; j <= b; ++j) {
                const double y = data(e, j) - subjects.shift;
                add(grand, y);
                add(treatment[At(j)], y);
                add(cell(At(g), At(j)), y);
            }
        }
    };
    forEachObservation([](MomentsAccumulator& a, double y) { a.Add(y); });
    grand.EndFirstPass();
    for (std::size_t j = 1; j <= b; ++j) treatment[At(j)].EndFirstPass();
    for (std::size_t g = 1; g <= groups; ++g) {
        subjectMeansOfGroup[At(g)].EndFirstPass();
        for (std::size_t j = 1; j <= b; ++j) cell(At(g), At(j)).EndFirstPass();
    }
    forEachObservation([](MomentsAccumulator& a, double y) { a.AddSecond(y); });

    const RunningMoments all = grand.Moments();
    const double M = all.mean;
    RealVector treatmentMean(1, b), groupMean(1, groups), groupSize(1, groups);
    RealMatrix cellMean(1, groups, 1, b);
    for (std::size_t j = 1; j <= b; ++j) treatmentMean[At(j)] = treatment[At(j)].Moments().mean;
    for (std::size_t g = 1; g <= groups; ++g) {
        for (std::size_t j = 1; j <= b; ++j) cellMean(At(g), At(j)) = cell(At(g), At(j)).Moments().mean;
    }

    MixedDesign design;
    design.subjects = static_cast<double>(subjects.count);
    design.groups = static_cast<double>(groups);
    design.treatments = treatments;
    design.ssTotal = all.sumSquares;

    CompensatedSum subjectsWithinGroups, betweenGroups;
    for (std::size_t g = 1; g <= groups; ++g) {
        const RunningMoments subjectMeans = subjectMeansOfGroup[At(g)].Moments();
        groupMean[At(g)] = subjectMeans.mean;
        groupSize[At(g)] = subjectMeans.count;
        subjectsWithinGroups.Add(subjectMeans.sumSquares);
        betweenGroups.Add(subjectMeans.count * Square(subjectMeans.mean - M));
    }
    design.ssSubjects = treatments * subjectsWithinGroups.Value();
    if (groups > 1) design.ssBetweenFactor = treatments * betweenGroups.Value();

    if (b > 1) {
        CompensatedSum betweenTreatments;
        for (std::size_t j = 1; j <= b; ++j) betweenTreatments.Add(Square(treatmentMean[At(j)] - M));
        design.ssWithinFactor = design.subjects * betweenTreatments.Value();
    }
    if (b > 1 && groups > 1) {
        CompensatedSum interaction;
        for (std::size_t g = 1; g <= groups; ++g) {
            for (std::size_t j = 1; j <= b; ++j) {
                const double cellEffect = (cellMean(At(g), At(j)) - groupMean[At(g)]) - (treatmentMean[At(j)] - M);
                interaction.Add(groupSize[At(g)] * Square(cellEffect));
            }
        }
        design.ssInteraction = interaction.Value();
    }
    design.ssResidual = ResidualSumOfSquares(data, subjects, cellMean, groupMean);
    return design;
}

}  // namespace sheetstat
