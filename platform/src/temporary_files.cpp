#include "corvex/platform/temporary_files.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <utility>

namespace corvex::platform {

namespace {

// Slot states. A slot is taken (Filling) before its name is copied and marked
// Live afterwards, so the handler never reads a name being written.
enum : int { kFree = 0, kFilling = 1, kLive = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

// Enough for every output a process writes at once (several exports in
// parallel, each with a staging file), with room to spare.
constexpr int kSlots = 64;
std::array<Slot, kSlots> slots;

}  // namespace

TemporaryFileRegistration::TemporaryFileRegistration(std::string_view path) noexcept {
    if (path.empty() || path.size() >= PATH_MAX) return;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[static_cast<std::size_t>(i)].state.compare_exchange_strong(expected, kFilling)) continue;
        Slot& slot = slots[static_cast<std::size_t>(i)];
        std::memcpy(slot.path, path.data(), path.size());
        slot.path[path.size()] = '\0';
        slot.state.store(kLive, std::memory_order_release);
        slot_ = i;
        return;
    }
}

TemporaryFileRegistration::TemporaryFileRegistration(TemporaryFileRegistration&& other) noexcept
    : slot_(std::exchange(other.slot_, -1)) {}

TemporaryFileRegistration& TemporaryFileRegistration::operator=(TemporaryFileRegistration&& other) noexcept {
    if (this != &other) {
        release();
        slot_ = std::exchange(other.slot_, -1);
    }
    return *this;
}

void TemporaryFileRegistration::release() noexcept {
    if (slot_ < 0) return;
    slots[static_cast<std::size_t>(slot_)].state.store(kFree, std::memory_order_release);
    slot_ = -1;
}

void remove_registered_temporary_files() noexcept {
    for (Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == kLive) ::unlink(slot.path);
}

}  // namespace corvex::platform
