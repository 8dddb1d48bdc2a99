// Module-wide counts of live objects and server locks, for DllCanUnloadNow.
// Class factories cached by the module are not counted.
#pragma once

#include <cstdint>

namespace corvex::platform::module {

void object_created() noexcept;
void object_destroyed() noexcept;
void lock() noexcept;
void unlock() noexcept;
std::int64_t live_objects() noexcept;
std::int64_t locks() noexcept;
// True when no object is alive and no lock is held.
bool can_unload() noexcept;

}  // namespace corvex::platform::module
