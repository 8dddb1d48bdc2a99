// The Export button: stored options, the validation messages, and the two
// exports through the scripted save dialog, compared with what the engines
// write for the same options.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "export/csv_export.h"
#include "export/workbook_export.h"
#include "viewer/log_module.h"
#include "viewer_test_support.h"

namespace corvex::viewer {
namespace {

using testing::child;
using testing::read_file;
using testing::sample;
using testing::status_lines;

class ExportCommandTest : public testing::ViewerTest {
protected:
    void SetUp() override {
        window = make_window();
        log_path = QString::fromStdString(sample("pc_flow.log").string());
        window->open_file(log_path);
        ASSERT_TRUE(window->log_loaded());
    }

    void click_export() {
        child<QPushButton>(*window, "cmdExport")->click();
        testing::wait_for_export(*window);
    }
    void choose_format(int index) { child<QComboBox>(*window, "cmbExportFormat")->setCurrentIndex(index); }
    void select_only(std::initializer_list<int> units) {
        auto* list = child<QListWidget>(*window, "lstUnits");
        list->clearSelection();
        for (int u : units) list->item(u)->setSelected(true);
    }
    std::string stored(const char* key) { return settings.get("ExportOptions", key, "missing"); }
    QString answer(const char* name) {
        const QString path = QString::fromStdString((scratch / name).string());
        dialogs.answers.push_back(path);
        return path;
    }

    std::unique_ptr<MainWindow> window;
    QString log_path;
};

TEST_F(ExportCommandTest, OptionsAreStoredBeforeTheChecksAndTheUnitMessageComesFirst) {
    child<QCheckBox>(*window, "chkIncludeErrors")->setCheckState(Qt::Unchecked);
    child<QCheckBox>(*window, "chkIncludeLogInfo")->setCheckState(Qt::Unchecked);
    auto* format = child<QComboBox>(*window, "cmbExportFormat");
    format->lineEdit()->selectAll();
    QTest::keyClicks(format->lineEdit(), "Text");
    click_export();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Please select a valid export format from the list");
    EXPECT_EQ(dialogs.messages[0].title, "Corvex Viewer");
    EXPECT_EQ(stored("IncludeErrors"), "0");
    EXPECT_EQ(stored("IncludeLogInfo"), "0");
    EXPECT_EQ(stored("ExportFormat"), "-1");  // typed text selects no entry
    EXPECT_EQ(window->export_choice().format, -1);

    // Without units the unit message wins, whatever the format.
    select_only({});
    click_export();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, "Please select atleast 1 unit from the list");
    EXPECT_TRUE(dialogs.save_requests.empty());
    EXPECT_EQ(status_lines(*window).size(), 1);

