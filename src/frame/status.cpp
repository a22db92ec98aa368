#include "frame/status.hpp"

#include <new>

namespace sheetstat {

void ThrowStatus(Status code)
{
    throw StatusError(code);
}

Status StatusFromException() noexcept
{
    try {
        throw;
    } catch (const StatusError& e) {
        return e.code();
    } catch (const MemoryError&) {
        return Status::NoMemory;
    } catch (const std::bad_alloc&) {
        return Status::NoMemory;
    } catch (...) {
        return Status::Failure;
    }
}

}  // namespace sheetstat
