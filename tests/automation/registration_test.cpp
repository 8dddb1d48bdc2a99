// Registration writes exactly the published keys and removes exactly them;
// the registry store refuses to be used when others can write it.
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <optional>

#include "client_support.h"
#include "corvex/platform/activation.h"
#include "corvex/platform/guid_text.h"

namespace corvex::client_test {
namespace {

using platform::format_guid;
using platform::RegistryStore;

struct KeyContent {
    std::optional<std::string> default_value;
    std::map<std::string, std::string> values;
    bool operator==(const KeyContent&) const = default;
};
using Tree = std::map<std::string, KeyContent>;

void flatten(const RegistryStore::Key& key, const std::string& path, Tree& out) {
    if (!path.empty()) {
        KeyContent& c = out[path];
        c.default_value = key.default_value;
        for (const auto& [name, value] : key.values) c.values[name] = value;
    }
    for (const auto& [name, sub] : key.subkeys) flatten(sub, path.empty() ? name : path + '\\' + name, out);
}

Tree tree_of(const RegistryStore& store) {
    Tree t;
    flatten(store.root(), {}, t);
    return t;
}

// Everything registration is expected to write, written out from the published tables.
Tree expected_tree(const std::string& library) {
    const std::string libid = format_guid(LIBID_CORVEXLib);
    Tree t;
    t["CLSID"] = {};
    for (const PublishedClass& c : kPublishedClasses) {
        const std::string prog = std::string("Corvex.") + c.name + ".1";
        const std::string vi = std::string("Corvex.") + c.name;
        const std::string description = std::string(c.name) + " Class";
        const std::string clsid = format_guid(c.clsid);
        t[prog] = {description, {}};
        t[prog + "\\CLSID"] = {clsid, {}};
        t[vi] = {description, {}};
        t[vi + "\\CLSID"] = {clsid, {}};
        t[vi + "\\CurVer"] = {prog, {}};
        const std::string key = "CLSID\\" + clsid;
        t[key] = {description, {}};
        t[key + "\\ProgID"] = {prog, {}};
        t[key + "\\VersionIndependentProgID"] = {vi, {}};
        t[key + "\\Programmable"] = {};
        t[key + "\\InprocServer32"] = {library, {{"ThreadingModel", "Apartment"}}};
        t[key + "\\TypeLib"] = {libid, {}};
    }
    const std::string lib = "TypeLib\\" + libid;
    t["TypeLib"] = {};
    t[lib] = {};
    t[lib + "\\1.0"] = {"Corvex 1.0 Type Library", {}};
    t[lib + "\\1.0\\0"] = {};
    t[lib + "\\1.0\\0\\linux64"] = {library, {}};
    t[lib + "\\1.0\\FLAGS"] = {"0", {}};
    t[lib + "\\1.0\\HELPDIR"] = {std::filesystem::path(library).parent_path().string(), {}};
    t["Interface"] = {};
    for (const PublishedClass& c : kPublishedClasses) {
        const std::string key = "Interface\\" + format_guid(c.iid);
        t[key] = {std::string("I") + c.name, {}};
        t[key + "\\ProxyStubClsid"] = {"{00020424-0000-0000-C000-000000000046}", {}};
        t[key + "\\ProxyStubClsid32"] = {"{00020424-0000-0000-C000-000000000046}", {}};
        t[key + "\\TypeLib"] = {libid, {{"Version", "1.0"}}};
    }
    return t;
}

using Registration = ClientTest;

TEST_F(Registration, WritesExactlyThePublishedKeysAndValues) {
    const std::string library = std::filesystem::canonical(library_path()).string();
    const Tree actual = tree_of(read_store());
    const Tree expected = expected_tree(library);
    for (const auto& [path, content] : expected) {
        auto it = actual.find(path);
        ASSERT_NE(it, actual.end()) << "missing key " << path;
        EXPECT_EQ(it->second, content) << "key " << path;
    }
    for (const auto& entry : actual) EXPECT_TRUE(expected.count(entry.first)) << "unexpected key " << entry.first;

    struct stat st {};
    ASSERT_EQ(::stat(store_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(Registration, UnregisterRemovesOnlyOurKeysAndKeepsTheRoots) {
    // Keys of other programs, some under the same roots.
    ASSERT_TRUE(RegistryStore::update(store_path(), [](RegistryStore& s) {
        s.set_default_value("CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32", "/opt/other.so");
        s.set_default_value("Interface\\{00000000-1111-2222-3333-555555555555}\\TypeLib",
                            "{00000000-1111-2222-3333-666666666666}");
        s.set_default_value(".log", "LogFile");
        return true;
    }));
    ASSERT_EQ(entry_points().unregister_server(), S_OK);
    const Tree left = tree_of(read_store());
    const Tree expected = {
        {"CLSID", {}},
        {"CLSID\\{00000000-1111-2222-3333-444444444444}", {}},
        {"CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32", {"/opt/other.so", {}}},
        {"Interface", {}},
        {"Interface\\{00000000-1111-2222-3333-555555555555}", {}},
        {"Interface\\{00000000-1111-2222-3333-555555555555}\\TypeLib", {"{00000000-1111-2222-3333-666666666666}", {}}},
        {"TypeLib", {}},
        {".log", {"LogFile", {}}},
    };
    EXPECT_EQ(left, expected);

    // Unregistering twice is harmless; registering again restores everything.
    EXPECT_EQ(entry_points().unregister_server(), S_OK);
    ASSERT_EQ(entry_points().register_server(), S_OK);
    const Tree again = tree_of(read_store());
    for (const auto& entry : expected_tree(std::filesystem::canonical(library_path()).string()))
        EXPECT_TRUE(again.count(entry.first)) << entry.first;
}

TEST_F(Registration, ReregisteringRewritesTheClassKeyWhole) {
    const std::string key = "CLSID\\" + format_guid(CLSID_Log);
    ASSERT_TRUE(RegistryStore::update(store_path(), [&](RegistryStore& s) {
        s.set_default_value(key + "\\LocalServer32", "/tmp/stale");
        s.set_value(key + "\\Programmable", "Stale", "1");
        return true;
    }));
    ASSERT_EQ(entry_points().register_server(), S_OK);
    const RegistryStore store = read_store();
    EXPECT_FALSE(store.has_key(key + "\\LocalServer32"));
    EXPECT_FALSE(store.value(key + "\\Programmable", "Stale"));
    EXPECT_TRUE(store.has_key(key + "\\Programmable"));
}

TEST_F(Registration, StoreThatOthersCanWriteIsRefused) {
    const std::string before = corvex::testing::read_file(store_path());
    for (mode_t mode : {0666, 0620, 0602}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(store_path().c_str(), mode), 0);
        ComPtr<ILog> log;
        EXPECT_EQ(platform::create_instance(CLSID_Log, IID_ILog, log.put_void()), E_ACCESSDENIED);
        EXPECT_EQ(platform::create_instance("Corvex.Log", IID_ILog, log.put_void()), E_ACCESSDENIED);
        EXPECT_FALSE(log);
        EXPECT_EQ(entry_points().register_server(), E_ACCESSDENIED);
        EXPECT_EQ(entry_points().unregister_server(), E_ACCESSDENIED);
        EXPECT_EQ(corvex::testing::read_file(store_path()), before);
    }
    ASSERT_EQ(::chmod(store_path().c_str(), 0600), 0);
    ComPtr<ILog> log;
    EXPECT_EQ(platform::create_instance(CLSID_Log, IID_ILog, log.put_void()), S_OK);
}

TEST_F(Registration, FolderThatEveryoneCanWriteIsRefused) {
    const std::filesystem::path open_dir = dir() / "open";
    std::filesystem::create_directory(open_dir);
    ASSERT_EQ(::chmod(open_dir.c_str(), 0777), 0);
    ASSERT_EQ(::setenv("CORVEX_REGISTRY", (open_dir / "registry").c_str(), 1), 0);
    EXPECT_EQ(entry_points().register_server(), E_ACCESSDENIED);
    EXPECT_FALSE(std::filesystem::exists(open_dir / "registry"));
}

TEST_F(Registration, MalformedStoreIsReportedAndLeftAlone) {
    const std::string garbage = "[CLSID\n@=\"unterminated\n";
    std::ofstream(store_path(), std::ios::binary | std::ios::trunc) << garbage;
    EXPECT_EQ(entry_points().register_server(), REGDB_E_READREGDB);
    EXPECT_EQ(corvex::testing::read_file(store_path()), garbage);
    ComPtr<ILog> log;
    EXPECT_EQ(platform::create_instance("Corvex.Log", IID_ILog, log.put_void()), REGDB_E_READREGDB);
    EXPECT_FALSE(platform::last_activation_error().empty());
}

}  // namespace
}  // namespace corvex::client_test
