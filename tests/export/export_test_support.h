// Shared helpers of the export tests: environment overrides, scratch folders,
// logs written with the log writer and opened through Log.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "tests/support/scratch_dir.h"
#include "tools/logwriter/log_writer.h"

namespace corvex::exporting::testing {

// Sets (or, with nullopt, removes) an environment variable for a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Runs under the given locale for every category the exporters read, in
// whatever environment the test binary was started.
class ScopedLocaleEnv {
public:
    explicit ScopedLocaleEnv(const std::string& locale) : all_("LC_ALL", locale) {}

private:
    ScopedEnv all_;
};

// True when the C library has the locale (tests that need one fail without it).
bool locale_available(const char* name);

using corvex::testing::ScratchDir;
using corvex::testing::read_file;

std::string read_golden(const std::string& name);

// Writes the log and opens it through a new Log; fails the test when it does
// not open.
platform::ComPtr<ILog> open_log(const std::filesystem::path& path, const logwriter::LogDescription& desc);

// Log times of whole and fractional days for readable fixtures.
constexpr double kDay20240301 = 45352.0;  // 2024-03-01

}  // namespace corvex::exporting::testing
