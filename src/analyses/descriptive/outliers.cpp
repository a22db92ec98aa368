// Outlier screening of one sample: for every value its absolute standardised distance
// z = |x − mean|/s from the sample mean, and 1 − Φ(z)^n, the probability that the
// largest of n independent standard normal values would reach z.
//
// data column 1 holds the sample; columns 2 and 3 receive z and the probability in
// the rows whose value is present, and keep the caller's contents in the empty rows.
// The mean and standard deviation come from two passes about the mean (the moments
// kernel), so data with a large common offset keep their small deviations.
#include <cmath>

#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"
#include "numeric/math_functions.hpp"
#include "numeric/running_moments.hpp"

namespace sheetstat {
namespace {

void Outliers(HostArray** dataArg)
{
    RealMatrixView data(dataArg);
    Require(data.cols() >= 3);

    const RunningMoments sample = TwoPassMoments([&data](auto visit) {
        for (std::size_t row = 1; row <= data.rows(); ++row) {
            const double x = data(row, 1);
            if (IsMissing(x)) continue;
            RequireFinite(x);
            visit(x);
        }
    });
    const double n = sample.count;
    Require(n >= 2, Status::InsufficientData);
    const double s = std::sqrt(sample.SampleVariance());
    Require(s != 0, Status::InsufficientData);

    for (std::size_t row = 1; row <= data.rows(); ++row) {
        const double x = data(row, 1);
        if (IsMissing(x)) continue;
        const double z = std::fabs(sample.Deviation(x)) / s;
        data(row, 2) = z;
        data(row, 3) = ClampProbability(1 - SafePow(NormalCdf(z), n));
    }
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkOutliers(HostArray** data)
{
    return sheetstat::RunExport([&] { sheetstat::Outliers(data); });
}
