#include "corvex/platform/module.h"

#include <atomic>

namespace corvex::platform::module {
namespace {
std::atomic<std::int64_t> g_objects{0};
std::atomic<std::int64_t> g_locks{0};
}  // namespace

void object_created() noexcept { g_objects.fetch_add(1, std::memory_order_relaxed); }
void object_destroyed() noexcept { g_objects.fetch_sub(1, std::memory_order_relaxed); }
void lock() noexcept { g_locks.fetch_add(1, std::memory_order_relaxed); }
void unlock() noexcept { g_locks.fetch_sub(1, std::memory_order_relaxed); }
std::int64_t live_objects() noexcept { return g_objects.load(std::memory_order_relaxed); }
std::int64_t locks() noexcept { return g_locks.load(std::memory_order_relaxed); }
bool can_unload() noexcept { return live_objects() == 0 && locks() == 0; }

}  // namespace corvex::platform::module
