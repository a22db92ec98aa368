// Generator of the studentized-range tables (src/numeric/studentized_range_tables.cpp).
//
// For k means and ν degrees of freedom the studentized range is Q = W/s, W the range
// of k independent standard normal variables and s² an independent χ²_ν/ν variable.
// Its distribution function is expanded in powers of 1/ν,
//     P(Q ≤ q) = F_k(q) + c1_k(q)/ν + c2_k(q)/ν² + O(1/ν³),
// F_k(q) = P(W ≤ q). The tables hold 10000·F_k, 100·c1_k and 10·c2_k at
// q = 0, 0.25, ..., 6.50, rounded to integers. See range_expansion.cpp for the
// derivation of the coefficients and the quadrature.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "numeric/studentized_range_tables.hpp"

namespace sheetstat::tools {

inline constexpr long double kRangeTableStep = 0.25L;  // q of column c is c·0.25

// F_k(q) and the coefficients of 1/ν and 1/ν² at one (k, q), unscaled and unrounded.
struct RangeExpansionTerms {
    long double leading;           // F_k(q) = P(W ≤ q)
    long double firstCorrection;   // c1_k(q)
    long double secondCorrection;  // c2_k(q)
};

// The expansion terms for k ≥ 2 means at q ≥ 0, by Gauss-Legendre quadrature in long double.
RangeExpansionTerms RangeExpansionAt(int k, long double q);

using RangeTable = std::array<int32_t, kRangeTableEntries>;

struct RangeTables {
    RangeTable leading;           // 10000·F_k, at most 9999
    RangeTable firstCorrection;   // 100·c1_k
    RangeTable secondCorrection;  // 10·c2_k
};

// The published rows k = 3, 4 and 20 of the three tables, kept as they stand.
inline constexpr int kPublishedRowKs[3] = {3, 4, 20};
struct PublishedRow {
    int k;
    std::array<int32_t, kRangeTableColumns> leading;
    std::array<int32_t, kRangeTableColumns> firstCorrection;
    std::array<int32_t, kRangeTableColumns> secondCorrection;
};
extern const std::array<PublishedRow, 3> kPublishedRows;

// Largest stored value of the leading table: the published rows stop at 9999, and the
// computed rows are capped likewise.
inline constexpr int32_t kLeadingCap = 9999;

// The scaled, rounded table entries computed for row k (every row 3..20 can be computed).
struct ComputedRow {
    std::array<int32_t, kRangeTableColumns> leading;  // capped at kLeadingCap
    std::array<int32_t, kRangeTableColumns> firstCorrection;
    std::array<int32_t, kRangeTableColumns> secondCorrection;
};
ComputedRow ComputeRangeRow(int k);

// The three complete tables: the published rows copied, rows 5..19 computed.
RangeTables GenerateRangeTables();

// The complete source file src/numeric/studentized_range_tables.cpp for `tables`.
std::string FormatRangeTablesSource(const RangeTables& tables);

}  // namespace sheetstat::tools