    // Picking an entry again selects it; the next window starts without one.
    QTest::keyClick(format, Qt::Key_Down);
    EXPECT_EQ(window->selected_format_index(), 1);
    EXPECT_EQ(child<QComboBox>(*make_window(), "cmbExportFormat")->currentIndex(), -1);
}

TEST_F(ExportCommandTest, GreyedCheckBoxCountsAsIncludedAndIsStoredAsOne) {
    ASSERT_TRUE(settings.set("ExportOptions", "IncludeErrors", "2"));
    window = make_window();
    window->open_file(log_path);
    ASSERT_EQ(child<QCheckBox>(*window, "chkIncludeErrors")->checkState(), Qt::PartiallyChecked);
    dialogs.answers.push_back(std::nullopt);
    click_export();
    EXPECT_TRUE(window->export_choice().include_errors);
    EXPECT_EQ(stored("IncludeErrors"), "1");
    EXPECT_EQ(stored("IncludeLogInfo"), "1");
    EXPECT_EQ(stored("ExportFormat"), "0");
    // A cancelled save dialog is reported as an error.
    EXPECT_EQ(status_lines(*window).back(), "ERROR: (32755) Cancel was selected.");
}

TEST_F(ExportCommandTest, EachFormatWritesWhatTheEngineWritesForTheSameOptions) {
    ASSERT_TRUE(settings.set("DELIMITER", "DELIMITER", "; "));
    child<QCheckBox>(*window, "chkIncludeErrors")->setCheckState(Qt::Unchecked);
    select_only({0, 2, 3});
    for (const int format : {0, 1}) {
        SCOPED_TRACE(format);
        const char* extension = format == 0 ? ".csv" : ".xlsx";
        choose_format(format);
        child<QProgressBar>(*window, "pb1")->setValue(42);
        dialogs.save_requests.clear();
        dialogs.questions.clear();
        const QString out = answer((std::string("viewer") + extension).c_str());
        click_export();

        ASSERT_EQ(dialogs.save_requests.size(), 1u);
        const FileDialogRequest& request = dialogs.save_requests[0];
        EXPECT_EQ(request.title, QString("Export *.log to *") + extension);
        EXPECT_EQ(request.folder.toStdString(), sample("").string());
        EXPECT_EQ(request.file_name.toStdString(), sample((std::string("pc_flow") + extension).c_str()).string());
        // A delimited file is replaced after the dialog asked, and created once the user agrees.
        EXPECT_EQ(request.confirm_overwrite, format == 0);
        ASSERT_EQ(dialogs.questions.size(), format == 0 ? 1u : 0u);
        EXPECT_EQ(status_lines(*window).back(),
                  "Exported '" + out + "' as " + (format == 0 ? "CSV" : "Excel") + " file");
        EXPECT_EQ(window->export_file, out);
        auto* bar = child<QProgressBar>(*window, "pb1");
        EXPECT_EQ(bar->value(), 299);
        EXPECT_EQ(bar->maximum(), 299);

        // The engine on a session of its own, with the options the window stood for.
        auto log = open_log_session(create_log_session, log_path.toStdString());
        ASSERT_TRUE(log);
        exporting::ExportOptions options;
        options.include_errors = false;
        options.delimiter = "; ";
        options.file_title = "pc_flow.log";
        options.file_name = log_path.toStdString();
        options.selected = {true, false, true, true};
        const auto engine = scratch / (std::string("engine") + extension);
        ASSERT_TRUE(format == 0 ? exporting::export_csv(log->get(), options, engine)
                                : exporting::export_workbook(log->get(), options, engine));
        EXPECT_EQ(read_file(out.toStdString()), read_file(engine));
    }
}

// A file that cannot be written is an error line; a workbook open elsewhere
// is also a message asking to close it.
TEST_F(ExportCommandTest, AFileThatCannotBeWrittenIsAnErrorNotAnExport) {
    answer("no_such_folder/out.csv");
    click_export();
    const QString error = status_lines(*window).back();
    EXPECT_TRUE(error.startsWith("ERROR: (76) ")) << error.toStdString();
    EXPECT_TRUE(dialogs.messages.empty());

    choose_format(1);
    const QString out = answer("locked.xlsx");
    scratch.write(".~lock.locked.xlsx#", "someone,host,12345;");
    click_export();
    const QStringList lines = status_lines(*window);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[2].startsWith("ERROR: (1004) ")) << lines[2].toStdString();
    const QString please = "Please close " + out + " before exporting...";
    EXPECT_EQ(lines[3], please);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, please);
    EXPECT_EQ(dialogs.messages[0].title, "Corvex Viewer");
    EXPECT_FALSE(std::filesystem::exists(out.toStdString()));
}

TEST_F(ExportCommandTest, UnreadableRecordIsReportedAsAnErrorNotAsExported) {
    corvex::testing::LogFaults from_5;
    from_5.unreadable_from = 5;
    window->set_session_factory(testing::faulty_sessions(from_5));
    window->open_file(log_path);
    for (const int format : {0, 1}) {
        choose_format(format);
        const QString out = answer(format == 0 ? "cut.csv" : "cut.xlsx");
        click_export();
        EXPECT_EQ(status_lines(*window).back(), "ERROR: (440) Record 5 (counting from 0) of 299 could not be read; '" +
                                                    out + "' holds the 5 records before it");
        EXPECT_TRUE(std::filesystem::exists(out.toStdString()));
    }
    EXPECT_FALSE(status_lines(*window).join('\n').contains("Exported"));
}

TEST_F(ExportCommandTest, EmptyLogEndsWithAFullProgressBar) {
    logwriter::LogDescription desc = testing::seconds_log(0);  // a log may hold no records at all
    desc.format = logwriter::Format::Meter;
    desc.header_offset = 40;
    desc.trailing_bytes.clear();
    window->open_path(write_log("empty.log", desc).string());
    ASSERT_EQ(window->file_title(), "empty.log");
    const QString out = answer("empty.csv");
    click_export();
    EXPECT_EQ(status_lines(*window).back(), "Exported '" + out + "' as CSV file");
    auto* bar = child<QProgressBar>(*window, "pb1");
    EXPECT_EQ(bar->maximum(), 1);
    EXPECT_EQ(bar->value(), 1);
}

}  // namespace
}  // namespace corvex::viewer
