// libFuzzer target over every export of the catalogue, and nkTofP.
//
// An input names an export ("nkMeans:" or, failing that, a first byte that picks one)
// and then holds a list of four-byte operations that change the catalogue's valid
// call: descriptors (0 to 3 dimensions, counts including 0 and huge counts of arrays
// that hold nothing, lower bounds 0, 1 and others, null pointers at every level),
// values (small integers that hit valid codes, NaN, ±∞, ±1e300, subnormals, −0, both
// markers, huge and negative codes, arbitrary scales), the caller's floating-point
// settings (rounding mode, raised flags, unmasked traps) and a work-storage allocation
// that fails. Every host array is fenced by guard cells.
//
// After each call the target checks: nothing written outside the arrays, into
// skipped elements, into arrays of the wrong dimension count or into input-only
// arguments; the caller's floating-point environment exactly as it was; a status the
// library may return (2 only when an allocation was made to fail, and then whenever
// one is); no work storage left behind; and no NaN or infinity written by a call
// that returned 0. AddressSanitizer and UndefinedBehaviorSanitizer catch the rest.
// A finding prints one line naming the export and the broken rule and aborts.
//
// SHEETSTAT_FUZZ_SEED_DIR=dir writes one seed per export (its valid call) into dir at
// start-up; SHEETSTAT_FUZZ_DESCRIBE prints each call before making it.
#include <algorithm>
#include <array>
#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "contract/export_catalogue.hpp"
#include "frame/work_storage.hpp"
#include "support/floating_point_state.hpp"

