// Replaces the global operator new of the test binary with a counting one. Kept
// in its own file so no new-expression is compiled beside the replacement.
#include <atomic>
#include <cstdlib>
#include <new>

#include "allocation_counter.h"

namespace {
std::atomic<long> g_allocations{0};
}

long allocations_so_far() { return g_allocations.load(); }

namespace {
void* counted_allocation(std::size_t size) noexcept {
    ++g_allocations;
    return std::malloc(size ? size : 1);
}
}  // namespace

// Every unaligned form, so each allocation is freed by its own family.
void* operator new(std::size_t size) {
    if (void* p = counted_allocation(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted_allocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted_allocation(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
