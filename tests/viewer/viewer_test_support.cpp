#include "viewer_test_support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <QApplication>
#include <QPlainTextEdit>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

namespace corvex::viewer::testing {

namespace {

// One application object for the whole test program.
class QtEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "viewer_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

std::optional<QString> ScriptedDialogs::next_answer() {
    if (answers.empty()) {
        ADD_FAILURE() << "a file dialog opened that the test did not expect";
        return std::nullopt;
    }
    // Taken apart before the pop: copying the optional itself makes g++ 12 at
    // -O2 warn that its string may be used uninitialised (a false positive).
    const bool cancelled = !answers.front().has_value();
    QString text = cancelled ? QString() : *answers.front();
    answers.pop_front();
    if (cancelled) return std::nullopt;
    return std::optional<QString>(std::in_place, std::move(text));
}

std::optional<QString> ScriptedDialogs::open_file(QWidget*, const FileDialogRequest& request) {
    open_requests.push_back(request);
    return next_answer();
}

std::optional<QString> ScriptedDialogs::save_file(QWidget*, const FileDialogRequest& request) {
    save_requests.push_back(request);
    return next_answer();
}

void ScriptedDialogs::message(QWidget*, const QString& text, const QString& title) {
    messages.push_back({text, title});
}

bool ScriptedDialogs::confirm(QWidget*, const QString& text, const QString& title) {
    questions.push_back({text, title});
    if (confirm_answers.empty()) return true;
    const bool yes = confirm_answers.front();
    confirm_answers.pop_front();
    return yes;
}

ViewerTest::ViewerTest()
    : settings_path(scratch / "settings" / "CorvexViewer.ini"), registry_path(scratch / "registry"), settings(settings_path) {
    ::setenv("CORVEX_VIEWER_SETTINGS", settings_path.c_str(), 1);
    ::setenv("CORVEX_REGISTRY", registry_path.c_str(), 1);
}

ViewerTest::~ViewerTest() {
    ::unsetenv("CORVEX_VIEWER_SETTINGS");
    ::unsetenv("CORVEX_REGISTRY");
}

QStringList status_lines(const QWidget& window) {
    const auto* box = window.findChild<QPlainTextEdit*>(QStringLiteral("txtStatus"));
    if (!box) return {};
    QStringList lines = box->toPlainText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

std::filesystem::path sample(const char* name) { return std::filesystem::path(CORVEX_SOURCE_DIR) / "samples" / name; }

void when_dialog_shows(std::function<void()> action) { QTimer::singleShot(0, qApp, std::move(action)); }

bool wait_until(const std::function<bool()>& done, int seconds) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > seconds * 1000) {
            ADD_FAILURE() << "waited " << seconds << " s in vain";
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void wait_for_export(const MainWindow& window) {
    wait_until([&] { return !window.exporting(); });
}

void wait_for_data(const MainWindow& window) {
    wait_until([&] { return window.data_ready(); });
}

}  // namespace corvex::viewer::testing
