// The contract every analysis export keeps, checked over the export catalogue: its
// status paths; the same results whatever the lower bounds, with skipped elements
// never touched; status 8 for a wrong dimension count, a missing array and a data value
// that is not a finite number; status 2 and no leak when any work-storage allocation
// fails; the caller's floating-point environment kept and without effect on results;
// identical results from concurrent calls. Every call runs over guarded host arrays:
// nothing may be written outside them, into an input-only argument, or (on success)
// as a NaN or an infinity.
#include <bit>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "contract/export_catalogue.hpp"
#include "support/floating_point_state.hpp"
#include "support/test_support.hpp"

namespace sheetstat::contract {
namespace {

using testing::CallerSettings;
using testing::FloatingPointState;

// What skipped elements hold: a value that would change any result if it were read.
constexpr double kSkippedFill = -8.5e7;

bool SameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (std::bit_cast<uint64_t>(a[k]) != std::bit_cast<uint64_t>(b[k])) return false;
    }
    return true;
}

// The slots or cells of an array, column after column.
std::vector<double> UsedCells(const GuardedArray& array)
{
    std::vector<double> cells;
    for (std::size_t j = 1; j <= array.cols(); ++j) {
        for (std::size_t i = 1; i <= array.rows(); ++i) cells.push_back(array(i, j));
    }
    return cells;
}

struct Outcome {
    int32_t status = -1;
    std::vector<std::vector<double>> cells;  // every argument's slots or cells after the call
    std::vector<std::string> faults;         // broken rules other than the status
    bool wroteNonFinite = false;
};

// Lays the arguments out from `lowerBound`, calls the export (in the caller's
// `settings` if given) and records what it broke.
Outcome CallExport(const Arguments& arguments, int32_t lowerBound, const CallerSettings* settings = nullptr)
{
    const CatalogueEntry& entry = arguments.entry();
    std::vector<GuardedArray> arrays = arguments.Lay(lowerBound, kSkippedFill);
    std::vector<std::vector<double>> before;
    for (const GuardedArray& array : arrays) before.push_back(array.Elements());
    Outcome outcome;
    if (settings == nullptr) {
        outcome.status = entry.Call(arrays);
    } else {
        settings->Install();
        const FloatingPointState caller = FloatingPointState::Read();
        outcome.status = entry.Call(arrays);
        const FloatingPointState after = FloatingPointState::Read();
        testing::RestoreDefaultEnvironment();
        if (!(after == caller)) outcome.faults.push_back("the caller's floating-point environment changed");
    }
    for (std::size_t k = 0; k < arrays.size(); ++k) {
        const std::string name = entry.parameters[k].name;
        const GuardedArray& array = arrays[k];
        bool skippedWritten = false, inputWritten = false;
        for (std::size_t p = 0; p < array.storedCount(); ++p) {
            if (std::bit_cast<uint64_t>(before[k][p]) == std::bit_cast<uint64_t>(array.stored(p))) continue;
            skippedWritten = skippedWritten || !array.IsUsed(p);
            inputWritten = inputWritten || entry.parameters[k].role == Role::In;
            if (outcome.status == kOk && !std::isfinite(array.stored(p))) outcome.wroteNonFinite = true;
        }
        if (!array.GuardsIntact()) outcome.faults.push_back("wrote outside " + name);
        if (skippedWritten) outcome.faults.push_back("wrote a skipped element of " + name);
        if (inputWritten) outcome.faults.push_back("wrote into the input " + name);
        outcome.cells.push_back(UsedCells(array));
    }
    if (outcome.wroteNonFinite) outcome.faults.push_back("wrote a NaN or an infinity with status 0");
    return outcome;
}

std::string Describe(const std::vector<std::string>& faults)
{
    std::string text;
    for (const std::string& fault : faults) text += "\n  " + fault;
    return text;
}

bool SameCells(const Outcome& a, const Outcome& b)
{
    if (a.cells.size() != b.cells.size()) return false;
    for (std::size_t k = 0; k < a.cells.size(); ++k) {
        if (!SameBits(a.cells[k], b.cells[k])) return false;
    }
    return true;
}

// The valid call and every status path, each with its expected status.
struct Case {
    std::string what;
    Arguments arguments;
    int32_t status;
    bool writesNothing;
};

std::vector<Case> Cases(const CatalogueEntry& entry)
{
    std::vector<Case> cases{{"the valid call", Arguments(entry), kOk, false}};
    for (const StatusPath& path : entry.statusPaths) {
        Arguments arguments(entry);
        path.change(arguments);
        cases.push_back({path.what, arguments, path.status, path.writesNothing});
    }
    return cases;
}

class EveryExport : public ::testing::TestWithParam<std::size_t> {
protected:
    const CatalogueEntry& entry() const { return Catalogue()[GetParam()]; }
};

TEST_P(EveryExport, ParametersMatchTheSignature)
{
    EXPECT_EQ(entry().parameters.size(), entry().arity);
    std::set<std::string> names;
    for (const Parameter& parameter : entry().parameters) {
        EXPECT_TRUE(names.insert(parameter.name).second) << "argument named twice: " << parameter.name;
        EXPECT_EQ(parameter.valid.cells.size(), parameter.valid.rows * parameter.valid.cols) << parameter.name;
    }
}

