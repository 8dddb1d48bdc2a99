#include "tests/export/export_test_support.h"

#include <gtest/gtest.h>
#include <locale.h>

#include "corvex/platform/bstr.h"
#include "logmodule/objects/log.h"

namespace corvex::exporting::testing {

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (previous_) {
        ::setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

bool locale_available(const char* name) {
    locale_t l = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    if (!l) return false;
    freelocale(l);
    return true;
}

std::string read_golden(const std::string& name) {
    const std::filesystem::path path = std::filesystem::path(CORVEX_SOURCE_DIR) / "tests/export/golden" / name;
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    return read_file(path);
}

platform::ComPtr<ILog> open_log(const std::filesystem::path& path, const logwriter::LogDescription& desc) {
    logwriter::write_log(path, desc);
    platform::ComPtr<ILog> log(objects::Log::make());
    std::int32_t result = -1;
    const platform::Bstr name = platform::Bstr::from_utf8(path.string());
    EXPECT_EQ(log->Open(name.get(), &result), S_OK);
    EXPECT_EQ(result, 0) << "not a readable log: " << path;
    return log;
}

}  // namespace corvex::exporting::testing