namespace sheetstat::fuzz {
namespace {

using namespace contract;
using testing::CallerSettings;
using testing::FloatingPointState;

// Limits that keep each input fast and every legitimate allocation small.
// Per array: enough for every shape check and code path, small enough that the exports
// whose work grows with a cube (a polynomial of degree 127 on 256 rows, factor and
// discriminant analysis of 22 variables) finish each input within a second under the
// sanitizers.
constexpr std::size_t kMaxElements = 512;
constexpr std::size_t kMaxOperations = 64;
constexpr double kSkippedFill = -8.5e7;

bool describe = false;  // print each call before making it (for reproducing a finding)

// ---- Reading the input ----

class Input {
public:
    Input(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t remaining() const noexcept { return size_ - position_; }
    uint8_t Byte() noexcept { return position_ < size_ ? data_[position_++] : 0; }
    // "name:" at the start of the input.
    std::string_view Name() noexcept
    {
        const auto* begin = reinterpret_cast<const char*>(data_);
        const std::string_view text(begin, std::min<std::size_t>(size_, 32));
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos || colon < 3 || text.substr(0, 2) != "nk") return {};
        position_ = colon + 1;
        return text.substr(0, colon);
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

constexpr double kSignallingNaN = std::bit_cast<double>(0x7FF0000000000001ULL);

// Codes below 128 are the small integers 0..7, so that class and group codes hit
// valid ranges often; the others the values that break careless code.
double PaletteValue(uint8_t code)
{
    static const double special[] = {
        -1, -0.5, 0.5, 1.9, -0.0, 2.5, -7, 0.1, 100, 1e6, kNaN, kInfinity, -kInfinity, 1e300, -1e300, 5e-324,
        1e-310, -1e-310, 1e-300, kMissing, kPredictMarker, 3e9, -3e9, 2147483648.0, -2147483649.0, 2147483647.0,
        -2147483648.0, 2147483647.5, 1e8 + 0.3, 1e8, 1e-8, 9007199254740992.0, 1e15, 268435456.0, 1e154, -1e154,
        kSignallingNaN, -kNaN, 4.9, 30, 1e-154,
    };
    if (code < 128) return code % 8;
    return special[(code - 128) % std::size(special)];
}

int32_t PaletteLowerBound(uint8_t code)
{
    static const int32_t bounds[] = {1, 0, -1, 2, 5, INT32_MIN, INT32_MAX, -5};
    return bounds[code % std::size(bounds)];
}

// ---- The call an input describes ----

// Values written into the stored elements: one, or every stride-th from the first.
struct Write {
    std::size_t position;
    std::size_t stride;  // 0: only the one element
    double value;
};

struct ArrayPlan {
    const Argument* valid = nullptr;
    unsigned dimensions = 1;
    std::array<HostArrayBound, GuardedArray::kMaxDimensions> bounds{{{1, 1}, {1, 1}, {1, 1}}};
    Presence presence = Presence::Present;
    std::vector<Write> writes;
};

struct CallPlan {
    const CatalogueEntry* entry = nullptr;  // null: nkTofP
    std::vector<ArrayPlan> arrays;
    double tofP[2] = {0.05, 10};
    CallerSettings settings;
    int32_t failAllocation = -1;  // the allocation made to fail (k-th, from 0), none if negative
};

unsigned DeclaredDimensions(const Argument& argument)
{
    return argument.shape == Shape::Vector ? 1 : 2;
}

ArrayPlan PlanOf(const Argument& valid)
{
    ArrayPlan plan;
    plan.valid = &valid;
    plan.dimensions = DeclaredDimensions(valid);
    if (valid.shape == Shape::Vector) {
        plan.bounds[0].count = static_cast<uint32_t>(valid.rows);
    } else {
        plan.bounds[0].count = static_cast<uint32_t>(valid.cols);
        plan.bounds[1].count = static_cast<uint32_t>(valid.rows);
    }
    return plan;
}

double Scaled(uint8_t a, uint8_t b)
{
    return static_cast<int8_t>(a) * std::pow(10.0, b % 64 - 32);
}

// Element count of the first `dimensions` bounds; 0 when any count is 0.
uint64_t ElementCount(const ArrayPlan& plan)
{
    if (plan.dimensions == 0) return 0;
    uint64_t count = 1;
    for (unsigned d = 0; d < plan.dimensions; ++d) {
        if (plan.bounds[d].count == 0) return 0;
    }
    for (unsigned d = 0; d < plan.dimensions; ++d) {
        count *= plan.bounds[d].count;
        if (count > kMaxElements) return count;
    }
    return count;
}

// Halves the largest count until the array holds at most kMaxElements elements.
void Cap(ArrayPlan& plan)
{
    while (ElementCount(plan) > kMaxElements) {
        HostArrayBound* largest = &plan.bounds[0];
        for (unsigned d = 1; d < plan.dimensions; ++d) {
            if (plan.bounds[d].count > largest->count) largest = &plan.bounds[d];
        }
        largest->count /= 2;
    }
}

void Apply(CallPlan& call, uint8_t target, uint8_t kind, uint8_t a, uint8_t b)
{
    kind %= 14;
    if (kind == 12) {  // the caller's rounding mode, raised flags and unmasked traps
        static const int roundings[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
        static const int exceptions[] = {FE_DIVBYZERO, FE_OVERFLOW, FE_INVALID, FE_UNDERFLOW, FE_INEXACT};
        call.settings = {roundings[a % 4], 0, 0};
        for (int e = 0; e < 5; ++e) {
            if (b & (1 << e)) call.settings.raised |= exceptions[e];
            if (testing::kCanUnmaskTraps && (a & (4 << e))) call.settings.traps |= exceptions[e];
        }
        return;
    }
    if (kind == 13) {
        call.failAllocation = a;
        return;
    }
    if (call.entry == nullptr) {  // nkTofP: two plain numbers
        call.tofP[target % 2] = kind == 3 ? Scaled(a, b) : PaletteValue(b);
        return;
    }
    ArrayPlan& plan = call.arrays[target % call.arrays.size()];
    const unsigned d = b % GuardedArray::kMaxDimensions;
    switch (kind) {
    case 0: case 1: case 2:
        plan.writes.push_back({a, 0, PaletteValue(b)});
        break;
    case 3:
        plan.writes.push_back({b, 0, Scaled(a, b)});
        break;
    case 4:  // every element, or every k-th
        plan.writes.push_back({0, (a & 1) ? 1u : a / 2u + 2, PaletteValue(b)});
        break;
    case 5:
        plan.bounds[d].count = a;
        break;
    case 6:
        plan.bounds[d].count = 16u * a;
        break;
    case 7:  // a huge count in an array that holds nothing
        if (plan.dimensions < 2) break;
        plan.bounds[d % plan.dimensions].count = (a & 1) ? 1u << 28 : UINT32_MAX;
        plan.bounds[(d + 1) % plan.dimensions].count = 0;
        break;
    case 8:
        plan.dimensions = a % (GuardedArray::kMaxDimensions + 1);
        break;
    case 9:
        plan.bounds[d].lowerBound = PaletteLowerBound(a);
        break;
    case 10:
        for (HostArrayBound& bound : plan.bounds) bound.lowerBound = PaletteLowerBound(a);
        break;
    default: {
        static const Presence presences[] = {Presence::NullReference, Presence::NullDescriptor, Presence::NullData};
        plan.presence = a < 3 ? presences[a] : Presence::Present;
        break;
    }
    }
    Cap(plan);
}

CallPlan Decode(const uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const std::vector<CatalogueEntry>& catalogue = Catalogue();
    CallPlan call;
    const std::string_view name = input.Name();
    std::size_t choice = catalogue.size() + 1;
    for (std::size_t k = 0; k < catalogue.size(); ++k) {
        if (name == catalogue[k].name) choice = k;
    }
    if (name == "nkTofP") choice = catalogue.size();
    if (choice > catalogue.size()) choice = input.Byte() % (catalogue.size() + 1);
    if (choice < catalogue.size()) {
        call.entry = &catalogue[choice];
        for (const Parameter& parameter : call.entry->parameters) call.arrays.push_back(PlanOf(parameter.valid));
    }
    for (std::size_t op = 0; op < kMaxOperations && input.remaining() >= 4; ++op) {
        const uint8_t target = input.Byte(), kind = input.Byte(), a = input.Byte(), b = input.Byte();
        Apply(call, target, kind, a, b);
    }
    return call;
}

// A plausible value for a cell the valid call does not have.
double Filler(std::size_t p)
{
    return static_cast<double>((p * 7 + 3) % 5);
}

GuardedArray Build(const ArrayPlan& plan)
{
    const Argument& valid = *plan.valid;
    GuardedArray array(plan.dimensions, plan.bounds, plan.presence, valid.element);
    const bool declared = plan.dimensions == DeclaredDimensions(valid);
    for (std::size_t p = 0; p < array.storedCount(); ++p) array.stored(p) = array.IsUsed(p) ? Filler(p) : kSkippedFill;
    if (declared) {
        for (std::size_t j = 1; j <= std::min(array.cols(), valid.cols); ++j) {
            for (std::size_t i = 1; i <= std::min(array.rows(), valid.rows); ++i) {
                array(i, j) = valid.cells[(j - 1) * valid.rows + i - 1];
            }
        }
    }
    const std::size_t n = array.storedCount();
    for (const Write& write : plan.writes) {
        if (n == 0) break;
        if (write.stride == 0) array.stored(write.position % n) = write.value;
        for (std::size_t p = write.position % n; write.stride != 0 && p < n; p += write.stride) array.stored(p) = write.value;
    }
    return array;
}

// ---- Checks ----

// The call as the host arrays show it before it is made.
std::string DescribeCall(const CallPlan& call)
{
    std::vector<GuardedArray> arrays;
    for (const ArrayPlan& plan : call.arrays) arrays.push_back(Build(plan));
    std::string text;
    char line[160];
    std::snprintf(line, sizeof line, "  caller: rounding %d, raised 0x%x, traps 0x%x, failing allocation %d\n",
                  call.settings.rounding, static_cast<unsigned>(call.settings.raised),
                  static_cast<unsigned>(call.settings.traps), call.failAllocation);
    text += line;
    if (call.entry == nullptr) {
        std::snprintf(line, sizeof line, "  nkTofP(%.17g, %.17g)\n", call.tofP[0], call.tofP[1]);
        return text + line;
    }
    for (std::size_t k = 0; k < arrays.size(); ++k) {
        const ArrayPlan& plan = call.arrays[k];
        std::snprintf(line, sizeof line, "  %s: %u dimensions, presence %d, bounds", call.entry->parameters[k].name,
                      plan.dimensions, static_cast<int>(plan.presence));
        text += line;
        for (unsigned d = 0; d < plan.dimensions; ++d) {
            std::snprintf(line, sizeof line, " {%u, %d}", plan.bounds[d].count, plan.bounds[d].lowerBound);
            text += line;
        }
        text += ", elements";
        for (std::size_t p = 0; p < std::min<std::size_t>(arrays[k].storedCount(), 24); ++p) {
            std::snprintf(line, sizeof line, " %.17g", arrays[k].stored(p));
            text += line;
        }
        text += arrays[k].storedCount() > 24 ? " ...\n" : "\n";
    }
    return text;
}

struct Check {
    const CallPlan& call;
    const std::string exportName;
    const std::vector<GuardedArray>& before;  // the arrays as the call received them

    // A broken rule: print the finding and abort.
    [[noreturn]] void Fail(const std::string& what) const
    {
        std::fprintf(stderr, "\nsheetstat fuzz finding in %s: %s\n%s", exportName.c_str(), what.c_str(),
                     DescribeCall(call).c_str());
        std::abort();
    }
};

void CheckArrays(Check& check, int32_t status, const std::vector<GuardedArray>& arrays)
{
    const CallPlan& call = check.call;
    bool wroteNonFinite = false;
    for (std::size_t k = 0; k < arrays.size(); ++k) {
        const std::string name = call.entry->parameters[k].name;
        const GuardedArray& array = arrays[k];
        const GuardedArray& was = check.before[k];
        if (!array.GuardsIntact()) check.Fail("wrote outside the storage of " + name);
        const bool readable = array.presence() == Presence::Present &&
                              array.dimensions() == DeclaredDimensions(*call.arrays[k].valid);
        for (std::size_t p = 0; p < array.storedCount(); ++p) {
            if (std::bit_cast<uint64_t>(array.stored(p)) == std::bit_cast<uint64_t>(was.stored(p))) continue;
            if (!readable) check.Fail("wrote into " + name + ", which it must reject");
            if (!array.IsUsed(p)) check.Fail("wrote a skipped element of " + name);
            if (call.entry->parameters[k].role == Role::In) check.Fail("wrote into the input " + name);
            wroteNonFinite = wroteNonFinite || !std::isfinite(array.stored(p));
        }
    }
    if (status == kOk && wroteNonFinite) {
        check.Fail("wrote a NaN or an infinity with status 0");
    }
}

bool KnownStatus(int32_t status)
{
    switch (status) {
    case SHEETSTAT_OK: case SHEETSTAT_INSUFFICIENT_DATA: case SHEETSTAT_NUMERICAL_FAILURE: case SHEETSTAT_BAD_ARRAY:
    case SHEETSTAT_CHI_SQUARE_EMPTY_CELL: case SHEETSTAT_NONPOSITIVE_INTERACTION: case SHEETSTAT_NO_MODEL_FITTED:
    case SHEETSTAT_NO_PREDICTOR_LEFT:
        return true;
    default:
        return false;
    }
}

// Runs the call once in the caller's settings; returns the status and the number of
// work-storage allocations it made.
std::pair<int32_t, int32_t> RunOnce(Check& check, std::vector<GuardedArray>& arrays, int32_t failAllocation)
{
    const CallPlan& call = check.call;
    const auto liveBefore = LiveWorkBlocks();
    sheetstatFailAllocationAfter(failAllocation);
    call.settings.Install();
    const FloatingPointState caller = FloatingPointState::Read();
    const int32_t status = call.entry->Call(arrays);
    const FloatingPointState after = FloatingPointState::Read();
    testing::RestoreDefaultEnvironment();
    const int32_t allocations = sheetstatFailAllocationAfter(-1);
    if (!(after == caller)) check.Fail("changed the caller's floating-point environment");
    if (LiveWorkBlocks() != liveBefore) check.Fail("left work storage behind");
    if (!KnownStatus(status) && !(status == kNoMemory && failAllocation >= 0)) {
        check.Fail("returned status " + std::to_string(status));
    }
    CheckArrays(check, status, arrays);
    return {status, allocations};
}

void RunExportCall(const CallPlan& call)
{
    std::vector<GuardedArray> arrays;
    for (const ArrayPlan& plan : call.arrays) arrays.push_back(Build(plan));
    const std::vector<GuardedArray> before = arrays;
    Check check{call, call.entry->name, before};
    const auto [status, allocations] = RunOnce(check, arrays, -1);
    if (call.failAllocation < 0 || call.failAllocation >= allocations) return;
    // The same call with one of the allocations it made failing.
    arrays = before;
    const auto [failedStatus, ignored] = RunOnce(check, arrays, call.failAllocation);
    if (failedStatus != kNoMemory) {
        check.Fail("returned " + std::to_string(failedStatus) + " (not 2) when allocation " +
                       std::to_string(call.failAllocation + 1) + " of " + std::to_string(allocations) + " failed");
    }
}

// nkTofP guards itself: the caller's environment, flags included, exactly as it was.
void RunTofP(const CallPlan& call)
{
    static const std::vector<GuardedArray> none;
    Check check{call, "nkTofP", none};
    call.settings.Install();
    const FloatingPointState caller = FloatingPointState::Read();
    const double t = nkTofP(call.tofP[0], call.tofP[1]);
    const FloatingPointState after = FloatingPointState::Read();
    testing::RestoreDefaultEnvironment();
    if (!(after == caller)) check.Fail("changed the caller's floating-point environment");
    if (!(t == -1 || (t >= 0 && t <= 10))) check.Fail("returned " + std::to_string(t));
}

void WriteSeeds(const char* directory)
{
    std::vector<std::string> names{"nkTofP"};
    for (const CatalogueEntry& entry : Catalogue()) names.push_back(entry.name);
    for (const std::string& name : names) {
        const std::string path = std::string(directory) + "/" + name;
        if (std::FILE* existing = std::fopen(path.c_str(), "rb")) {
            std::fclose(existing);
            continue;
        }
        if (std::FILE* seed = std::fopen(path.c_str(), "wb")) {
            std::fprintf(seed, "%s:", name.c_str());
            std::fclose(seed);
        }
    }
}

}  // namespace
}  // namespace sheetstat::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    using namespace sheetstat::fuzz;
    describe = std::getenv("SHEETSTAT_FUZZ_DESCRIBE") != nullptr;
    if (const char* directory = std::getenv("SHEETSTAT_FUZZ_SEED_DIR")) WriteSeeds(directory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace sheetstat::fuzz;
    const CallPlan call = Decode(data, size);
    if (describe) std::fprintf(stderr, "%s", DescribeCall(call).c_str());
    if (call.entry == nullptr) {
        RunTofP(call);
    } else {
        RunExportCall(call);
    }
    return 0;
}