// Lower bounds 1, 0 and any other (which skips the first element like 0).
TEST_P(EveryExport, ValidCallGivesTheSameResultsFromEveryLowerBound)
{
    const Outcome one = CallExport(Arguments(entry()), 1);
    ASSERT_EQ(one.status, kOk) << Describe(one.faults);
    EXPECT_TRUE(one.faults.empty()) << Describe(one.faults);
    for (int32_t lowerBound : {0, -3}) {
        const Outcome other = CallExport(Arguments(entry()), lowerBound);
        EXPECT_EQ(other.status, kOk) << "lower bound " << lowerBound;
        EXPECT_TRUE(other.faults.empty()) << "lower bound " << lowerBound << Describe(other.faults);
        EXPECT_TRUE(SameCells(one, other)) << "results differ from lower bound " << lowerBound;
    }
}

TEST_P(EveryExport, StatusPaths)
{
    for (const Case& c : Cases(entry())) {
        SCOPED_TRACE(c.what);
        const Outcome one = CallExport(c.arguments, 1);
        EXPECT_EQ(one.status, c.status);
        EXPECT_TRUE(one.faults.empty()) << Describe(one.faults);
        if (c.writesNothing) {
            for (std::size_t k = 0; k < c.arguments.size(); ++k) {
                EXPECT_TRUE(SameBits(one.cells[k], c.arguments[k].cells))
                    << "wrote into " << entry().parameters[k].name;
            }
        }
        const Outcome zero = CallExport(c.arguments, 0);
        EXPECT_EQ(zero.status, c.status) << "lower bound 0";
        EXPECT_TRUE(zero.faults.empty()) << "lower bound 0" << Describe(zero.faults);
        EXPECT_TRUE(SameCells(one, zero)) << "results differ between lower bounds 0 and 1";
    }
}

// The valid call with one argument's descriptor cut to fewer dimensions, or given
// more (of count 1, and of count 0 so that it holds no element at all): status 8,
// and that array left as it was.
TEST_P(EveryExport, WrongDimensionCountsAreBadArrays)
{
    const Arguments valid(entry());
    for (std::size_t k = 0; k < valid.size(); ++k) {
        const Argument& argument = valid[k];
        std::vector<HostArrayBound> bounds{{static_cast<uint32_t>(argument.cols), 1}};
        if (argument.shape == Shape::Vector) bounds = {{static_cast<uint32_t>(argument.rows), 1}};
        else bounds.push_back({static_cast<uint32_t>(argument.rows), 1});
        for (unsigned dimensions = 0; dimensions <= GuardedArray::kMaxDimensions; ++dimensions) {
            if (dimensions == bounds.size()) continue;
            for (uint32_t extraCount : {1u, 0u}) {
                if (dimensions < bounds.size() && extraCount == 0) continue;
                std::array<HostArrayBound, GuardedArray::kMaxDimensions> wrong{};
                for (unsigned d = 0; d < dimensions; ++d) wrong[d] = d < bounds.size() ? bounds[d] : HostArrayBound{extraCount, 1};
                std::vector<GuardedArray> arrays = valid.Lay(1, kSkippedFill);
                arrays[k] = GuardedArray(dimensions, wrong, Presence::Present, argument.element);
                for (std::size_t p = 0; p < arrays[k].storedCount(); ++p) {
                    arrays[k].stored(p) = argument.cells.empty() ? 1.0 : argument.cells[p % argument.cells.size()];
                }
                const std::vector<double> before = arrays[k].Elements();
                EXPECT_EQ(entry().Call(arrays), kBadArray)
                    << entry().parameters[k].name << " with " << dimensions << " dimensions (extra count " << extraCount << ")";
                EXPECT_TRUE(arrays[k].GuardsIntact() && SameBits(arrays[k].Elements(), before))
                    << "wrote into " << entry().parameters[k].name << " with " << dimensions << " dimensions";
            }
        }
    }
}

TEST_P(EveryExport, MissingArraysAreBadArrays)
{
    const Arguments valid(entry());
    for (std::size_t k = 0; k < valid.size(); ++k) {
        for (Presence presence : {Presence::NullReference, Presence::NullDescriptor, Presence::NullData}) {
            std::vector<GuardedArray> arrays = valid.Lay(1, kSkippedFill);
            if (presence == Presence::NullData && arrays[k].storedCount() == 0) continue;
            arrays[k].SetPresence(presence);
            EXPECT_EQ(entry().Call(arrays), kBadArray)
                << entry().parameters[k].name << " missing (" << static_cast<int>(presence) << ")";
        }
    }
}

