#include "analyses/regression/correlation_matrix.hpp"

#include "numeric/clamp_probability.hpp"

namespace sheetstat {

FilledCellIndex::FilledCellIndex(std::size_t cells) : slots_(0, [cells] {
    // A power of two at least twice the cells (cells ≤ SIZE_MAX/8: the host holds them
    // as doubles), so that every probe sequence meets an empty slot.
    std::size_t capacity = 2;
    while (capacity / 2 < cells) capacity *= 2;
    return capacity;
}())
{
    mask_ = slots_.count() - 1;
    slots_.Fill({0, 0});
}

std::size_t FilledCellIndex::Home(uint64_t key) const noexcept
{
    // The finaliser of SplitMix64 (Steele, Lea and Flood 2014): every key bit reaches
    // the low bits used as the slot.
    key ^= key >> 30;
    key *= 0xBF58476D1CE4E5B9ULL;
    key ^= key >> 27;
    key *= 0x94D049BB133111EBULL;
    key ^= key >> 31;
    return static_cast<std::size_t>(key) & mask_;
}

namespace {

uint64_t PairKey(int32_t a, int32_t b) noexcept
{
    return static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32 | static_cast<uint32_t>(b);
}

}  // namespace

std::size_t FilledCellIndex::Find(int32_t a, int32_t b) const noexcept
{
    const uint64_t key = PairKey(a, b);
    for (std::size_t s = Home(key);; s = (s + 1) & mask_) {
        const Slot& slot = slots_[static_cast<std::ptrdiff_t>(s)];
        if (slot.cellPlusOne == 0) return kNone;
        if (slot.key == key) return slot.cellPlusOne - 1;
    }
}

void FilledCellIndex::EnterFirst(int32_t a, int32_t b, std::size_t cell) noexcept
{
    const uint64_t key = PairKey(a, b);
    for (std::size_t s = Home(key);; s = (s + 1) & mask_) {
        Slot& slot = slots_[static_cast<std::ptrdiff_t>(s)];
        if (slot.cellPlusOne == 0) {
            slot = {key, cell + 1};
            return;
        }
        if (slot.key == key) return;
    }
}

CorrelationLists::CorrelationLists(HostArray** idsA, HostArray** idsB, HostArray** dataA, HostArray** dataB,
                                   HostArray** counts, HostArray** coefficients, HostArray** probabilities,
                                   std::optional<std::size_t> cases)
    : idsA_(idsA), idsB_(idsB), dataA_(dataA), dataB_(dataB), counts_(counts), coefficients_(coefficients),
      probabilities_(probabilities)
{
    sizeA_ = probabilities_.rows();
    sizeB_ = probabilities_.cols();
    cases_ = cases.value_or(dataB_.rows());
    Require(counts_.rows() >= sizeA_ && counts_.cols() >= sizeB_);
    Require(coefficients_.rows() >= sizeA_ && coefficients_.cols() >= sizeB_);
    Require(idsA_.count() >= sizeA_ && idsB_.count() >= sizeB_);
    Require(dataA_.cols() >= sizeA_ && dataB_.cols() >= sizeB_);
    Require(dataA_.rows() >= cases_ && dataB_.rows() >= cases_);
}

namespace {

void RequireColumn(const double* column, std::size_t cases)
{
    for (std::size_t k = 0; k < cases; ++k) {
        if (!IsMissing(column[k])) RequireFinite(column[k]);
    }
}

}  // namespace

void CorrelationLists::RequireNumbers() const
{
    for (std::size_t i = 1; i <= sizeA_; ++i) RequireColumn(columnA(i), cases_);
    for (std::size_t j = 1; j <= sizeB_; ++j) RequireColumn(columnB(j), cases_);
}

void CorrelationLists::RequireVariables() const
{
    Require(sizeA_ >= 1 && sizeB_ >= 1, Status::InsufficientData);
}

std::size_t CorrelationLists::PresentCountB(std::size_t j) const noexcept
{
    const double* b = columnB(j);
    std::size_t present = 0;
    for (std::size_t k = 0; k < cases_; ++k) present += IsMissing(b[k]) ? 0u : 1u;
    return present;
}

std::size_t CorrelationLists::CompletePairs(std::size_t i, std::size_t j, ValuePair* pairs) const noexcept
{
    const double* a = columnA(i);
    const double* b = columnB(j);
    std::size_t n = 0;
    for (std::size_t k = 0; k < cases_; ++k) {
        if (IsMissing(a[k]) || IsMissing(b[k])) continue;
        pairs[n++] = {a[k], b[k]};
    }
    return n;
}

CorrelationCell VariableWithItself(const CorrelationLists& lists, std::size_t j) noexcept
{
    return {static_cast<double>(lists.PresentCountB(j)), 1, 0};
}

CorrelationCell TooFewCases(std::size_t n) noexcept
{
    return {static_cast<double>(n), 0, kMissingValue};
}

CorrelationCell ConstantVariable(std::size_t n) noexcept
{
    return {static_cast<double>(n), 0, 0.5};
}

double OneTailed(double twoTailed) noexcept
{
    return IsMissing(twoTailed) ? twoTailed : ClampProbability(twoTailed / 2);
}

}  // namespace sheetstat
