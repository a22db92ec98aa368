#include "analyses/groups/anova_table.hpp"


#include "frame/markers.hpp"
#include "frame/status.hpp"
#include "numeric/clamp_probability.hpp"
#include "numeric/distributions.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kTableRows = 5;
constexpr std::size_t kTableColumns = 6;

std::size_t Column(AnovaSource source) noexcept
{
    return static_cast<std::size_t>(source);
}

}  // namespace

double AnovaTerm::MeanSquare() const noexcept
{
    return df == 0 ? kMissingValue : sumSquares / df;
}

void RequireAnovaTableShape(const RealMatrixView& table)
{
    Require(table.rows() >= kTableRows && table.cols() >= kTableColumns);
}

void WriteAnovaTerm(const RealMatrixView& table, AnovaSource source, const AnovaTerm& term)
{
    const std::size_t column = Column(source);
    table(1, column) = term.sumSquares;
    table(2, column) = term.df;
    table(3, column) = term.MeanSquare();
}

void WriteFTest(const RealMatrixView& table, AnovaSource source, const AnovaTerm& effect, const AnovaTerm& error)
{
    WriteAnovaTerm(table, source, effect);
    const double meanSquare = effect.MeanSquare();
    const double errorMeanSquare = error.MeanSquare();
    double F = kMissingValue;
    double probability = 0;
    if (!IsMissing(meanSquare) && !IsMissing(errorMeanSquare) && errorMeanSquare != 0) {
        F = meanSquare / errorMeanSquare;
        probability = ClampProbability(FProb(F, effect.df, error.df));
    }
    const std::size_t column = Column(source);
    table(4, column) = F;
    table(5, column) = probability;
}

void WriteAbsentSource(const RealMatrixView& table, AnovaSource source)
{
    for (std::size_t row = 1; row <= kTableRows; ++row) table(row, Column(source)) = kMissingValue;
}

}  // namespace sheetstat