// Each value the valid call reads, replaced by NaN, +∞ or −∞ in turn.
TEST_P(EveryExport, NonFiniteDataValuesAreBadArrays)
{
    const Arguments valid(entry());
    std::size_t tried = 0;
    std::vector<std::string> accepted;
    for (std::size_t k = 0; k < valid.size(); ++k) {
        const Parameter& parameter = entry().parameters[k];
        const Argument& argument = valid[k];
        // Integer arrays hold no NaN or infinity.
        if (parameter.role == Role::Out || argument.element == Element::Int32) continue;
        for (std::size_t j = 1; j + parameter.writtenColumns <= argument.cols; ++j) {
            for (std::size_t i = 1; i <= argument.rows; ++i) {
                if (IsMissing(argument.cells[(j - 1) * argument.rows + i - 1])) continue;
                for (double value : {kNaN, kInfinity, -kInfinity}) {
                    Arguments arguments = valid;
                    arguments[k](i, j) = value;
                    const Outcome outcome = CallExport(arguments, 1);
                    ++tried;
                    std::ostringstream where;
                    where << parameter.name << "(" << i << ", " << j << ") = " << value;
                    if (outcome.status != kBadArray) {
                        accepted.push_back(where.str() + ": status " + std::to_string(outcome.status) +
                                           (outcome.wroteNonFinite ? ", wrote a NaN or an infinity" : ""));
                    }
                    EXPECT_TRUE(outcome.faults.empty()) << where.str() << Describe(outcome.faults);
                }
            }
        }
    }
    EXPECT_GT(tried, 0u) << "the valid call reads no value to replace";
    EXPECT_TRUE(accepted.empty()) << Describe(accepted);
}

TEST_P(EveryExport, EachAllocationFailureGivesNoMemoryAndLeaksNothing)
{
    for (const Case& c : Cases(entry())) {
        SCOPED_TRACE(c.what);
        testing::ExpectEachAllocationFailureGivesNoMemory(
            [&] {
                std::vector<GuardedArray> arrays = c.arguments.Lay(1, kSkippedFill);
                return entry().Call(arrays);
            },
            c.status);
    }
}

// Another rounding mode, raised flags or unmasked traps in the caller: the same
// status and results as in the default environment, and the caller's environment
// exactly as it was afterwards.
TEST_P(EveryExport, CallersFloatingPointEnvironmentIsKeptAndChangesNothing)
{
    std::vector<CallerSettings> callers = {{FE_UPWARD, FE_INEXACT | FE_UNDERFLOW, 0},
                                           {FE_TOWARDZERO, FE_ALL_EXCEPT, 0},
                                           {FE_DOWNWARD, 0, 0}};
    if (testing::kCanUnmaskTraps) callers.back().traps = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;
    for (const Case& c : Cases(entry())) {
        SCOPED_TRACE(c.what);
        const Outcome reference = CallExport(c.arguments, 1);
        for (const CallerSettings& caller : callers) {
            const Outcome outcome = CallExport(c.arguments, 1, &caller);
            EXPECT_EQ(outcome.status, reference.status) << "rounding mode " << caller.rounding;
            EXPECT_TRUE(SameCells(outcome, reference)) << "rounding mode " << caller.rounding;
            EXPECT_TRUE(outcome.faults.empty()) << "rounding mode " << caller.rounding << Describe(outcome.faults);
        }
    }
}

TEST_P(EveryExport, ConcurrentCallsGiveIdenticalResults)
{
    const Outcome reference = CallExport(Arguments(entry()), 1);
    constexpr int kThreads = 4, kCallsPerThread = 25;
    std::vector<int> differing(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int call = 0; call < kCallsPerThread; ++call) {
                const Outcome outcome = CallExport(Arguments(entry()), 1);
                differing[static_cast<std::size_t>(t)] += outcome.status != reference.status || !SameCells(outcome, reference);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(differing[static_cast<std::size_t>(t)], 0) << "thread " << t;
}

std::string ExportName(const ::testing::TestParamInfo<std::size_t>& info)
{
    return Catalogue()[info.param].name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryExport, ::testing::Range<std::size_t>(0, Catalogue().size()), ExportName);

// Every analysis export of the public header (all of them take HostArray** only) has
// its block in the catalogue, so the contract test and the fuzzer call it.
TEST(ExportCatalogue, ListsEveryAnalysisExportOfThePublicHeader)
{
    std::ifstream header(SHEETSTAT_PUBLIC_HEADER);
    ASSERT_TRUE(header) << SHEETSTAT_PUBLIC_HEADER;
    const std::string text((std::istreambuf_iterator<char>(header)), std::istreambuf_iterator<char>());
    // Declarations read "SHEETSTAT_CALL nkName(HostArray** first, ...".
    std::set<std::string> declared, catalogued;
    std::istringstream words(text);
    for (std::string word, previous; words >> word; previous = word) {
        const std::size_t paren = word.find('(');
        if (previous == "SHEETSTAT_CALL" && word.rfind("nk", 0) == 0 && paren != std::string::npos &&
            word.compare(paren + 1, std::string::npos, "HostArray**") == 0) {
            declared.insert(word.substr(0, paren));
        }
    }
    for (const CatalogueEntry& entry : Catalogue()) EXPECT_TRUE(catalogued.insert(entry.name).second) << entry.name << " twice";
    EXPECT_FALSE(declared.empty());
    EXPECT_EQ(catalogued, declared);
}

}  // namespace
}  // namespace sheetstat::contract
