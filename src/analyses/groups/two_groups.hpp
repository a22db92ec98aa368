// Two independent samples as the two-group tests receive them: the grouped sample of
// grouped_sample.hpp with k = 2, so the column layout has exactly 2 data columns and
// layout 0 takes the codes 0 (group 1) and 1 (group 2).
#pragma once

#include <cstdint>

#include "analyses/groups/grouped_sample.hpp"

namespace sheetstat {

class TwoGroupSample : public GroupedSample {
public:
    TwoGroupSample(int32_t layout, HostArray** data, HostArray** groupCodes)
        : GroupedSample(layout, data, groupCodes, 2)
    {
    }
};

}  // namespace sheetstat
