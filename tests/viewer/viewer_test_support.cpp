#include "viewer_test_support.h"

#include <cstdlib>

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

namespace corvex::viewer::testing {

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
    return true;
}

ViewerTest::ViewerTest()
    : settings_path(scratch / "settings" / "CorvexViewer.ini"), registry_path(scratch / "registry"), settings(settings_path) {
    ::setenv("CORVEX_VIEWER_SETTINGS", settings_path.c_str(), 1);
    ::setenv("CORVEX_REGISTRY", registry_path.c_str(), 1);
    // Workbooks get a fixed creation time: two exports of one log are the same bytes.
    ::setenv("SOURCE_DATE_EPOCH", "1709280000", 1);
}

ViewerTest::~ViewerTest() {
    ::unsetenv("CORVEX_VIEWER_SETTINGS");
    ::unsetenv("CORVEX_REGISTRY");
    ::unsetenv("SOURCE_DATE_EPOCH");
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

logwriter::LogDescription seconds_log(int records, const std::vector<std::pair<const char*, const char*>>& items) {
    constexpr double kDay = 45356.0;  // 2024-03-05
    logwriter::LogDescription desc;
    desc.format = logwriter::Format::Pc;
    desc.error_flags = 0x1000;
    desc.start_time = kDay;
    desc.end_time = kDay + records / 86400.0;
    for (const auto& [label, symbol] : items) {
        logwriter::Channel channel;
        channel.channel = static_cast<std::int16_t>(desc.channels.size() + 1);
        channel.unit_type = 577;
        channel.label = label;
        channel.symbol = symbol;
        desc.channels.push_back(channel);
    }
    desc.records.resize(static_cast<std::size_t>(records));
    for (int r = 0; r < records; ++r) {
        logwriter::Record& record = desc.records[static_cast<std::size_t>(r)];
        record.time = kDay + r / 86400.0;
        record.values.assign(items.size(), 1000.0 - r);
        record.errors.assign(items.size(), 0);
        if (!items.empty()) record.values[0] = r * 0.5;
        if (items.size() > 1 && r % 7 == 3) record.errors[1] = 12;
    }
    desc.trailing_bytes.assign(24, '\0');  // the PC record count leaves out the last 24 bytes
    return desc;
}

SessionFactory faulty_sessions(corvex::testing::LogFaults faults) {
    return [faults]() -> Expected<platform::ComPtr<ILog>, std::string> {
        auto inner = create_log_session();
        if (!inner) return inner;
        return corvex::testing::FaultyLog::wrap(std::move(inner).value(), faults);
    };
}

}  // namespace corvex::viewer::testing
