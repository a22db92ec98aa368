// The analysis-of-variance table of the designs with subjects measured under several
// treatments (repeated measures, split plot): one column per source, rows 1 to 5 the
// sum of squares, degrees of freedom, mean square, F and its upper-tail probability.
// Sources that a design lacks hold MissingValue.
#pragma once

#include <cstddef>

#include "frame/host_arrays.hpp"

namespace sheetstat {

// Columns of the table.
enum class AnovaSource : std::size_t {
    WithinFactor = 1,   // treatments, within subjects
    Subjects = 2,       // subjects (within groups)
    BetweenFactor = 3,  // groups, between subjects
    Interaction = 4,    // groups × treatments
    Residual = 5,
    Total = 6,
};

// One source: its sum of squares and degrees of freedom.
struct AnovaTerm {
    double sumSquares = 0;
    double df = 0;

    // SS/df, or MissingValue when there are no degrees of freedom.
    double MeanSquare() const noexcept;
};

// Status 8 unless the table has at least 5 rows and 6 columns.
void RequireAnovaTableShape(const RealMatrixView& table);

// Rows 1 to 3 of a source: SS, df, MS.
void WriteAnovaTerm(const RealMatrixView& table, AnovaSource source, const AnovaTerm& term);

// Rows 1 to 5 of a source tested against `error`: SS, df, MS, then
// F = MS/MS_error and P(F' ≥ F) on (df, error df) degrees of freedom. F is
// MissingValue and the probability 0 when either mean square is MissingValue or the
// error mean square is 0 (an effect against an error without spread).
void WriteFTest(const RealMatrixView& table, AnovaSource source, const AnovaTerm& effect, const AnovaTerm& error);

// Rows 1 to 5 of a source the design lacks: MissingValue.
void WriteAbsentSource(const RealMatrixView& table, AnovaSource source);

}  // namespace sheetstat
