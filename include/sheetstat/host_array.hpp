// A host-side owner of a column-major array of doubles or 4-byte integers and its
// HostArray descriptor, for programs that call the library (tests, command-line
// hosts). One- or two-dimensional, each dimension indexed from 0 or from 1; an
// array indexed from 0 has one extra leading element (and row/column) that the
// library never reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "sheetstat/sheetstat.h"

namespace sheetstat {

template <class T>
class BasicHostArray {
public:
    // A one-dimensional array of `count` used elements, indexed lowerBound..
    explicit BasicHostArray(std::size_t count, int lowerBound = 1) : BasicHostArray(1, count, 1, lowerBound) {}

    // A two-dimensional array of `rows` x `cols` used cells, both indexed from lowerBound.
    BasicHostArray(std::size_t rows, std::size_t cols, int lowerBound) : BasicHostArray(2, rows, cols, lowerBound) {}

    // A one-dimensional array holding `values` in its used slots.
    static BasicHostArray FromValues(const std::vector<T>& values, int lowerBound = 1)
    {
        BasicHostArray array(values.size(), lowerBound);
        for (std::size_t k = 0; k < values.size(); ++k) array[k + 1] = values[k];
        return array;
    }

    // A two-dimensional array whose used columns are `columns` (all of equal length).
    static BasicHostArray FromColumns(const std::vector<std::vector<T>>& columns, int lowerBound = 1)
    {
        const std::size_t rows = columns.empty() ? 0 : columns.front().size();
        BasicHostArray array(rows, columns.size(), lowerBound);
        for (std::size_t j = 0; j < columns.size(); ++j) {
            if (columns[j].size() != rows) throw std::invalid_argument("columns of unequal length");
            for (std::size_t i = 0; i < rows; ++i) array(i + 1, j + 1) = columns[j][i];
        }
        return array;
    }

    BasicHostArray(const BasicHostArray& other) : elements_(other.elements_), descriptor_(other.descriptor_),
        rows_(other.rows_), cols_(other.cols_), skip_(other.skip_) { Rebind(); }
    BasicHostArray& operator=(const BasicHostArray& other)
    {
        elements_ = other.elements_;
        descriptor_ = other.descriptor_;
        rows_ = other.rows_;
        cols_ = other.cols_;
        skip_ = other.skip_;
        Rebind();
        return *this;
    }

    // The argument an export takes.
    HostArray** ref() noexcept
    {
        Rebind();
        return &address_;
    }
    HostArray& descriptor() noexcept { return descriptor_; }
    const HostArray& descriptor() const noexcept { return descriptor_; }

    // Slot k (1-based) of a one-dimensional array.
    T& operator[](std::size_t slot) { return elements_.at(skip_ + slot - 1); }
    // Cell (i, j) (1-based) of a two-dimensional array.
    T& operator()(std::size_t i, std::size_t j) { return elements_.at(Index(i, j)); }
    const T& operator[](std::size_t slot) const { return elements_.at(skip_ + slot - 1); }
    const T& operator()(std::size_t i, std::size_t j) const { return elements_.at(Index(i, j)); }
    // The stored element at 0-based storage position p, including skipped ones.
    T& stored(std::size_t p) { return elements_.at(p); }
    std::size_t storedCount() const noexcept { return elements_.size(); }

    std::vector<T> Slots() const
    {
        return std::vector<T>(elements_.begin() + static_cast<std::ptrdiff_t>(skip_), elements_.end());
    }
    std::vector<T> Column(std::size_t j) const
    {
        std::vector<T> column(rows_);
        for (std::size_t i = 1; i <= rows_; ++i) column[i - 1] = elements_.at(Index(i, j));
        return column;
    }
    std::size_t rows() const noexcept { return rows_; }
    std::size_t cols() const noexcept { return cols_; }

private:
    BasicHostArray(int dimensions, std::size_t rows, std::size_t cols, int lowerBound)
        : rows_(rows), cols_(cols), skip_(lowerBound == 1 ? 0 : 1)
    {
        if (lowerBound != 0 && lowerBound != 1) throw std::invalid_argument("lower bound must be 0 or 1");
        descriptor_.dimensions = static_cast<uint16_t>(dimensions);
        descriptor_.elementSize = sizeof(T);
        if (dimensions == 1) {
            descriptor_.bounds[0] = {static_cast<uint32_t>(rows + skip_), lowerBound};
            elements_.assign(rows + skip_, T{});
        } else {
            descriptor_.bounds[0] = {static_cast<uint32_t>(cols + skip_), lowerBound};
            descriptor_.bounds[1] = {static_cast<uint32_t>(rows + skip_), lowerBound};
            elements_.assign((rows + skip_) * (cols + skip_), T{});
        }
        Rebind();
    }

    std::size_t Index(std::size_t i, std::size_t j) const
    {
        if (i < 1 || i > rows_ || j < 1 || j > cols_) throw std::out_of_range("cell outside the array");
        return (skip_ + j - 1) * (rows_ + skip_) + skip_ + i - 1;
    }

    void Rebind() noexcept
    {
        descriptor_.data = elements_.empty() ? nullptr : elements_.data();
        address_ = &descriptor_;
    }

    std::vector<T> elements_;
    HostArray descriptor_{};
    HostArray* address_ = nullptr;
    std::size_t rows_ = 0;
    std::size_t cols_ = 0;
    std::size_t skip_ = 0;
};

using RealHostArray = BasicHostArray<double>;
using IntHostArray = BasicHostArray<int32_t>;

}  // namespace sheetstat
