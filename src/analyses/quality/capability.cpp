// Process capability against the specification limits LSL ≤ USL, for a process with
// mean x̄ and standard deviation s (the sample's own, DescribeSample):
//   Cp  = (USL − LSL)/(6s), the potential capability of a centred process;
//   Cpk = the distance from x̄ to the nearer limit over 3s, signed (negative when
//         x̄ lies outside the limits), the upper limit when both are equally near;
//   ppm = 10⁶·(Φ(−(x̄ − LSL)/s) + Φ(−(USL − x̄)/s)), the parts per million expected
//         outside the limits under a normal distribution.
// (Montgomery, Introduction to Statistical Quality Control, chapter 8.) The tails are
// taken as Φ(−z) rather than 1 − Φ(z), which keeps their relative accuracy far out.
//
// Data whose smallest and largest values are equal have no spread: s = 0 exactly,
// and the indices are MissingValue.
#include <cmath>

#include "analyses/descriptive/describe_sample.hpp"
#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/distributions.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kResultSlots = 6;

void Capability(HostArray** specLimits, HostArray** dataArg, HostArray** results)
{
    const RealArrayView limits(specLimits), data(dataArg), out(results);
    Require(limits.count() >= 2 && out.count() >= kResultSlots);
    const double lower = limits[1], upper = limits[2];
    Require(!IsMissing(lower) && !IsMissing(upper));
    RequireFinite(lower);
    RequireFinite(upper);
    Require(lower <= upper);
    for (std::size_t slot = 1; slot <= data.count(); ++slot) {
        if (!IsMissing(data[slot])) RequireFinite(data[slot]);
    }

    SampleSummary summary;
    DescribeSample(data.data(), data.count(), summary.slot);
    const double count = summary[1], mean = summary[2];
    out[1] = (lower + upper) / 2;
    out[2] = mean;
    if (count < 2) {
        for (std::size_t slot = 3; slot <= kResultSlots; ++slot) out[slot] = kMissingValue;
        return;
    }
    // Equal values: no spread, whatever rounding the mean carries.
    const double s = summary[6] == summary[7] ? 0.0 : summary[4];
    out[3] = s;
    if (s == 0) {
        for (std::size_t slot = 4; slot <= kResultSlots; ++slot) out[slot] = kMissingValue;
        return;
    }
    const double toUpper = upper - mean, fromLower = mean - lower;
    out[4] = (upper - lower) / 6 / s;
    out[5] = (std::fabs(toUpper) <= std::fabs(fromLower) ? toUpper : fromLower) / 3 / s;
    out[6] = (NormalCdf(-fromLower / s) + NormalCdf(-toUpper / s)) * 1000000;
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkCapability(HostArray** specLimits, HostArray** data,
                                                             HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::Capability(specLimits, data, results); });
}
