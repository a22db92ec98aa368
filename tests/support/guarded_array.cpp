#include "support/guarded_array.hpp"

#include <bit>
#include <cfenv>
#include <stdexcept>

namespace sheetstat::testing {
namespace {

// A signalling-NaN pattern no computation produces.
constexpr uint64_t kGuardBits = 0x7FF4DEADBEEF5A5AULL;
constexpr int32_t kGuardWord = static_cast<int32_t>(0x5EADBEEF);
constexpr std::size_t kGuardWords = 16;

// A double as a host's 4-byte integer cell: truncated toward zero, held within the
// 32-bit range, NaN as 0.
int32_t PackedInteger(double value) noexcept
{
    if (!(value == value)) return 0;
    if (value <= -2147483648.0) return INT32_MIN;
    if (value >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(value);
}

// Packing converts doubles to integers, which raises floating-point flags (inexact,
// denormal operand) that the checks of the caller's environment around a call would
// otherwise blame on the export: the conversions leave the environment as they found it.
class KeepEnvironment {
public:
    KeepEnvironment() noexcept { std::feholdexcept(&saved_); }  // non-stop while converting
    ~KeepEnvironment() { std::fesetenv(&saved_); }
    KeepEnvironment(const KeepEnvironment&) = delete;
    KeepEnvironment& operator=(const KeepEnvironment&) = delete;

private:
    std::fenv_t saved_;
};

}  // namespace

GuardedArray::GuardedArray(unsigned dimensions, const std::array<HostArrayBound, kMaxDimensions>& bounds,
                           Presence presence, Element element)
    : dimensions_(dimensions), presence_(presence), element_(element)
{
    if (dimensions > kMaxDimensions) throw std::invalid_argument("at most three dimensions");
    static_assert(offsetof(Descriptor, third) == offsetof(HostArray, bounds) + 2 * sizeof(HostArrayBound));
    descriptor_.array.dimensions = static_cast<uint16_t>(dimensions);
    descriptor_.array.elementSize = element == Element::Int32 ? sizeof(int32_t) : sizeof(double);
    descriptor_.array.bounds[0] = bounds[0];
    descriptor_.array.bounds[1] = bounds[1];
    descriptor_.third = bounds[2];
    // A count of 0 in any dimension holds no element, whatever the others say.
    bool empty = dimensions == 0;
    for (unsigned d = 0; d < dimensions; ++d) empty = empty || bounds[d].count == 0;
    if (!empty) {
        count_ = 1;
        for (unsigned d = 0; d < dimensions; ++d) {
            const std::size_t n = bounds[d].count;
            if (count_ > SIZE_MAX / sizeof(double) / n) throw std::invalid_argument("element count beyond memory");
            count_ *= n;
        }
    }
    storage_.assign(count_ + 2 * kGuardCells, 0.0);
    for (std::size_t g = 0; g < kGuardCells; ++g) {
        storage_[g] = storage_[kGuardCells + count_ + g] = std::bit_cast<double>(kGuardBits);
    }
    if (element == Element::Int32) packed_.assign(count_ + 2 * kGuardWords, kGuardWord);
}

GuardedArray GuardedArray::Vector(std::size_t slots, int32_t lowerBound, Element element)
{
    const uint32_t skip = lowerBound == 1 ? 0 : 1;
    return GuardedArray(1, {HostArrayBound{static_cast<uint32_t>(slots) + skip, lowerBound}, {}, {}},
                        Presence::Present, element);
}

GuardedArray GuardedArray::Matrix(std::size_t rows, std::size_t cols, int32_t lowerBound)
{
    const uint32_t skip = lowerBound == 1 ? 0 : 1;
    return GuardedArray(2, {HostArrayBound{static_cast<uint32_t>(cols) + skip, lowerBound},
                            HostArrayBound{static_cast<uint32_t>(rows) + skip, lowerBound}, {}});
}

GuardedArray::GuardedArray(const GuardedArray& other)
    : dimensions_(other.dimensions_), presence_(other.presence_), element_(other.element_), count_(other.count_),
      storage_(other.storage_), packed_(other.packed_), descriptor_(other.descriptor_)
{
}

GuardedArray& GuardedArray::operator=(const GuardedArray& other)
{
    dimensions_ = other.dimensions_;
    presence_ = other.presence_;
    element_ = other.element_;
    count_ = other.count_;
    storage_ = other.storage_;
    packed_ = other.packed_;
    descriptor_ = other.descriptor_;
    address_ = nullptr;
    return *this;
}

HostArray** GuardedArray::ref() noexcept
{
    void* elements = storage_.data() + kGuardCells;
    if (element_ == Element::Int32) {
        const KeepEnvironment keep;
        for (std::size_t p = 0; p < count_; ++p) packed_[kGuardWords + p] = PackedInteger(storage_[kGuardCells + p]);
        elements = packed_.data() + kGuardWords;
    }
    descriptor_.array.data = presence_ == Presence::NullData ? nullptr : elements;
    address_ = presence_ == Presence::NullDescriptor ? nullptr : &descriptor_.array;
    return presence_ == Presence::NullReference ? nullptr : &address_;
}

void GuardedArray::ReadBack() noexcept
{
    if (element_ != Element::Int32) return;
    const KeepEnvironment keep;
    for (std::size_t p = 0; p < count_; ++p) {
        const int32_t seen = packed_[kGuardWords + p];
        if (seen != PackedInteger(storage_[kGuardCells + p])) storage_[kGuardCells + p] = seen;
    }
}

std::vector<double> GuardedArray::Elements() const
{
    const auto first = storage_.begin() + static_cast<std::ptrdiff_t>(kGuardCells);
    return std::vector<double>(first, first + static_cast<std::ptrdiff_t>(count_));
}

std::size_t GuardedArray::Skipped(unsigned d) const noexcept
{
    const HostArrayBound& bound = d < 2 ? descriptor_.array.bounds[d] : descriptor_.third;
    return bound.lowerBound == 1 || bound.count == 0 ? 0 : 1;
}

std::size_t GuardedArray::rows() const noexcept
{
    if (count_ == 0 || (dimensions_ != 1 && dimensions_ != 2)) return 0;
    const unsigned rowDimension = dimensions_ == 1 ? 0 : 1;
    return descriptor_.array.bounds[rowDimension].count - Skipped(rowDimension);
}

std::size_t GuardedArray::cols() const noexcept
{
    if (count_ == 0 || (dimensions_ != 1 && dimensions_ != 2)) return 0;
    return dimensions_ == 1 ? 1 : descriptor_.array.bounds[0].count - Skipped(0);
}

std::size_t GuardedArray::Position(std::size_t i, std::size_t j) const noexcept
{
    if (dimensions_ == 1) return Skipped(0) + i - 1;
    const std::size_t storedRows = descriptor_.array.bounds[1].count;
    return (Skipped(0) + j - 1) * storedRows + Skipped(1) + i - 1;
}

bool GuardedArray::IsUsed(std::size_t p) const noexcept
{
    if (dimensions_ == 1) return p >= Skipped(0);
    if (dimensions_ != 2) return false;
    const std::size_t storedRows = descriptor_.array.bounds[1].count;
    return p % storedRows >= Skipped(1) && p / storedRows >= Skipped(0);
}

bool GuardedArray::GuardsIntact() const noexcept
{
    for (std::size_t g = 0; g < kGuardCells; ++g) {
        if (std::bit_cast<uint64_t>(storage_[g]) != kGuardBits) return false;
        if (std::bit_cast<uint64_t>(storage_[kGuardCells + count_ + g]) != kGuardBits) return false;
    }
    for (std::size_t g = 0; g < kGuardWords && element_ == Element::Int32; ++g) {
        if (packed_[g] != kGuardWord || packed_[kGuardWords + count_ + g] != kGuardWord) return false;
    }
    return true;
}

}  // namespace sheetstat::testing
