// The viewer program itself: the whole command line after its name is one
// log path, opened at start.
#include <chrono>
#include <thread>

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include "viewer_test_support.h"

namespace corvex::viewer {
namespace {

using StartProcedureTest = testing::ViewerTest;

TEST_F(StartProcedureTest, OpensTheWholeCommandLineAsOnePath) {
    // A path with a blank reaches the program as two arguments.
    const auto log = scratch / "site A" / "pc flow.log";
    std::filesystem::create_directories(log.parent_path());
    std::filesystem::copy_file(testing::sample("pc_flow.log"), log);
    const std::string text = log.string();
    const auto blank = text.find(' ');

    QProcess viewer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CORVEX_VIEWER_SETTINGS", QString::fromStdString(settings_path.string()));
    env.insert("CORVEX_REGISTRY", QString::fromStdString(registry_path.string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    viewer.setProcessEnvironment(env);
    viewer.setProcessChannelMode(QProcess::ForwardedChannels);
    viewer.start(CORVEX_VIEWER_PROGRAM, {QString::fromStdString(text.substr(0, blank)),
                                         QString::fromStdString(text.substr(blank + 1))});
    ASSERT_TRUE(viewer.waitForStarted(10'000));

    // The folder of a log that opened is remembered at once.
    std::string remembered;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (remembered.empty() && std::chrono::steady_clock::now() < deadline &&
           viewer.state() == QProcess::Running) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        remembered = settings.get("Paths", "oFilePath", "");
    }
    viewer.kill();
    viewer.waitForFinished(10'000);
    EXPECT_EQ(remembered, log.parent_path().string() + "/");
}

}  // namespace
}  // namespace corvex::viewer
