// Shared helpers of the viewer tests: the application object, scratch
// folders with their own settings file and registry store, dialogs answered
// from a script, access to the window's controls by name, logs written for a
// test, and sessions with faults.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include "tests/support/faulty_log.h"
#include "tests/support/scratch_dir.h"
#include "tools/logwriter/log_writer.h"
#include "viewer/log_module.h"
#include "viewer/main_window.h"
#include "viewer/settings_store.h"
#include "viewer/user_dialogs.h"

namespace corvex::viewer::testing {

using corvex::testing::ScratchDir;
using corvex::testing::read_file;

// Dialogs that answer from a script and remember what they were asked.
class ScriptedDialogs final : public UserDialogs {
public:
    struct Message {
        QString text;
        QString title;
    };

    std::deque<std::optional<QString>> answers;   // next file dialog answers; nullopt = cancel
    std::vector<FileDialogRequest> open_requests;
    std::vector<FileDialogRequest> save_requests;
    std::vector<Message> messages;
    std::vector<Message> questions;  // each answered Yes

    std::optional<QString> open_file(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> save_file(QWidget* parent, const FileDialogRequest& request) override;
    void message(QWidget* parent, const QString& text, const QString& title) override;
    bool confirm(QWidget* parent, const QString& text, const QString& title) override;

private:
    std::optional<QString> next_answer();
};

// Each test gets its own scratch folder holding its settings file and an
// empty registry store, so the log module comes from beside the test binary.
class ViewerTest : public ::testing::Test {
protected:
    ViewerTest();
    ~ViewerTest() override;

    ScratchDir scratch;
    std::filesystem::path settings_path;
    std::filesystem::path registry_path;
    SettingsStore settings;
    ScriptedDialogs dialogs;

    // A main window on this test's settings and dialogs, after its load.
    std::unique_ptr<MainWindow> make_window() { return std::make_unique<MainWindow>(settings, dialogs); }
    // Writes the log into the scratch folder.
    std::filesystem::path write_log(const char* name, const logwriter::LogDescription& desc) {
        logwriter::write_log(scratch / name, desc);
        return scratch / name;
    }
};

// A PC log with detailed errors of `records` records one second apart from
// 2024-03-05 00:00:00, one item of unit type 577 per (label, symbol): record r
// holds r * 0.5 on the first item and 1000 - r on the others, and an error
// word 12 on the second item of every seventh record from the fourth.
logwriter::LogDescription seconds_log(int records, const std::vector<std::pair<const char*, const char*>>& items = {
                                                       {"Flow", "m/s"}, {"Level", ""}});

// Makes sessions around real ones with the given faults.
SessionFactory faulty_sessions(corvex::testing::LogFaults faults);

// A child of `parent` by object name; fails the test when missing.
template <class W>
W* child(const QObject& parent, const char* name) {
    W* w = parent.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << "no child named " << name;
    return w;
}

// The lines of the status box, without the empty one after the last line end.
QStringList status_lines(const QWidget& window);

std::filesystem::path sample(const char* name);

// Runs `action` as soon as the modal dialog that the next statement opens is
// showing: the dialog's event loop calls it.
void when_dialog_shows(std::function<void()> action);

// Runs the event loop until `done` holds; fails the test after `seconds`.
bool wait_until(const std::function<bool()>& done, int seconds = 20);
// Until the export that the window runs has ended.
void wait_for_export(const MainWindow& window);
// Until the window has read its log and shows the statistics of its range.
void wait_for_data(const MainWindow& window);

}  // namespace corvex::viewer::testing
