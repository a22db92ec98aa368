#include "support/test_support.hpp"

#include <cmath>

#include "frame/work_storage.hpp"

namespace sheetstat::testing {

long double ReferenceMoments::sd() const
{
    return std::sqrt(variance);
}

ReferenceMoments ReferenceMeanVariance(const std::vector<double>& values, long double offset)
{
    ReferenceMoments m;
    long double sum = 0;
    for (double x : values) {
        if (IsMissing(x)) continue;
        m.count += 1;
        sum += static_cast<long double>(x) - offset;
    }
    m.mean = sum / m.count;
    long double squares = 0;
    for (double x : values) {
        if (IsMissing(x)) continue;
        const long double deviation = static_cast<long double>(x) - offset - m.mean;
        squares += deviation * deviation;
    }
    m.variance = squares / (m.count - 1);
    return m;
}

void ExpectEachAllocationFailureGivesNoMemory(const std::function<int32_t()>& call, int32_t unfailedStatus)
{
    const auto liveBefore = LiveWorkBlocks();
    sheetstatFailAllocationAfter(-1);
    ASSERT_EQ(call(), unfailedStatus) << "the call without a failed allocation";
    const int32_t allocations = sheetstatFailAllocationAfter(-1);
    EXPECT_EQ(LiveWorkBlocks(), liveBefore);
    for (int32_t k = 0; k < allocations; ++k) {
        sheetstatFailAllocationAfter(k);
        const int32_t status = call();
        sheetstatFailAllocationAfter(-1);
        EXPECT_EQ(status, kNoMemory) << "allocation " << k + 1 << " of " << allocations << " failed";
        EXPECT_EQ(LiveWorkBlocks(), liveBefore) << "work storage left behind when allocation " << k + 1 << " failed";
    }
}

}  // namespace sheetstat::testing
