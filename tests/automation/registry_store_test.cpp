// The registry store file: text round trip and atomic private writes. Stores
// others can write are refused: tests/automation/registration_test.cpp.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "corvex/platform/registry_store.h"
#include "tests/support/scratch_dir.h"

namespace corvex::platform {
namespace {

namespace fs = std::filesystem;

using TempDir = corvex::testing::ScratchDir;
using corvex::testing::read_file;

TEST(RegistryStore, PrintAndParseRoundTripAwkwardText) {
    RegistryStore store;
    ASSERT_TRUE(store.set_default_value("CLSID\\{A}\\InprocServer32", "/path with spaces/\"q\"\\lib.so"));
    ASSERT_TRUE(store.set_value("CLSID\\{A}\\InprocServer32", "ThreadingModel", "Apartment"));
    ASSERT_TRUE(store.set_value("Odd", "name \"with\" = and \\", "tab\there\nnewline\x01\x7f caf\xC3\xA9"));
    ASSERT_TRUE(store.set_default_value("Empty", ""));
    ASSERT_TRUE(store.create_key("CLSID\\{A}\\Programmable"));

    auto back = RegistryStore::parse(store.print());
    ASSERT_TRUE(back) << back.error().message;
    EXPECT_EQ(back->print(), store.print());
    EXPECT_EQ(back->default_value("clsid\\{a}\\INPROCSERVER32"), "/path with spaces/\"q\"\\lib.so");
    EXPECT_EQ(back->value("Odd", "NAME \"with\" = and \\"), "tab\there\nnewline\x01\x7f caf\xC3\xA9");
    EXPECT_EQ(back->default_value("Empty"), "");
    EXPECT_EQ(back->default_value("CLSID\\{A}\\Programmable"), std::nullopt);
    EXPECT_TRUE(back->has_key("CLSID\\{A}\\Programmable"));
}

TEST(RegistryStore, KeysAreEditedAsATree) {
    RegistryStore store;
    store.set_default_value("A\\B\\C", "c");
    store.set_default_value("A\\B2", "b2");
    EXPECT_EQ(store.subkey_names("A"), (std::vector<std::string>{"B", "B2"}));
    EXPECT_TRUE(store.remove_key("a\\b"));
    EXPECT_FALSE(store.has_key("A\\B\\C"));
    EXPECT_TRUE(store.has_key("A\\B2"));
    EXPECT_FALSE(store.remove_key("A\\B"));
    // Names that cannot be keys are refused, not stored half.
    EXPECT_FALSE(store.create_key(""));
    for (const char* bad : {"A\\\\B", "\\A", "A\\", "A]B", "A\nB"}) {
        EXPECT_FALSE(store.create_key(bad)) << bad;
        EXPECT_FALSE(RegistryStore::is_valid_key_path(bad)) << bad;
    }
    EXPECT_FALSE(store.set_value("A", "", "x"));
}

TEST(RegistryStore, MalformedTextIsRejectedWithItsLine) {
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        {"@=\"x\"\n", "line 1"},
        {"[A]\n\"n\"=\"unterminated\n", "line 2"},
        {"; c\n[A\n", "line 2"},
        {"[A]\n@=\"x\" junk\n", "line 2"},
        {"[A]\n\"\"=\"x\"\n", "line 2"},
        {"[A]\n@=\"bad \\q escape\"\n", "line 2"},
        {"[A]\n@=\"\\x4\"\n", "line 2"},
        {"[A\\\\B]\n", "line 1"},
    };
    for (const auto& c : cases) {
        auto parsed = RegistryStore::parse(c.text);
        ASSERT_FALSE(parsed) << c.text;
        EXPECT_NE(parsed.error().message.find(c.line), std::string::npos) << parsed.error().message;
        EXPECT_EQ(parsed.error().kind, RegistryErrorKind::Malformed);
    }
    auto ok = RegistryStore::parse("; comment\r\n\r\n[A]\r\n  @ = \"x\"  \r\n# other\n");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->default_value("A"), "x");
}

