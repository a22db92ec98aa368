#include "frame/work_storage.hpp"

#include <atomic>
#include <cstdlib>

#include "frame/status.hpp"

namespace sheetstat {
namespace {

// Counters of the allocator. They are atomics so that concurrent calls stay safe;
// no result of any analysis depends on them.
std::atomic<std::ptrdiff_t> liveBlocks{0};

#if defined(SHEETSTAT_TEST_HOOKS)
std::atomic<int32_t> allocationsSinceQuery{0};
// Allocations still to succeed before one fails; negative: never fail.
std::atomic<int32_t> allocationsBeforeFailure{-1};

bool InjectedFailure() noexcept
{
    allocationsSinceQuery.fetch_add(1);
    int32_t remaining = allocationsBeforeFailure.load();
    while (remaining >= 0 && !allocationsBeforeFailure.compare_exchange_weak(remaining, remaining - 1)) {
    }
    return remaining == 0;
}
#else
bool InjectedFailure() noexcept { return false; }
#endif

}  // namespace

void* AllocateWork(std::size_t bytes)
{
    if (InjectedFailure()) throw MemoryError();
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) throw MemoryError();
    liveBlocks.fetch_add(1);
    return block;
}

void ReleaseWork(void* block) noexcept
{
    if (block == nullptr) return;
    std::free(block);
    liveBlocks.fetch_sub(1);
}

std::ptrdiff_t LiveWorkBlocks() noexcept
{
    return liveBlocks.load();
}

std::size_t WorkBytes(std::size_t count, std::size_t elementSize)
{
    if (elementSize != 0 && count > SIZE_MAX / elementSize) throw MemoryError();
    return count * elementSize;
}

}  // namespace sheetstat

#if defined(SHEETSTAT_TEST_HOOKS)
extern "C" SHEETSTAT_API int32_t SHEETSTAT_CALL sheetstatFailAllocationAfter(int32_t k)
{
    sheetstat::allocationsBeforeFailure.store(k < 0 ? -1 : k);
    return sheetstat::allocationsSinceQuery.exchange(0);
}
#endif
