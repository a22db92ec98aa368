// Views of host arrays: slot and cell numbering over lower bounds 0 and 1, markers,
// and rejection of descriptors that cannot be read safely.
#include <bit>
#include <cstdint>

#include "frame/host_arrays.hpp"
#include "frame/status.hpp"
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

Status StatusOf(void (*build)(HostArray**), HostArray** reference)
{
    try {
        build(reference);
    } catch (const StatusError& e) {
        return e.code();
    }
    return Status::Ok;
}

TEST(RealArrayView, IndexedFromOneUsesEveryElement)
{
    double storage[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    HostArray array = Descriptor1D(storage, 10, 1);
    HostArray* address = &array;
    RealArrayView view(&address);
    ASSERT_EQ(view.count(), 10u);
    EXPECT_EQ(view[1], 1);
    EXPECT_EQ(view[10], 10);
}

TEST(RealArrayView, IndexedFromZeroSkipsElementZero)
{
    // 0..10 stores 11 elements; element 0 is never read.
    double storage[11] = {-99, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    HostArray array = Descriptor1D(storage, 11, 0);
    HostArray* address = &array;
    RealArrayView view(&address);
    ASSERT_EQ(view.count(), 10u);
    EXPECT_EQ(view[1], 1);
    EXPECT_EQ(view[10], 10);
    EXPECT_EQ(view.data(), storage + 1);

    // 0..9 gives the nine elements 1..9.
    HostArray shorter = Descriptor1D(storage, 10, 0);
    HostArray* shorterAddress = &shorter;
    RealArrayView nine(&shorterAddress);
    ASSERT_EQ(nine.count(), 9u);
    EXPECT_EQ(nine[9], 9);
}

TEST(RealArrayView, AnyOtherLowerBoundAlsoSkipsTheFirstElement)
{
    double storage[4] = {-99, 1, 2, 3};
    HostArray array = Descriptor1D(storage, 4, 5);
    HostArray* address = &array;
    RealArrayView view(&address);
    ASSERT_EQ(view.count(), 3u);
    EXPECT_EQ(view[1], 1);
}

TEST(RealArrayView, EmptyArraysHaveNoSlots)
{
    HostArray zeroBased = Descriptor1D(nullptr, 0, 0);
    HostArray* address = &zeroBased;
    EXPECT_EQ(RealArrayView(&address).count(), 0u);

    double storage[1] = {-99};
    HostArray onlyElementZero = Descriptor1D(storage, 1, 0);
    HostArray* onlyAddress = &onlyElementZero;
    EXPECT_EQ(RealArrayView(&onlyAddress).count(), 0u);
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

TEST(RealMatrixView, BoundsFromOneUseEveryRowAndColumn)
{
    RealHostArray host(5, 3, 1);
    for (std::size_t j = 1; j <= 3; ++j)
        for (std::size_t i = 1; i <= 5; ++i) host(i, j) = 10.0 * static_cast<double>(j) + static_cast<double>(i);
    RealMatrixView view(host.ref());
    ASSERT_EQ(view.rows(), 5u);
    ASSERT_EQ(view.cols(), 3u);
    EXPECT_EQ(view(1, 1), 11);
    EXPECT_EQ(view(5, 3), 35);
    EXPECT_EQ(view.column(2)[3], 24);
}

TEST(RealMatrixView, BoundsFromZeroSkipRowZeroAndColumnZero)
{
    // (0..5, 0..3): storage is 6 rows by 4 columns, column after column.
    RealHostArray host(5, 3, 0);
    ASSERT_EQ(host.storedCount(), 24u);
    for (std::size_t p = 0; p < host.storedCount(); ++p) host.stored(p) = -1000.0 - static_cast<double>(p);
    for (std::size_t j = 1; j <= 3; ++j)
        for (std::size_t i = 1; i <= 5; ++i) host(i, j) = 10.0 * static_cast<double>(j) + static_cast<double>(i);

    RealMatrixView view(host.ref());
    ASSERT_EQ(view.rows(), 5u);
    ASSERT_EQ(view.cols(), 3u);
    for (std::size_t j = 1; j <= 3; ++j)
        for (std::size_t i = 1; i <= 5; ++i) EXPECT_EQ(view(i, j), 10.0 * static_cast<double>(j) + static_cast<double>(i));
    // Cell (i, j) is storage element i + 6·j; row 0 and column 0 are never addressed.
    EXPECT_EQ(&view(1, 1), &host.stored(1 + 6 * 1));
    EXPECT_EQ(&view(5, 3), &host.stored(5 + 6 * 3));
}

TEST(RealMatrixView, RejectsDescriptorsItCannotReadSafely)
{
    const auto view = [](HostArray** reference) { RealMatrixView m(reference); };
    EXPECT_EQ(StatusOf(view, nullptr), Status::BadArray);
    HostArray* none = nullptr;
    EXPECT_EQ(StatusOf(view, &none), Status::BadArray);

    // A one-dimensional descriptor has no row bound to read.
    RealHostArray vector = RealHostArray::FromValues({1, 2, 3});
    EXPECT_EQ(StatusOf(view, vector.ref()), Status::BadArray);

    // Elements announced but no storage.
    RealHostArray matrix(2, 2, 1);
    matrix.descriptor().data = nullptr;
    HostArray* address = &matrix.descriptor();
    EXPECT_EQ(StatusOf(view, &address), Status::BadArray);

    const auto array = [](HostArray** reference) { RealArrayView v(reference); };
    EXPECT_EQ(StatusOf(array, &none), Status::BadArray);
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
