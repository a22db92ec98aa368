// Work storage: offset indexing, blocks for empty vectors, release on every path,
// and the allocation-failure hook that the other tests rely on.
#include <cstdint>
#include <limits>

#include "frame/codes.hpp"
#include "frame/status.hpp"
#include "frame/work_storage.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

TEST(WorkStorage, VectorsAreIndexedOverTheirOwnRange)
{
    RealVector v(1, 3);
    v[1] = 10;
    v[2] = 20;
    v[3] = 30;
    EXPECT_EQ(v.data()[0], 10);
    EXPECT_EQ(v.data()[2], 30);

    IntVector zeroBased(0, 2);
    zeroBased[0] = 5;
    zeroBased[1] = 6;
    EXPECT_EQ(zeroBased.data()[1], 6);
}

TEST(WorkStorage, MatricesAreOneBlockRowAfterRow)
{
    const auto before = LiveWorkBlocks();
    {
        RealMatrix m(1, 2, 0, 3);
        EXPECT_EQ(LiveWorkBlocks(), before + 1);
        for (std::ptrdiff_t i = 1; i <= 2; ++i)
            for (std::ptrdiff_t j = 0; j <= 2; ++j) m[i][j] = static_cast<double>(10 * i + j);
        EXPECT_EQ(m(2, 1), 21);
        EXPECT_EQ(m[1].data()[2], 12);
        EXPECT_EQ(m[2].data(), m[1].data() + 3);
    }
    EXPECT_EQ(LiveWorkBlocks(), before);
}

TEST(WorkStorage, CountZeroStillObtainsABlockAndReleasesIt)
{
    const auto before = LiveWorkBlocks();
    sheetstatFailAllocationAfter(-1);
    {
        RealVector empty(1, 0);
        EXPECT_EQ(LiveWorkBlocks(), before + 1);
        EXPECT_NE(empty.data(), nullptr);
    }
    EXPECT_EQ(sheetstatFailAllocationAfter(-1), 1);
    EXPECT_EQ(LiveWorkBlocks(), before);
}

TEST(WorkStorage, ReleasingTwiceOrAnEmptyBlockIsHarmless)
{
    const auto before = LiveWorkBlocks();
    WorkBlock block(16);
    block.Release();
    block.Release();
    EXPECT_TRUE(block.empty());
    WorkBlock never;
    never.Release();
    EXPECT_EQ(LiveWorkBlocks(), before);
}

TEST(WorkStorage, TheHookFailsExactlyTheRequestedAllocation)
{
    const auto before = LiveWorkBlocks();
    sheetstatFailAllocationAfter(1);  // the second allocation from now fails
    RealVector first(1, 4);
    EXPECT_THROW(RealVector(1, 4), MemoryError);
    RealVector third(1, 4);  // failure is one-shot
    EXPECT_EQ(sheetstatFailAllocationAfter(-1), 3);
    EXPECT_EQ(LiveWorkBlocks(), before + 2);
}

TEST(WorkStorage, ImpossibleSizesAreAMemoryErrorNotAWrap)
{
    EXPECT_THROW(RealVector(1, SIZE_MAX / 4), MemoryError);
    EXPECT_THROW(RealMatrix(1, SIZE_MAX / 2, 1, 4), MemoryError);
}

TEST(Codes, TruncateTowardZeroAndRejectWhatHasNoInteger)
{
    EXPECT_EQ(TruncateCode(2.9), 2);
    EXPECT_EQ(TruncateCode(-2.9), -2);
    EXPECT_EQ(TruncateCode(-0.5), 0);
    EXPECT_EQ(TruncateCode(2147483647.5), 2147483647);
    EXPECT_THROW(TruncateCode(2147483648.0), StatusError);
    EXPECT_THROW(TruncateCode(1e300), StatusError);
    EXPECT_THROW(TruncateCode(std::numeric_limits<double>::quiet_NaN()), StatusError);

    EXPECT_EQ(ClassIndex(-0.5, 3), 0u);
    EXPECT_EQ(ClassIndex(2.9, 3), 2u);
    EXPECT_THROW(ClassIndex(3.0, 3), StatusError);
    EXPECT_THROW(ClassIndex(-1.0, 3), StatusError);
    EXPECT_THROW(ClassIndex(std::numeric_limits<double>::quiet_NaN(), 3), StatusError);
    EXPECT_THROW(ClassIndex(0.0, 0), StatusError);
}

}  // namespace
}  // namespace sheetstat
