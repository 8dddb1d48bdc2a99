// The system-wide registry store: written by `corvex-regsvr --system` so that
// every user can read it, looked up after the per-user store, and not mixed
// with a store that CORVEX_REGISTRY names.
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>

#include "client_support.h"
#include "corvex/platform/activation.h"
#include "corvex/platform/guid_text.h"
#include "tests/support/scratch_dir.h"

namespace corvex::client_test {
namespace {

namespace fs = std::filesystem;
using platform::RegistryStore;

class SystemStore : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("CORVEX_REGISTRY");
        ASSERT_EQ(::setenv("XDG_CONFIG_HOME", (dir / "home").c_str(), 1), 0);
        ASSERT_EQ(::setenv("CORVEX_SYSTEM_REGISTRY", system_store().c_str(), 1), 0);
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("CORVEX_SYSTEM_REGISTRY");
    }

    fs::path system_store() const { return dir / "etc" / "corvex" / "registry"; }
    fs::path user_store() const { return dir / "home" / "corvex" / "registry"; }

    static int regsvr(const std::string& arguments) {
        return std::system((std::string(CORVEX_REGSVR) + " " + arguments + " '" + library_path() + "' >/dev/null").c_str());
    }
    static void point_log_at(const fs::path& store, const std::string& library) {
        ASSERT_TRUE(RegistryStore::update(store, [&](RegistryStore& s) {
            return s.set_default_value("CLSID\\" + platform::format_guid(CLSID_Log) + "\\InprocServer32", library);
        }));
    }

    corvex::testing::ScratchDir dir;
};

mode_t mode_of(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(SystemStore, RegsvrWritesItReadableByEveryoneAndUnregistersToEmptyKeys) {
    ASSERT_EQ(regsvr("--system"), 0);
    EXPECT_EQ(mode_of(system_store()), 0644u);
    EXPECT_EQ(mode_of(system_store().parent_path()), 0755u);
    EXPECT_FALSE(fs::exists(user_store()));
    EXPECT_EQ(RegistryStore::load(system_store())->default_value("Corvex.Log\\CurVer"), "Corvex.Log.1");

    // Unregistering leaves no value behind, only empty keys: the package's
    // removal script takes such a store away.
    ASSERT_EQ(regsvr("--system -u"), 0);
    std::istringstream lines(corvex::testing::read_file(system_store()));
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(line.empty() || (line[0] != '@' && line[0] != '"')) << line;
    // A library that is not there, or none named: a message and a non-zero status.
    const std::string tool = CORVEX_REGSVR;
    EXPECT_NE(std::system((tool + " " + (dir / "missing.so").string() + " 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((tool + " 2>/dev/null").c_str()), 0);
}

TEST_F(SystemStore, IsReadAfterThePerUserStoreWhichWins) {
    const std::string gone = (dir / "gone.so").string();
    const struct {
        const char* what;
        const char* user;    // "" none, "real" or "gone"
        const char* system;  // the same, or "open": real but writable by others
        bool private_store;  // CORVEX_REGISTRY names an empty store
        HRESULT expected;
    } cases[] = {
        {"only the system store", "", "real", false, S_OK},
        {"the user's own registration wins", "gone", "real", false, CO_E_DLLNOTFOUND},
        {"the user's store first", "real", "gone", false, S_OK},
        {"a named store stands alone", "", "real", true, REGDB_E_CLASSNOTREG},
        {"a system store others can write", "", "open", false, E_ACCESSDENIED},
        {"registered nowhere", "", "", false, REGDB_E_CLASSNOTREG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir / "etc");
        fs::remove_all(dir / "home");
        const std::string system = c.system, user = c.user;
        if (system == "real" || system == "open") {
            ASSERT_EQ(regsvr("--system"), 0);
        }
        if (system == "gone") point_log_at(system_store(), gone);
        if (system == "open") {
            ASSERT_EQ(::chmod(system_store().c_str(), 0666), 0);
        }
        if (user == "real") {
            ASSERT_EQ(regsvr(""), 0);
        }
        if (user == "gone") point_log_at(user_store(), gone);
        if (c.private_store) ::setenv("CORVEX_REGISTRY", (dir / "private").c_str(), 1);

        // By class identifier, and by program identifier (which the store
        // that knows it maps to the class, then looked up in the same order).
        ComPtr<ILog> by_clsid, by_prog_id;
        EXPECT_EQ(platform::create_instance(CLSID_Log, IID_ILog, by_clsid.put_void()), c.expected);
        const std::string why = platform::last_activation_error();
        EXPECT_EQ(platform::create_instance("Corvex.Log", IID_ILog, by_prog_id.put_void()), c.expected);
        EXPECT_EQ(by_clsid.get() != nullptr, c.expected == S_OK);
        if (c.expected == REGDB_E_CLASSNOTREG && !c.private_store) {  // the message names both stores
            EXPECT_NE(why.find(user_store().string()), std::string::npos) << why;
            EXPECT_NE(why.find(system_store().string()), std::string::npos) << why;
        }
        ::unsetenv("CORVEX_REGISTRY");
    }
}

}  // namespace
}  // namespace corvex::client_test
