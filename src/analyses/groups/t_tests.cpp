// t-tests of two means.
//
// nkTTestIndep compares two independent samples three ways side by side: the
// variance-ratio F test of equal variances, Student's t with the pooled variance, and
// Welch's t with separate variances and the Welch-Satterthwaite degrees of freedom.
// nkTTestDep is the paired t-test on the differences of matched observations.
// Every probability is two-tailed.
//
// Means and sums of squares come from two passes about the mean (the moments kernel;
// the two groups together by the merge of Chan et al.), so that data sharing a large
// common offset, such as 1e9 plus small deviations, keep their variances within a few
// ulps; Σx² − n·mean² would lose them to cancellation.
#include <cmath>

#include "analyses/groups/two_groups.hpp"
#include "frame/codes.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

// Rows 1 to 4 of one groupStats column: n, mean, standard deviation, standard error.
void WriteGroupColumn(const RealMatrixView& groupStats, std::size_t column, const RunningMoments& group,
                      double variance)
{
    groupStats(1, column) = group.count;
    groupStats(2, column) = group.mean;
    groupStats(3, column) = std::sqrt(variance);
    groupStats(4, column) = std::sqrt(variance / group.count);
}

// The variance-ratio test: the larger variance over the smaller (the second group's
// on a tie), with the upper-tail probability doubled for a two-tailed test and folded
// back below 1 when doubling passes it.
struct VarianceRatio {
    double F;
    double probability;
};

VarianceRatio VarianceRatioTest(double n1, double variance1, double n2, double variance2)
{
    VarianceRatio ratio{};
    double twoTailed = 0;
    if (variance1 <= variance2) {
        ratio.F = variance2 / variance1;
        twoTailed = 2 * FProb(ratio.F, n2 - 1, n1 - 1);
    } else {
        ratio.F = variance1 / variance2;
        twoTailed = 2 * FProb(ratio.F, n1 - 1, n2 - 1);
    }
    ratio.probability = twoTailed > 1 ? 2 - twoTailed : twoTailed;
    return ratio;
}

void TTestIndep(HostArray** options, HostArray** data, HostArray** groupCodes, HostArray** groupStats,
                HostArray** results)
{
    const RealArrayView opts(options), out(results);
    const RealMatrixView stats(groupStats);
    Require(opts.count() >= 1 && stats.rows() >= 4 && out.count() >= 8);
    const int32_t layout = TruncateCode(opts[1]);
    // Column 1 and 2 are the groups, the last column both together.
    Require(stats.cols() == 3);
    const TwoGroupSample sample(layout, data, groupCodes);

    MomentsAccumulator accumulators[2];
    sample.ForEachValue([&](double x, std::size_t group) { accumulators[group - 1].Add(x); });
    Require(accumulators[0].count() >= 2 && accumulators[1].count() >= 2, Status::InsufficientData);
    for (MomentsAccumulator& a : accumulators) a.EndFirstPass();
    sample.ForEachValue([&](double x, std::size_t group) { accumulators[group - 1].AddSecond(x); });
    const RunningMoments group1 = accumulators[0].Moments(), group2 = accumulators[1].Moments();

    // A group without spread leaves F and both t statistics undefined. Each group is
    // checked just before its column is written.
    const double variance1 = group1.SampleVariance();
    Require(variance1 > 0, Status::InsufficientData);
    WriteGroupColumn(stats, 1, group1, variance1);
    const double variance2 = group2.SampleVariance();
    Require(variance2 > 0, Status::InsufficientData);
    WriteGroupColumn(stats, 2, group2, variance2);
    RunningMoments both = group1;
    both.Merge(group2);
    WriteGroupColumn(stats, 3, both, both.SampleVariance());

    const double n1 = group1.count, n2 = group2.count;
    const double meanDifference = MeanDifference(group1, group2);

    const VarianceRatio ratio = VarianceRatioTest(n1, variance1, n2, variance2);

    // Student's t: one variance estimate pooled over both groups.
    const double pooledDf = n1 + n2 - 2;
    const double pooledSd = std::sqrt(((n1 - 1) * variance1 + (n2 - 1) * variance2) / pooledDf);
    const double pooledT = meanDifference / pooledSd * std::sqrt(n1 * n2 / (n1 + n2));

    // Welch's t: each mean with its own variance; Welch-Satterthwaite degrees of
    // freedom through c, the first group's share of the squared standard error.
    const double squaredError1 = variance1 / n1, squaredError2 = variance2 / n2;
    const double separateT = meanDifference / std::sqrt(squaredError1 + squaredError2);
    const double c = squaredError1 / (squaredError1 + squaredError2);
    const double separateDf = 1 / (c * c / (n1 - 1) + (1 - c) * (1 - c) / (n2 - 1));

    out[1] = ratio.F;
    out[2] = ClampProbability(ratio.probability);
    out[3] = pooledT;
    out[4] = separateT;
    out[5] = pooledDf;
    out[6] = separateDf;
    out[7] = ClampProbability(TProb(pooledT, pooledDf));
    out[8] = ClampProbability(TProb(separateT, separateDf));
}

void TTestDep(HostArray** data, HostArray** results)
{
    const RealMatrixView pairs(data);
    const RealArrayView out(results);
    Require(pairs.cols() == 2 && out.count() >= 6);

    // Each complete pair's difference, in both passes of the moments kernel.
    const double* first = pairs.column(1);
    const double* second = pairs.column(2);
    bool anyNonZero = false;
    const RunningMoments differences = TwoPassMoments([&](auto visit) {
        for (std::size_t i = 0; i < pairs.rows(); ++i) {
            if (IsMissing(first[i]) || IsMissing(second[i])) continue;
            RequireFinite(first[i]);
            RequireFinite(second[i]);
            const double d = first[i] - second[i];
            anyNonZero = anyNonZero || d != 0;
            visit(d);
        }
    });
    Require(differences.count >= 2 && anyNonZero, Status::InsufficientData);

    const double n = differences.count;
    const double df = n - 1;
    const double sd = std::sqrt(differences.SampleVariance());
    out[1] = n;
    out[2] = differences.mean;
    out[3] = sd;
    out[5] = df;
    // Equal non-zero differences: no spread, so no t, though the mean is reported.
    if (sd == 0) {
        out[4] = kMissingValue;
        out[6] = kMissingValue;
        return;
    }
    const double t = differences.mean / sd * std::sqrt(n);
    out[4] = t;
    out[6] = ClampProbability(TProb(t, df));
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkTTestIndep(HostArray** options, HostArray** data,
                                                             HostArray** groupCodes, HostArray** groupStats,
                                                             HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::TTestIndep(options, data, groupCodes, groupStats, results); });
}

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkTTestDep(HostArray** data, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::TTestDep(data, results); });
}
