// The library a program falls back to: libCorvex.so beside it (a build tree),
// else the installed module reached from the program's folder.
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

namespace corvex::platform {
namespace {

namespace fs = std::filesystem;

std::string output_of(const fs::path& program) {
    std::string out;
    if (FILE* pipe = ::popen(("'" + program.string() + "'").c_str(), "r")) {
        char buf[4096];
        while (std::fgets(buf, sizeof buf, pipe)) out += buf;
        EXPECT_EQ(::pclose(pipe), 0);
    }
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

TEST(ModuleObjects, FallbackLibraryIsBesideTheProgramElseInstalled) {
    const struct {
        const char* what;
        bool beside, installed;
        bool expect_installed;
    } cases[] = {
        {"a build tree", true, false, false},
        {"an installation", false, true, true},
        {"both: the one beside wins", true, true, false},
        {"neither: named beside, for the message", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const corvex::testing::ScratchDir prefix;
        const fs::path bin = prefix / "bin";
        const fs::path installed = (bin / CORVEX_INSTALLED_MODULE).lexically_normal();
        fs::create_directories(bin);
        fs::create_directories(installed.parent_path());
        fs::copy_file(CORVEX_MODULE_PATH_PROBE, bin / "probe");
        if (c.beside) std::ofstream(bin / "libCorvex.so") << "";
        if (c.installed) std::ofstream(installed) << "";
        EXPECT_EQ(output_of(bin / "probe"), (c.expect_installed ? installed : bin / "libCorvex.so").string());
    }
}

}  // namespace
}  // namespace corvex::platform
