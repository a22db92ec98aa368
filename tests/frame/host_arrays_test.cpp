// Views of host arrays: slot and cell numbering over lower bounds 0 and 1, and markers.
// Descriptors a view must reject (wrong dimension counts, missing arrays, elements
// without storage) are checked through every argument of every export by the
// contract test.
#include <bit>
#include <cstdint>
#include <vector>

#include "frame/host_arrays.hpp"
#include "support/test_support.hpp"

namespace sheetstat {
namespace {

using testing::kMissing;

// Builds a raw one-dimensional descriptor over `storage` with the given bound.
HostArray Descriptor1D(double* storage, uint32_t count, int32_t lowerBound)
{
    HostArray array{};
    array.dimensions = 1;
    array.elementSize = sizeof(double);
    array.data = storage;
    array.bounds[0] = {count, lowerBound};
    return array;
}

// Storage 0, 1, 2, ...: slot k must be the stored element k (a lower bound other
// than 1 skips element 0) or k − 1 (lower bound 1 uses every element).
TEST(RealArrayView, CountsSlotsOverTheUsedElements)
{
    const struct {
        uint32_t stored;
        int32_t lowerBound;
        std::size_t slots;
    } cases[] = {
        {10, 1, 10},  // 1..10
        {11, 0, 10},  // 0..10: element 0 unread
        {10, 0, 9},   // 0..9: elements 1..9
        {4, 5, 3},    // any other lower bound skips the first element too
        {1, 0, 0},    // only element 0
        {0, 0, 0},    // nothing stored
    };
    double storage[11] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (const auto& c : cases) {
        HostArray array = Descriptor1D(c.stored == 0 ? nullptr : storage, c.stored, c.lowerBound);
        HostArray* address = &array;
        RealArrayView view(&address);
        ASSERT_EQ(view.count(), c.slots) << c.stored << " from " << c.lowerBound;
        const double skipped = c.lowerBound == 1 ? 0 : 1;
        for (std::size_t k = 1; k <= c.slots; ++k) EXPECT_EQ(view[k], static_cast<double>(k) - 1 + skipped);
    }
}

TEST(IntArrayView, ReadsFourByteIntegers)
{
    IntHostArray codes = IntHostArray::FromValues({7, -3, 5}, 0);
    IntArrayView view(codes.ref());
    ASSERT_EQ(view.count(), 3u);
    EXPECT_EQ(view[1], 7);
    EXPECT_EQ(view[2], -3);
    EXPECT_EQ(view[3], 5);
}

// (1..5, 1..3) and (0..5, 0..3) both give 3 columns of 5 rows; with bounds from 0,
// row 0 and column 0 are never addressed.
TEST(RealMatrixView, CellsAreTheUsedRowsAndColumns)
{
    for (int lowerBound : {0, 1}) {
        RealHostArray host(5, 3, lowerBound);
        const std::size_t skip = lowerBound == 1 ? 0 : 1, storedRows = 5 + skip;
        ASSERT_EQ(host.storedCount(), storedRows * (3 + skip));
        for (std::size_t p = 0; p < host.storedCount(); ++p) host.stored(p) = -1000.0 - static_cast<double>(p);
        for (std::size_t j = 1; j <= 3; ++j)
            for (std::size_t i = 1; i <= 5; ++i) host(i, j) = 10.0 * static_cast<double>(j) + static_cast<double>(i);

        RealMatrixView view(host.ref());
        ASSERT_EQ(view.rows(), 5u);
        ASSERT_EQ(view.cols(), 3u);
        for (std::size_t j = 1; j <= 3; ++j) {
            for (std::size_t i = 1; i <= 5; ++i) {
                EXPECT_EQ(view(i, j), 10.0 * static_cast<double>(j) + static_cast<double>(i));
                EXPECT_EQ(&view(i, j), &host.stored(skip + i - 1 + storedRows * (skip + j - 1)));
            }
            EXPECT_EQ(view.column(j), &view(1, j));
        }
    }
}

TEST(Markers, AreRecognisedByTheirFullBitPattern)
{
    EXPECT_TRUE(IsMissing(kMissing));
    EXPECT_EQ(kMissing, -1.234567e-59);
    EXPECT_EQ(kPredictMarker, -1.234566e-59);
    const double oneBitAway = std::bit_cast<double>(std::bit_cast<uint64_t>(kMissing) ^ 1u);
    EXPECT_FALSE(IsMissing(oneBitAway));
    EXPECT_FALSE(IsMissing(kPredictMarker));
    EXPECT_TRUE(IsPredictMarker(kPredictMarker));
    EXPECT_FALSE(IsPredictMarker(kMissing));
    EXPECT_FALSE(IsMissing(0.0));
}

}  // namespace
}  // namespace sheetstat
