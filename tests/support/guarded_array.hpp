// A host array for harness programs: any descriptor a C host could pass (0 to 3
// dimensions, any counts and lower bounds, a missing reference, descriptor or element
// pointer) over element storage fenced by guard cells, so that a write outside the
// storage shows after the call. Shared by the contract test and the fuzzer.
//
// Elements are doubles or 4-byte integers. The harness reads and writes both kinds as
// doubles (stored(p), cells); an integer array hands the library a packed copy of its
// elements, truncated toward zero into the 32-bit range (NaN as 0), fenced by guard
// words, and ReadBack() after the call brings every element the library changed back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sheetstat/sheetstat.h"

namespace sheetstat::testing {

enum class Presence {
    Present,
    NullDescriptor,  // the cell holds a null descriptor address
    NullReference,   // the argument itself is null
    NullData,        // the descriptor's element pointer is null
};

enum class Element {
    Real,   // double
    Int32,  // 4-byte signed integer
};

class GuardedArray {
public:
    static constexpr unsigned kMaxDimensions = 3;

    // `bounds` in descriptor order: bounds[0] is the last (column) dimension. The
    // storage holds the product of the first `dimensions` counts (nothing for 0).
    GuardedArray(unsigned dimensions, const std::array<HostArrayBound, kMaxDimensions>& bounds,
                 Presence presence = Presence::Present, Element element = Element::Real);
    // One- and two-dimensional arrays of used slots or rows × columns, every
    // dimension from `lowerBound` (any bound but 1 adds one skipped element or row/column).
    static GuardedArray Vector(std::size_t slots, int32_t lowerBound, Element element = Element::Real);
    static GuardedArray Matrix(std::size_t rows, std::size_t cols, int32_t lowerBound);

    GuardedArray(const GuardedArray& other);
    GuardedArray& operator=(const GuardedArray& other);

    // The argument an export takes (null for Presence::NullReference).
    HostArray** ref() noexcept;
    // After a call through ref(): the integers the library wrote, into the elements.
    void ReadBack() noexcept;
    unsigned dimensions() const noexcept { return dimensions_; }
    Element element() const noexcept { return element_; }
    Presence presence() const noexcept { return presence_; }
    void SetPresence(Presence presence) noexcept { presence_ = presence; }

    std::size_t storedCount() const noexcept { return count_; }
    double& stored(std::size_t p) noexcept { return storage_[kGuardCells + p]; }
    double stored(std::size_t p) const noexcept { return storage_[kGuardCells + p]; }
    std::vector<double> Elements() const;

    // The slots (rows() × 1) or cells of a one- or two-dimensional array as the library
    // numbers them; an array of any other dimension count has none.
    std::size_t rows() const noexcept;
    std::size_t cols() const noexcept;
    double& operator()(std::size_t i, std::size_t j) noexcept { return stored(Position(i, j)); }
    double operator()(std::size_t i, std::size_t j) const noexcept { return stored(Position(i, j)); }
    // Whether stored element p is a slot or cell; the others (row 0 and column 0 of a
    // dimension whose lower bound is not 1) are never read or written by the library.
    bool IsUsed(std::size_t p) const noexcept;

    bool GuardsIntact() const noexcept;

private:
    static constexpr std::size_t kGuardCells = 8;
    std::size_t Skipped(unsigned d) const noexcept;
    std::size_t Position(std::size_t i, std::size_t j) const noexcept;

    // A descriptor with room for a third bound right after the two of HostArray.
    struct Descriptor {
        HostArray array;
        HostArrayBound third;
    };

    unsigned dimensions_;
    Presence presence_;
    Element element_;
    std::size_t count_ = 0;
    std::vector<double> storage_;  // guard cells, the elements, guard cells
    std::vector<int32_t> packed_;  // integer arrays: guard words, the elements as the library sees them, guard words
    Descriptor descriptor_{};
    HostArray* address_ = nullptr;
};

}  // namespace sheetstat::testing