TEST(RegistryStore, SaveIsPrivateAtomicAndLeavesNoTemporaryFiles) {
    TempDir dir;
    const fs::path path = dir.path() / "nested" / "corvex" / "registry";
    RegistryStore store;
    store.set_default_value("K", "v1");
    ASSERT_TRUE(store.save(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(path.parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const ino_t first_inode = (::stat(path.c_str(), &st), st.st_ino);

    // A reader holding the old file keeps reading it whole: the new one replaces it by rename.
    std::ifstream old_reader(path, std::ios::binary);
    store.set_default_value("K", "v2");
    ASSERT_TRUE(store.save(path));
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_NE(st.st_ino, first_inode);
    std::stringstream old_text;
    old_text << old_reader.rdbuf();
    EXPECT_NE(old_text.str().find("v1"), std::string::npos);

    auto loaded = RegistryStore::load(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->default_value("K"), "v2");
    int files = 0;
    for (const auto& entry : fs::directory_iterator(path.parent_path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST(RegistryStore, AMissingFileIsEmptyAndUpdateSavesOnlyWhenAsked) {
    TempDir dir;
    const fs::path path = dir.path() / "registry";
    auto missing = RegistryStore::load(path);
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->empty());
    ASSERT_TRUE(RegistryStore::update(path, [](RegistryStore& s) { return s.set_default_value("A", "1"); }));
    ASSERT_TRUE(RegistryStore::update(path, [](RegistryStore& s) {
        s.set_default_value("A", "2");
        return false;
    }));
    EXPECT_EQ(RegistryStore::load(path)->default_value("A"), "1");
}

// "a\\a\\...": a key `depth` levels below the root.
std::string nested_key(std::size_t depth) {
    std::string path = "a";
    for (std::size_t i = 1; i < depth; ++i) path += "\\a";
    return path;
}

TEST(RegistryStore, KeysNestDownToTheLimitAndNoFurther) {
    const std::string deepest = nested_key(RegistryStore::kMaxKeyDepth);
    RegistryStore store;
    ASSERT_TRUE(store.set_default_value(deepest, "x"));
    EXPECT_FALSE(store.create_key(deepest + "\\a"));
    EXPECT_FALSE(store.set_value(deepest + "\\a", "n", "v"));
    EXPECT_FALSE(store.has_key(deepest + "\\a"));

    TempDir dir;
    const fs::path path = dir.path() / "registry";
    ASSERT_TRUE(store.save(path));
    auto loaded = RegistryStore::load(path);
    ASSERT_TRUE(loaded) << loaded.error().message;
    EXPECT_EQ(loaded->default_value(deepest), "x");
    EXPECT_EQ(loaded->print(), store.print());
}

TEST(RegistryStore, AStoreNestedBeyondTheLimitIsMalformedAndLeftAlone) {
    TempDir dir;
    const fs::path path = dir.path() / "registry";
    // Just beyond the limit, and deep enough to overflow any recursive walk.
    for (std::size_t depth : {RegistryStore::kMaxKeyDepth + 1, std::size_t{400000}}) {
        SCOPED_TRACE(depth);
        const std::string text = "[ok]\n@=\"1\"\n[" + nested_key(depth) + "]\n";
        std::ofstream(path, std::ios::trunc) << text;
        ::chmod(path.c_str(), 0600);
        const std::string why =
            "registry store " + path.string() + " is malformed: line 3: key nested deeper than 512 levels";
        const auto loaded = RegistryStore::load(path);
        ASSERT_FALSE(loaded);
        EXPECT_EQ(loaded.error().kind, RegistryErrorKind::Malformed);
        EXPECT_EQ(loaded.error().message, why);
        const auto updated = RegistryStore::update(path, [](RegistryStore& s) { return s.set_default_value("B", "2"); });
        ASSERT_FALSE(updated);
        EXPECT_EQ(updated.error().message, why);
        EXPECT_EQ(read_file(path), text);
    }
}

TEST(RegistryStore, DefaultPathFollowsTheEnvironment) {
    ::setenv("CORVEX_REGISTRY", "/x/store", 1);
    EXPECT_EQ(RegistryStore::default_path(), fs::path("/x/store"));
    ::unsetenv("CORVEX_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(RegistryStore::default_path(), fs::path("/cfg/corvex/registry"));
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(RegistryStore::default_path(), fs::path("/home/u/.config/corvex/registry"));

    // Lookups read the per-user store, then the system store; a named store alone.
    EXPECT_TRUE(RegistryStore::system_path().is_absolute());
    ::setenv("CORVEX_SYSTEM_REGISTRY", "/sys/store", 1);
    EXPECT_EQ(RegistryStore::lookup_paths(),
              (std::vector<fs::path>{"/home/u/.config/corvex/registry", "/sys/store"}));
    ::setenv("CORVEX_REGISTRY", "/x/store", 1);
    EXPECT_EQ(RegistryStore::lookup_paths(), std::vector<fs::path>{"/x/store"});
    ::unsetenv("CORVEX_REGISTRY");
    ::unsetenv("CORVEX_SYSTEM_REGISTRY");
}

}  // namespace
}  // namespace corvex::platform
