// Runs the built corvex tool as a child process and collects what it did.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/scratch_dir.h"
#include "tools/logwriter/log_writer.h"

namespace corvex::cli_test {

struct RunResult {
    int status = -1;  // exit status; 128 + signal number when killed
    std::string out;  // standard output
    std::string err;  // standard error

    // The lines of standard error (without line ends).
    std::vector<std::string> error_lines() const;
};

// Runs `corvex args...` with a fixed environment: the C locale, UTC, and an
// empty registry store, so the tool falls back to the library beside it.
// `extra_env` entries ("NAME=value") are added or replace the defaults; a
// non-empty `cwd` is the child's working folder.
RunResult run_corvex(const std::vector<std::string>& args, const std::vector<std::string>& extra_env = {},
                     const std::filesystem::path& cwd = {});

// A fresh folder for one test, removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Writes the log to `name` in the folder and answers its path.
    std::string write_log(const std::string& name, const logwriter::LogDescription& desc) const;
    std::string write_bytes(const std::string& name, const std::string& bytes) const;
    // The names of the entries in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path path_;
};

using corvex::testing::read_file;

}  // namespace corvex::cli_test
