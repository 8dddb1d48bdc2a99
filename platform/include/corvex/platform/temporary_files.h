// Temporary files that must not outlive an interrupted process.
//
// While a TemporaryFile registration lives, the file named by it is removed
// when the process is ended by SIGINT, SIGTERM or SIGHUP (once the program has
// called guard_program, program_guards.h). The signal handler only calls
// unlink on names kept in a fixed table, which is safe inside a handler.
#pragma once

#include <string_view>

namespace corvex::platform {

class TemporaryFileRegistration {
public:
    TemporaryFileRegistration() noexcept = default;
    // Registers `path`; a path that does not fit the table's slots, or a full
    // table, leaves the file unregistered (it is still removed on every normal
    // path out; only an interrupting signal would leave it).
    explicit TemporaryFileRegistration(std::string_view path) noexcept;
    TemporaryFileRegistration(TemporaryFileRegistration&& other) noexcept;
    TemporaryFileRegistration& operator=(TemporaryFileRegistration&& other) noexcept;
    TemporaryFileRegistration(const TemporaryFileRegistration&) = delete;
    TemporaryFileRegistration& operator=(const TemporaryFileRegistration&) = delete;
    ~TemporaryFileRegistration() { release(); }

    // Forgets the file (it was renamed into place or removed).
    void release() noexcept;

private:
    int slot_ = -1;
};

// Removes every registered file now; what the signal handler calls.
void remove_registered_temporary_files() noexcept;

}  // namespace corvex::platform
