// The main window: its load, opening logs, the fields, flags and unit list,
// and what a failed open leaves behind.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include "viewer_test_support.h"

namespace corvex::viewer {
namespace {

using testing::child;
using testing::sample;
using testing::status_lines;

QString text_of(const QWidget& window, const char* name) {
    if (auto* box = window.findChild<QLineEdit*>(QString::fromLatin1(name))) return box->text();
    if (auto* label = window.findChild<QLabel*>(QString::fromLatin1(name))) return label->text();
    ADD_FAILURE() << "no text control " << name;
    return {};
}

QStringList unit_entries(const QWidget& window) {
    QStringList entries;
    auto* list = child<QListWidget>(window, "lstUnits");
    for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
    return entries;
}

int selected_units(const QWidget& window) {
    return static_cast<int>(child<QListWidget>(window, "lstUnits")->selectedItems().size());
}

bool export_controls_enabled(const QWidget& window) {
    const bool button = child<QPushButton>(window, "cmdExport")->isEnabled();
    EXPECT_EQ(child<QPushButton>(window, "cmdSelectAllUnits")->isEnabled(), button);
    EXPECT_EQ(child<QCheckBox>(window, "chkIncludeErrors")->isEnabled(), button);
    EXPECT_EQ(child<QCheckBox>(window, "chkIncludeLogInfo")->isEnabled(), button);
    EXPECT_EQ(child<QComboBox>(window, "cmbExportFormat")->isEnabled(), button);
    EXPECT_EQ(child<QMenu>(window, "mnuFileExport")->menuAction()->isEnabled(), button);
    return button;
}

using MainWindowTest = testing::ViewerTest;

// Hand-edited values that are no option give the defaults.
TEST_F(MainWindowTest, StartsWithTheStoredExportOptionsOrTheDefaults) {
    struct Case {
        const char* errors;  // stored values; nullptr: none
        const char* log_info;
        const char* format;
        Qt::CheckState want_errors, want_log_info;
        int want_format;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, Qt::Checked, Qt::Checked, 0},
        {"2", "0", "-1", Qt::PartiallyChecked, Qt::Unchecked, -1},
        {"yes", "7", "5", Qt::Checked, Qt::Checked, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format ? c.format : "none stored");
        if (c.errors) {
            ASSERT_TRUE(settings.set("ExportOptions", "IncludeErrors", c.errors));
            ASSERT_TRUE(settings.set("ExportOptions", "IncludeLogInfo", c.log_info));
            ASSERT_TRUE(settings.set("ExportOptions", "ExportFormat", c.format));
        }
        auto window = make_window();
        EXPECT_EQ(child<QCheckBox>(*window, "chkIncludeErrors")->checkState(), c.want_errors);
        EXPECT_EQ(child<QCheckBox>(*window, "chkIncludeLogInfo")->checkState(), c.want_log_info);
        EXPECT_EQ(child<QComboBox>(*window, "cmbExportFormat")->currentIndex(), c.want_format);
        EXPECT_EQ(window->selected_format_index(), c.want_format);
    }
}

// The open dialog starts beside the program, later in the folder of the last
// log; a cancelled dialog changes nothing and writes no settings.
TEST_F(MainWindowTest, OpenDialogStartsBesideTheProgramThenWhereTheLastLogWas) {
    auto window = make_window();
    EXPECT_FALSE(export_controls_enabled(*window));
    const QString first = QString::fromStdString(write_log("first.log", testing::seconds_log(3)).string());
    dialogs.answers = {std::nullopt, first, std::nullopt};
    auto* open = child<QAction>(*window, "mnuFileOpen");
    open->trigger();
    EXPECT_TRUE(status_lines(*window).isEmpty());
    EXPECT_FALSE(std::filesystem::exists(settings_path));
    open->trigger();
    open->trigger();
    ASSERT_EQ(dialogs.open_requests.size(), 3u);
    EXPECT_EQ(dialogs.open_requests[0].folder, QCoreApplication::applicationDirPath());
    EXPECT_EQ(dialogs.open_requests[2].folder.toStdString(), scratch.path().string() + "/");
    EXPECT_EQ(window->file_name(), first);

    // Selecting all units again after the user changed the selection.
    child<QListWidget>(*window, "lstUnits")->clearSelection();
    child<QPushButton>(*window, "cmdSelectAllUnits")->click();
    EXPECT_EQ(selected_units(*window), 2);
}

// The samples, a written log with units without a symbol, and one without
// items: an empty list, yet the export controls come on.
TEST_F(MainWindowTest, OpeningALogFillsTheWindow) {
    logwriter::LogDescription cyclic = testing::seconds_log(3, {{"VEL", "m/s"}, {"Flow", ""}});
    cyclic.cyclic_flags = 1;
    logwriter::LogDescription no_items = testing::seconds_log(3, {});
    no_items.error_flags = 0;
    struct Case {
        std::filesystem::path log;
        const char* start;
        const char* end;
        const char* interval;
        const char* records;
        const char* flags;
        QStringList units;
    };
    // Meter logs name their channels from the unit-type table.
    const QStringList meter_units = {"Velocity(m/s)", QString::fromUtf8("Volume(m\u00B3/h)"),
                                     QString::fromUtf8("(+)Total(m\u00B3)"), QString::fromUtf8("Delta(\u00B0C)")};
    const Case cases[] = {
        {sample("pc_flow.log"), "2024-03-05 08:00:00", "2024-03-05 12:59:00", "60", "299", "Detailed Errors",
         {"Velocity(m/s)", "Volume(m3/h)", "(+)Total(m3)", QString::fromUtf8("Temp(\u00B0C)")}},
        {sample("meter_flow.log"), "2024-03-05 08:00:00", "2024-03-05 10:29:30", "30", "300", "Detailed Errors",
         meter_units},
        {sample("compact_flow.log"), "2024-03-05 08:00:00", "2024-03-05 16:18:00", "120", "250",
         "Basic Errors\nCyclic Log", meter_units},
        {write_log("detailed_cyclic.log", cyclic), "2024-03-05", "2024-03-05 00:00:03", "1", "3",
         "Detailed Errors\nCyclic Log", {"VEL(m/s)", "Flow"}},
        {write_log("no_items.log", no_items), "2024-03-05", "2024-03-05 00:00:03", "1", "3", "", {}},
    };
    auto window = make_window();
    int opened = 0;
    for (const Case& c : cases) {
        const QString title = QString::fromStdString(c.log.filename().string());
        SCOPED_TRACE(title.toStdString());
        const QString path = QFile::decodeName(c.log.string().c_str());
        window->open_file(path);
        ++opened;
        EXPECT_EQ(window->windowTitle(), "Corvex Viewer - " + title);
        EXPECT_EQ(status_lines(*window).size(), opened);
        EXPECT_EQ(status_lines(*window).back(), "Opened Log File '" + title + "'");
        EXPECT_EQ(text_of(*window, "txtFileName"), title);
        EXPECT_EQ(child<QLineEdit>(*window, "txtFileName")->toolTip(), path);
        EXPECT_EQ(text_of(*window, "txtStartTime"), c.start);
        EXPECT_EQ(text_of(*window, "txtEndTime"), c.end);
        EXPECT_EQ(text_of(*window, "txtInterval"), c.interval);
        EXPECT_EQ(text_of(*window, "txtRecords"), c.records);
        EXPECT_EQ(text_of(*window, "lblLogFlags"), c.flags);
        const QStringList units = unit_entries(*window);
        EXPECT_EQ(units, c.units);
        EXPECT_EQ(selected_units(*window), units.size());
        EXPECT_TRUE(export_controls_enabled(*window));
        EXPECT_EQ(settings.get("Paths", "oFilePath", "none"), c.log.parent_path().string() + "/");
    }
}

TEST_F(MainWindowTest, FailedOpenKeepsThePreviousLogAndSaysSo) {
    auto window = make_window();
    const QString good = QString::fromStdString(sample("pc_flow.log").string());
    window->open_file(good);
    ILog* session = window->log();
    ASSERT_NE(session, nullptr);

    const QString missing = QString::fromStdString((scratch / "missing.log").string());
    window->open_file(missing);
    window->open_file(QString::fromStdString(scratch.write("notes.log", "just some text, not a log")));

    // The module's reason, as `corvex info` gives it.
    EXPECT_EQ(status_lines(*window),
              (QStringList{"Opened Log File 'pc_flow.log'",
                           "ERROR: Log File 'missing.log' failed to open: cannot open: No such file or directory",
                           "ERROR: Log File 'notes.log' failed to open: not a readable log: PC log (first bytes 6A 75): "
                           "file is 25 bytes, a PC log needs at least 1272 (header, item table and one record)"}));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(window->log(), session);
    EXPECT_EQ(window->file_name(), good);
    EXPECT_EQ(window->windowTitle(), "Corvex Viewer - pc_flow.log");
    EXPECT_EQ(text_of(*window, "txtFileName"), "pc_flow.log");
    EXPECT_EQ(text_of(*window, "txtRecords"), "299");
    EXPECT_EQ(unit_entries(*window).size(), 4);
    EXPECT_TRUE(export_controls_enabled(*window));
    EXPECT_EQ(settings.get("Paths", "oFilePath", ""), sample("").string());

    // A log module that cannot be loaded at all is named too.
    window->set_session_factory([]() -> Expected<platform::ComPtr<ILog>, std::string> {
        return Unexpected{std::string("cannot create Corvex.Log (no library)")};
    });
    window->open_file(good);
    EXPECT_EQ(status_lines(*window).mid(3),
              (QStringList{"ERROR: Log File 'pc_flow.log' failed to open: cannot create Corvex.Log (no library)"}));
    EXPECT_EQ(window->log(), session);

    // The window still exports the log it shows.
    const auto out = scratch / "after_failed_open.csv";
    dialogs.answers.push_back(QString::fromStdString(out.string()));
    child<QPushButton>(*window, "cmdExport")->click();
    testing::wait_for_export(*window);
    EXPECT_EQ(status_lines(*window).back(), QString::fromStdString("Exported '" + out.string() + "' as CSV file"));
    EXPECT_NE(testing::read_file(out).find("File Title: ,pc_flow.log\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, LogInformationThatCannotBeReadClearsTheWindow) {
    auto window = make_window();
    window->open_file(QString::fromStdString(sample("pc_flow.log").string()));
    corvex::testing::LogFaults no_info;
    no_info.no_log_info = true;
    window->set_session_factory(testing::faulty_sessions(no_info));
    window->open_file(QString::fromStdString(sample("compact_flow.log").string()));

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Error loading log file!");
    EXPECT_EQ(dialogs.messages[0].title, "Corvex Viewer");
    EXPECT_EQ(status_lines(*window), (QStringList{"Opened Log File 'pc_flow.log'", "Opened Log File 'compact_flow.log'",
                                                  "ERROR: Log File 'compact_flow.log' failed to load correctly!"}));
    EXPECT_FALSE(window->log_loaded());
    EXPECT_FALSE(export_controls_enabled(*window));
    for (const char* box : {"txtFileName", "txtStartTime", "txtEndTime", "txtInterval", "txtRecords"})
        EXPECT_EQ(text_of(*window, box), "") << box;
    EXPECT_TRUE(unit_entries(*window).isEmpty());
    // The caption names the file; the flags label keeps what it showed.
    EXPECT_EQ(window->windowTitle(), "Corvex Viewer - compact_flow.log");
    EXPECT_EQ(text_of(*window, "lblLogFlags"), "Detailed Errors");
}

TEST_F(MainWindowTest, OpenDialogStartsInTheFolderOfTheLastLog) {
    auto window = make_window();
    const QString first = QString::fromStdString(write_log("first.log", testing::seconds_log(3)).string());
    dialogs.answers.push_back(first);
    child<QAction>(*window, "mnuFileOpen")->trigger();
    EXPECT_EQ(window->file_name(), first);

    dialogs.answers.push_back(std::nullopt);
    child<QAction>(*window, "mnuFileOpen")->trigger();
    ASSERT_EQ(dialogs.open_requests.size(), 2u);
    EXPECT_EQ(dialogs.open_requests[1].folder.toStdString(), scratch.path().string() + "/");
    EXPECT_EQ(window->file_name(), first);

    // Selecting all units again after the user changed the selection.
    auto* list = child<QListWidget>(*window, "lstUnits");
    list->clearSelection();
    child<QPushButton>(*window, "cmdSelectAllUnits")->click();
    EXPECT_EQ(selected_units(*window), 2);
}

// File dialogs show names that are not UTF-8 with U+FFFD; the window finds
// the file the user picked, and refuses a name it cannot tell apart.
TEST_F(MainWindowTest, NamesShownLossilyByTheDialogsOpenAndExportTheFilesMeant) {
    auto window = make_window();
    const std::string folder = (scratch / "site\xE9").native();
    std::filesystem::create_directory(folder);
    const std::string log = folder + "/flow\xFF.log";
    logwriter::write_log(log, testing::seconds_log(3));
    const QString shown = QFile::decodeName(QByteArray::fromStdString(log));
    ASSERT_TRUE(shown.contains(QChar(0xFFFD)));
    dialogs.answers.push_back(shown);
    child<QAction>(*window, "mnuFileOpen")->trigger();
    ASSERT_TRUE(window->log_loaded());
    EXPECT_EQ(window->file_path(), log);
    EXPECT_EQ(status_lines(*window).back(), QString::fromUtf8("Opened Log File 'flow\uFFFD.log'"));
    EXPECT_EQ(settings.get("Paths", "oFilePath", ""), folder + "/");

    // The export goes into that folder, and names the log as shown.
    dialogs.answers.push_back(QFile::decodeName(QByteArray::fromStdString(folder + "/out.csv")));
    child<QPushButton>(*window, "cmdExport")->click();
    testing::wait_for_export(*window);
    EXPECT_TRUE(testing::read_file(folder + "/out.csv").starts_with("File Title: ,flow\uFFFD.log\r\n"))
        << status_lines(*window).back().toStdString();

    // A second name shown the same way: the dialog's answer names neither.
    logwriter::write_log(folder + "/flow\xFE.log", testing::seconds_log(3));
    dialogs.answers.push_back(shown);
    child<QAction>(*window, "mnuFileOpen")->trigger();
    EXPECT_EQ(window->file_path(), log);
    const QString last = status_lines(*window).back();
    EXPECT_TRUE(last.startsWith(QString::fromUtf8("ERROR: Log File 'flow\uFFFD.log' failed to open: "))) << last.toStdString();
    EXPECT_TRUE(last.endsWith(QString::fromUtf8(": 2 files have names shown as 'flow\uFFFD.log'"))) << last.toStdString();
}

}  // namespace
}  // namespace corvex::viewer
