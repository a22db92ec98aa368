// The series of a Pareto chart: the categories (one data column each) ranked by their
// totals, largest first, with the cumulative percentage of the grand total.
//
// Each category's cells are summed (empty cells skipped; Neumaier's compensated sum,
// so that a total does not depend on the order of its cells beyond rounding). The
// negated totals are sorted ascending by heapsort, the category numbers moving along,
// which puts the totals in descending order (equal totals in the heapsort's order);
// then the totals get their sign back and the cumulative percentages are formed.
// They need a positive grand total: otherwise column 3 holds MissingValue.
#include <cstddef>

#include "frame/export_frame.hpp"
#include "frame/host_arrays.hpp"
#include "frame/markers.hpp"
#include "numeric/running_moments.hpp"
#include "numeric/sorting.hpp"

namespace sheetstat {
namespace {

constexpr std::size_t kParetoColumns = 3;

double ColumnTotal(const double* cells, std::size_t rows)
{
    CompensatedSum total;
    for (std::size_t r = 0; r < rows; ++r) {
        if (!IsMissing(cells[r])) total.Add(cells[r]);
    }
    return total.Value();
}

void Pareto(HostArray** dataArg, HostArray** paretoArg, HostArray** results)
{
    const RealMatrixView data(dataArg), pareto(paretoArg);
    const RealArrayView out(results);
    Require(out.count() >= 1 && pareto.cols() >= kParetoColumns);
    const std::size_t categories = pareto.rows();
    Require(categories >= 1 && categories == data.cols());

    // Every cell is checked before anything is written, so a bad one changes nothing.
    for (std::size_t k = 1; k <= categories; ++k) {
        const double* cells = data.column(k);
        for (std::size_t r = 0; r < data.rows(); ++r) {
            if (!IsMissing(cells[r])) RequireFinite(cells[r]);
        }
    }

    CompensatedSum grandTotal;
    for (std::size_t k = 1; k <= categories; ++k) {
        const double total = ColumnTotal(data.column(k), data.rows());
        pareto(k, 1) = static_cast<double>(k);
        pareto(k, 2) = -total;
        grandTotal.Add(total);
    }
    SortRealsWithReals(categories, pareto.column(2), pareto.column(1));

    const double total = grandTotal.Value();
    CompensatedSum running;
    for (std::size_t k = 1; k <= categories; ++k) {
        pareto(k, 2) = -pareto(k, 2);
        running.Add(pareto(k, 2));
        pareto(k, 3) = total > 0 ? running.Value() * 100 / total : kMissingValue;
    }
    out[1] = total;
}

}  // namespace
}  // namespace sheetstat

extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL nkPareto(HostArray** data, HostArray** pareto, HostArray** results)
{
    return sheetstat::RunExport([&] { sheetstat::Pareto(data, pareto, results); });
}
