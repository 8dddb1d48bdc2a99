// Runs the built corvex tool as a child process and collects what it did.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/log_file.h"

namespace corvex::cli_test {

struct RunResult {
    int status = -1;  // exit status; 128 + signal number when killed; -2 when it had to be stopped
    std::string out;  // standard output (when captured)
    std::string err;  // standard error

    // The lines of standard error (without line ends).
    std::vector<std::string> error_lines() const;
};

// How the child starts, beyond its arguments. By default its environment is
// fixed (the C locale, UTC, an empty registry store, so the tool falls back to
// the library beside it), standard output is captured and signals are as the
// kernel gives them to a new process.
struct RunOptions {
    std::vector<std::string> env;     // "NAME=value" entries added to or replacing the defaults
    std::filesystem::path cwd;        // the child's working folder when not empty
    int stdout_fd = -1;               // given as standard output instead of a capture file
    bool stdout_closed = false;       // standard output closed
    std::optional<unsigned long> file_size_limit;   // RLIMIT_FSIZE, with SIGXFSZ ignored
    bool without_permission_override = false;       // root obeys file permissions (CAP_DAC_* dropped)
    std::chrono::seconds timeout{60};                // stopped (status -2) after this long
};

// Runs `corvex args...` to the end.
RunResult run_corvex(const std::vector<std::string>& args, const std::vector<std::string>& extra_env = {},
                     const std::filesystem::path& cwd = {});
RunResult run_corvex(const std::vector<std::string>& args, const RunOptions& options);

// A corvex process that is still running.
class RunningCorvex {
public:
    RunningCorvex(const std::vector<std::string>& args, const RunOptions& options);
    ~RunningCorvex();
    RunningCorvex(const RunningCorvex&) = delete;
    RunningCorvex& operator=(const RunningCorvex&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    RunResult wait();

private:
    pid_t pid_ = -1;
    int wstatus_ = 0;
    bool reaped_ = false;
    std::chrono::steady_clock::time_point deadline_;
    testing::ScratchDir capture_;
    bool captured_out_ = true;
};

// Whether this process can make a child that obeys file permissions (false
// only for root without the right to drop capabilities).
bool permissions_can_be_enforced();

using corvex::testing::read_file;
using corvex::testing::ScratchDir;
using corvex::testing::write_log;

}  // namespace corvex::cli_test
