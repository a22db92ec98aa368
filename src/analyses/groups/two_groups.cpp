#include "analyses/groups/two_groups.hpp"

#include "frame/status.hpp"

namespace sheetstat {

TwoGroupSample::TwoGroupSample(int32_t layout, HostArray** data, HostArray** groupCodes)
    : data_(data), byCodes_(layout == 0)
{
    if (!byCodes_) {
        Require(data_.cols() == 2);
        return;
    }
    const RealArrayView codes(groupCodes);
    Require(data_.cols() == 1 && codes.count() == data_.rows());
    codes_ = codes.data();
}

}  // namespace sheetstat
