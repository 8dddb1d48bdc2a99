// The viewer program itself: the whole command line after its name is one
// log path, opened at start, byte for byte; picture mode.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <QImage>

#include <gtest/gtest.h>

#include "viewer_test_support.h"

extern char** environ;

namespace corvex::viewer {
namespace {

using StartProcedureTest = testing::ViewerTest;

// Starts the viewer with `args`, and `env` in its environment before the
// test's own; on the offscreen platform.
pid_t spawn_viewer(std::vector<std::string> args, std::vector<std::string> env) {
    args.insert(args.begin(), CORVEX_VIEWER_PROGRAM);
    env.push_back("QT_QPA_PLATFORM=offscreen");
    const auto own = [&](const char* e) {
        return std::any_of(env.begin(), env.end(),
                           [&](const std::string& o) { return std::strncmp(e, o.c_str(), o.find('=') + 1) == 0; });
    };
    for (char** e = environ; *e; ++e)
        if (!own(*e)) env.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t viewer = 0;
    EXPECT_EQ(posix_spawn(&viewer, argv[0], nullptr, nullptr, argv.data(), envp.data()), 0);
    return viewer;
}

// Waits until the viewer ends, for at most `seconds`; ends a viewer still
// running. Answers its wait status, -1 when it had to be ended.
int wait_for(pid_t viewer, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(viewer, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(viewer, SIGKILL);
            waitpid(viewer, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return status;
}

// In picture mode (the README's picture comes from it, scripts/screenshot.sh)
// the program saves its window once the log given on the command line shows,
// and ends: a clean end says the log opened.
TEST_F(StartProcedureTest, OpensTheWholeCommandLineAsOnePathByteForByteAndSavesItsPicture) {
    // A path with a blank reaches the program as two arguments; its names are
    // not UTF-8, as on a memory card written by an old field laptop.
    const std::string folder = (scratch / "site A\xE9").native();
    const std::string log = folder + "/pc flow\xFF.log";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(testing::sample("pc_flow.log"), log);
    const auto blank = log.find(' ');
    const auto picture = scratch / "window.png";
    // The settings file and registry store of the test come with its environment.
    const pid_t viewer = spawn_viewer({log.substr(0, blank), log.substr(blank + 1)},
                                      {"CORVEX_VIEWER_SCREENSHOT=" + picture.native()});
    const int status = wait_for(viewer, 30);
    ASSERT_TRUE(WIFEXITED(status)) << "the viewer did not end";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(QImage(QString::fromStdString(picture.string())).size(), QSize(1280, 860));
    EXPECT_EQ(settings.get("Paths", "oFilePath", ""), folder + "/");
}

}  // namespace
}  // namespace corvex::viewer
