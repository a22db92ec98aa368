#include "analyses/groups/grouped_sample.hpp"

#include "frame/status.hpp"

namespace sheetstat {

GroupedSample::GroupedSample(int32_t layout, HostArray** data, HostArray** groupCodes, std::size_t groups)
    : data_(data), groups_(groups), byCodes_(layout == 0)
{
    if (!byCodes_) {
        Require(data_.cols() >= 2 && data_.cols() <= groups_);
        return;
    }
    const RealArrayView codes(groupCodes);
    Require(data_.cols() == 1 && codes.count() == data_.rows());
    codes_ = codes.data();
}

}  // namespace sheetstat
