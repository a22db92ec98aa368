// Work storage: the temporary vectors and matrices of an analysis.
//
// All of it comes from one allocator (AllocateWork), which a test build can be told
// to fail. A WorkBlock owns one block and releases it on every path; vectors and
// matrices are offset-indexed over a (lower index, count) range, as the methods are
// written (1-based as a rule). Storage is not zero-filled: clear what you accumulate.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "frame/status.hpp"

namespace sheetstat {

// Obtains `bytes` bytes (a request for 0 obtains 1) aligned for any scalar type;
// raises MemoryError when the storage cannot be had.
void* AllocateWork(std::size_t bytes);
void ReleaseWork(void* block) noexcept;

// Number of blocks obtained and not yet released, in this process (for leak tests).
std::ptrdiff_t LiveWorkBlocks() noexcept;

class WorkBlock {
public:
    WorkBlock() noexcept = default;
    explicit WorkBlock(std::size_t bytes) : address_(AllocateWork(bytes)) {}
    ~WorkBlock() { Release(); }
    WorkBlock(WorkBlock&& other) noexcept : address_(std::exchange(other.address_, nullptr)) {}
    WorkBlock& operator=(WorkBlock&& other) noexcept
    {
        if (this != &other) {
            Release();
            address_ = std::exchange(other.address_, nullptr);
        }
        return *this;
    }
    WorkBlock(const WorkBlock&) = delete;
    WorkBlock& operator=(const WorkBlock&) = delete;

    void* address() const noexcept { return address_; }
    bool empty() const noexcept { return address_ == nullptr; }
    // Releasing an empty block does nothing, so releasing twice is harmless.
    void Release() noexcept
    {
        ReleaseWork(address_);
        address_ = nullptr;
    }

private:
    void* address_ = nullptr;
};

// Size in bytes of `count` elements of `elementSize`, or MemoryError on overflow.
std::size_t WorkBytes(std::size_t count, std::size_t elementSize);

// A vector with index range lo..lo+count-1 in one WorkBlock.
template <class T>
class OffsetVector {
public:
    OffsetVector(std::ptrdiff_t lo, std::size_t count)
        : block_(WorkBytes(count, sizeof(T))), elements_(static_cast<T*>(block_.address())), lo_(lo), count_(count)
    {
    }

    T& operator[](std::ptrdiff_t i) noexcept
    {
        assert(i >= lo_ && static_cast<std::size_t>(i - lo_) < count_);
        return elements_[i - lo_];
    }
    const T& operator[](std::ptrdiff_t i) const noexcept
    {
        assert(i >= lo_ && static_cast<std::size_t>(i - lo_) < count_);
        return elements_[i - lo_];
    }

    std::ptrdiff_t lo() const noexcept { return lo_; }
    std::size_t count() const noexcept { return count_; }
    // The element at index lo, for routines that take a plain array.
    T* data() noexcept { return elements_; }
    const T* data() const noexcept { return elements_; }
    void Fill(const T& value) noexcept
    {
        for (std::size_t i = 0; i < count_; ++i) elements_[i] = value;
    }

private:
    WorkBlock block_;
    T* elements_;
    std::ptrdiff_t lo_;
    std::size_t count_;
};

// A matrix with rows rlo..rlo+nrows-1 and columns clo..clo+ncols-1, stored row
// after row in one WorkBlock. Element (i, j) is m(i, j) or m[i][j].
template <class T>
class OffsetMatrix {
public:
    class Row {
    public:
        Row(T* elements, std::ptrdiff_t clo, std::size_t ncols) noexcept : elements_(elements), clo_(clo), ncols_(ncols) {}
        T& operator[](std::ptrdiff_t j) const noexcept
        {
            assert(j >= clo_ && static_cast<std::size_t>(j - clo_) < ncols_);
            return elements_[j - clo_];
        }
        // The element at column clo, for routines that take a plain array.
        T* data() const noexcept { return elements_; }

    private:
        T* elements_;
        std::ptrdiff_t clo_;
        std::size_t ncols_;
    };

    OffsetMatrix(std::ptrdiff_t rlo, std::size_t nrows, std::ptrdiff_t clo, std::size_t ncols)
        : block_(WorkBytes(ElementCount(nrows, ncols), sizeof(T))),
          elements_(static_cast<T*>(block_.address())),
          rlo_(rlo), nrows_(nrows), clo_(clo), ncols_(ncols)
    {
    }

    Row operator[](std::ptrdiff_t i) const noexcept
    {
        assert(i >= rlo_ && static_cast<std::size_t>(i - rlo_) < nrows_);
        return Row(elements_ + static_cast<std::size_t>(i - rlo_) * ncols_, clo_, ncols_);
    }
    T& operator()(std::ptrdiff_t i, std::ptrdiff_t j) const noexcept { return (*this)[i][j]; }

    std::ptrdiff_t rowLo() const noexcept { return rlo_; }
    std::ptrdiff_t colLo() const noexcept { return clo_; }
    std::size_t rows() const noexcept { return nrows_; }
    std::size_t cols() const noexcept { return ncols_; }
    void Fill(const T& value) noexcept
    {
        for (std::size_t i = 0; i < nrows_ * ncols_; ++i) elements_[i] = value;
    }

private:
    static std::size_t ElementCount(std::size_t nrows, std::size_t ncols)
    {
        if (ncols != 0 && nrows > SIZE_MAX / ncols) throw MemoryError();
        return nrows * ncols;
    }

    WorkBlock block_;
    T* elements_;
    std::ptrdiff_t rlo_;
    std::size_t nrows_;
    std::ptrdiff_t clo_;
    std::size_t ncols_;
};

using RealVector = OffsetVector<double>;
using IntVector = OffsetVector<int32_t>;
using RealMatrix = OffsetMatrix<double>;
using IntMatrix = OffsetMatrix<int32_t>;

}  // namespace sheetstat
