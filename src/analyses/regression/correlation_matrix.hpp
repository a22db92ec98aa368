// The layout that the correlation-matrix analyses share (Pearson, partial, Spearman
// and Kendall correlation): two lists of variables, each given as a vector of 32-bit
// identifiers and a data matrix with one column per variable and one row per case,
// and three result matrices of nA rows × nB columns (cases used, coefficient,
// one-tailed probability) whose cell (i, j) belongs to variable i of list A and
// variable j of list B.
//
// Cells are filled column by column (j outer, i inner). A cell whose mirror was
// filled before it, a cell (ii, jj) with idsA[i] = idsB[jj] and idsB[j] = idsA[ii],
// is a copy of the first such cell, so that a list correlated with itself has the
// cells above its diagonal copied from those below. The filled cells are indexed by
// their identifier pair in a hash table: finding the mirror costs O(1) per cell
// instead of a scan of every cell filled so far.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "frame/work_storage.hpp"
#include "numeric/merge_sort.hpp"

namespace sheetstat {

struct CorrelationCell {
    double count = 0;
    double coefficient = 0;
    double probability = 0;  // one-tailed, or MissingValue
};

// Cells of an nA × nB matrix, numbered (j − 1)·nA + (i − 1), by the identifier pair
// (idsA[i], idsB[j]) of their row and column; the first cell entered under a pair is
// kept. Open addressing with linear probing in a table at most half full.
class FilledCellIndex {
public:
    static constexpr std::size_t kNone = SIZE_MAX;

    explicit FilledCellIndex(std::size_t cells);
    // The first cell entered under (a, b), or kNone.
    std::size_t Find(int32_t a, int32_t b) const noexcept;
    // Enters `cell` under (a, b) unless a cell is there already.
    void EnterFirst(int32_t a, int32_t b, std::size_t cell) noexcept;

private:
    struct Slot {
        uint64_t key;
        std::size_t cellPlusOne;  // 0: empty
    };
    std::size_t Home(uint64_t key) const noexcept;

    OffsetVector<Slot> slots_;
    std::size_t mask_;
};

class CorrelationLists {
public:
    // Builds the views and checks the shapes (status 8): the probabilities matrix gives
    // nA × nB; counts and coefficients have at least as many rows and columns, idsA and
    // idsB at least nA and nB entries, dataA and dataB at least nA and nB columns and
    // at least `cases` rows each. Without `cases`, the cases are the rows of dataB.
    CorrelationLists(HostArray** idsA, HostArray** idsB, HostArray** dataA, HostArray** dataB, HostArray** counts,
                     HostArray** coefficients, HostArray** probabilities,
                     std::optional<std::size_t> cases = std::nullopt);

    std::size_t sizeA() const noexcept { return sizeA_; }
    std::size_t sizeB() const noexcept { return sizeB_; }
    std::size_t cases() const noexcept { return cases_; }
    int32_t idA(std::size_t i) const noexcept { return idsA_[i]; }
    int32_t idB(std::size_t j) const noexcept { return idsB_[j]; }
    // The `cases` cells of variable i of list A (j of list B), case 1 at position 0.
    const double* columnA(std::size_t i) const noexcept { return dataA_.column(i); }
    const double* columnB(std::size_t j) const noexcept { return dataB_.column(j); }

    // Status 8 when a cell of a listed column (within the first `cases` rows) is
    // neither MissingValue nor a finite number.
    void RequireNumbers() const;
    // Status 3 when a list is empty.
    void RequireVariables() const;

    // The number of cells of variable j of list B that are not MissingValue.
    std::size_t PresentCountB(std::size_t j) const noexcept;

    // The (A_i, B_j) values of the cases where both are present, in case order, into
    // pairs[0..]; returns their number (at most `cases`).
    std::size_t CompletePairs(std::size_t i, std::size_t j, ValuePair* pairs) const noexcept;

    // Fills every cell: a copy of the first filled mirror where there is one,
    // otherwise computeCell(i, j), a CorrelationCell.
    template <class ComputeCell>
    void FillCells(ComputeCell&& computeCell) const
    {
        FilledCellIndex filled(sizeA_ * sizeB_);
        for (std::size_t j = 1; j <= sizeB_; ++j) {
            for (std::size_t i = 1; i <= sizeA_; ++i) {
                const std::size_t mirror = filled.Find(idB(j), idA(i));
                if (mirror != FilledCellIndex::kNone) {
                    const std::size_t ii = mirror % sizeA_ + 1, jj = mirror / sizeA_ + 1;
                    Write(i, j, {counts_(ii, jj), coefficients_(ii, jj), probabilities_(ii, jj)});
                } else {
                    Write(i, j, computeCell(i, j));
                }
                filled.EnterFirst(idA(i), idB(j), (j - 1) * sizeA_ + (i - 1));
            }
        }
    }

private:
    void Write(std::size_t i, std::size_t j, const CorrelationCell& cell) const noexcept
    {
        counts_(i, j) = cell.count;
        coefficients_(i, j) = cell.coefficient;
        probabilities_(i, j) = cell.probability;
    }

    IntArrayView idsA_, idsB_;
    RealMatrixView dataA_, dataB_, counts_, coefficients_, probabilities_;
    std::size_t sizeA_ = 0, sizeB_ = 0, cases_ = 0;
};

// The cell of a rank correlation whose two variables have the same identifier: the
// variable with itself, coefficient 1 and probability 0 over its present cases (the
// cells of list B's variable j).
CorrelationCell VariableWithItself(const CorrelationLists& lists, std::size_t j) noexcept;

// Pairs whose rank correlation cannot be tested: fewer cases than the test needs give
// probability MissingValue; a variable constant over the pair's cases gives coefficient
// 0 with probability 1/2 (no evidence either way, as a constant column gives Pearson's r).
CorrelationCell TooFewCases(std::size_t n) noexcept;
CorrelationCell ConstantVariable(std::size_t n) noexcept;

// The one-tailed probability of a correlation test: half the two-tailed one, held
// within [0, 1]; MissingValue stays MissingValue.
double OneTailed(double twoTailed) noexcept;

}  // namespace sheetstat
