// The catalogue of the library's analysis exports, read by the programs that call
// every export the same way (the contract test and the fuzzer). For each export: its
// name, a uniform invoker, its arguments (name, role, and the value each takes in a
// minimal call that succeeds) and its status paths, each a change of that call with
// the status it must give.
//
// Adding an export is one block in the file of its area (catalogue/<area>.cpp):
//
//     catalogue.push_back({SHEETSTAT_CATALOGUE_EXPORT(nkTTestDep),
//         {{"data", Role::In, Columns({{1, 2, 4}, {0, 2, 5}})},
//          {"results", Role::Out, Slots(6)}},
//         Rows({{"results one slot short", Set("results", Slots(5)), kBadArray, kWritesNothing},
//               {"two equal pairs", Set("data", Columns({{1, 2}, {1, 2}})), kInsufficientData}})});
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sheetstat/sheetstat.h"
#include "support/guarded_array.hpp"
#include "support/status_codes.hpp"

namespace sheetstat::contract {

using testing::Element;
using testing::GuardedArray;
using testing::kBadArray;
using testing::kEmptyCell;
using testing::kInsufficientData;
using testing::kMissing;
using testing::kNoMemory;
using testing::kNumericalFailure;
using testing::kOk;
using testing::Presence;

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kInfinity = std::numeric_limits<double>::infinity();

enum class Shape { Vector, Matrix };  // a one- or two-dimensional array of doubles

enum class Role {
    In,     // read, never written
    Out,    // written, never read
    InOut,  // read, then rewritten in place
};

// The content of one argument, independent of how the host lays it out: slots
// (rows × 1) or cells, column after column, 1-based.
struct Argument {
    Shape shape = Shape::Vector;
    std::size_t rows = 0;
    std::size_t cols = 1;
    std::vector<double> cells;
    Presence presence = Presence::Present;
    Element element = Element::Real;  // Int32: a vector of 4-byte integers

    double& operator()(std::size_t i, std::size_t j) { return cells.at((j - 1) * rows + i - 1); }
    // The host array that holds it with every dimension from `lowerBound`; skipped
    // elements hold `skippedFill`.
    GuardedArray Lay(int32_t lowerBound, double skippedFill) const;
};

Argument Values(const std::vector<double>& values);               // 1-D, these slots
Argument IntValues(const std::vector<int32_t>& values);           // 1-D of 4-byte integers, these slots
Argument Slots(std::size_t count, double fill = 0);               // 1-D, blank slots
Argument Columns(const std::vector<std::vector<double>>& columns);  // 2-D, these columns
Argument Cells(std::size_t rows, std::size_t cols, double fill = 0);  // 2-D, blank cells
Argument NullDescriptor();

struct Parameter {
    const char* name;
    Role role;
    Argument valid;  // its value in the minimal call that succeeds
    // For an InOut matrix: this many last columns are written, not read.
    std::size_t writtenColumns = 0;
};

struct CatalogueEntry;

// The arguments of one call of an export, by name or position.
class Arguments {
public:
    explicit Arguments(const CatalogueEntry& entry);  // the minimal valid call
    Argument& operator[](std::string_view name);
    Argument& operator[](std::size_t index) { return values_.at(index); }
    const Argument& operator[](std::size_t index) const { return values_.at(index); }
    std::size_t size() const noexcept { return values_.size(); }
    const CatalogueEntry& entry() const noexcept { return *entry_; }
    // The host arrays of the call, every dimension from `lowerBound`.
    std::vector<GuardedArray> Lay(int32_t lowerBound, double skippedFill) const;

private:
    const CatalogueEntry* entry_;
    std::vector<Argument> values_;
};

using Change = std::function<void(Arguments&)>;

inline constexpr bool kWritesNothing = true;

struct StatusPath {
    std::string what;
    Change change;
    int32_t status;
    // The call leaves every argument as it was (checks that come before any write).
    bool writesNothing = false;
};

// Calls an export with the descriptor references of its arguments, in order.
using Invoker = int32_t (*)(HostArray** const* arguments);

struct CatalogueEntry {
    const char* name;
    std::size_t arity;
    Invoker invoke;
    std::vector<Parameter> parameters;
    std::vector<StatusPath> statusPaths;

    int32_t Call(std::vector<GuardedArray>& arrays) const;
};

// Every analysis export, area by area.
const std::vector<CatalogueEntry>& Catalogue();

void AddDescriptiveExports(std::vector<CatalogueEntry>& catalogue);
void AddGroupExports(std::vector<CatalogueEntry>& catalogue);
void AddRegressionExports(std::vector<CatalogueEntry>& catalogue);
void AddMultivariateExports(std::vector<CatalogueEntry>& catalogue);
void AddQualityExports(std::vector<CatalogueEntry>& catalogue);
void AddSurvivalExports(std::vector<CatalogueEntry>& catalogue);

// ---- Building blocks of status paths ----

Change Set(const char* argument, Argument value);
Change SetCell(const char* argument, std::size_t i, std::size_t j, double value);
// One row per value: cell (i, j) of `argument` set to it.
std::vector<StatusPath> EachValue(const std::string& what, const char* argument, std::size_t i, std::size_t j,
                                  const std::vector<double>& values, int32_t status, bool writesNothing = false);

template <class... More>
std::vector<StatusPath> Rows(std::vector<StatusPath> rows, More&&... more)
{
    (rows.insert(rows.end(), more.begin(), more.end()), ...);
    return rows;
}

// ---- The uniform invoker ----

template <class... A>
constexpr std::size_t ArityOf(int32_t(SHEETSTAT_CALL*)(A...)) noexcept
{
    return sizeof...(A);
}

template <auto Export, std::size_t... I>
int32_t InvokeWith(HostArray** const* arguments, std::index_sequence<I...>)
{
    return Export(arguments[I]...);
}

template <auto Export>
int32_t Invoke(HostArray** const* arguments)
{
    return InvokeWith<Export>(arguments, std::make_index_sequence<ArityOf(Export)>());
}

// The name, argument count and invoker of an export, as the first members of its CatalogueEntry.
#define SHEETSTAT_CATALOGUE_EXPORT(function) \
    #function, ::sheetstat::contract::ArityOf(&function), &::sheetstat::contract::Invoke<&function>

}  // namespace sheetstat::contract
