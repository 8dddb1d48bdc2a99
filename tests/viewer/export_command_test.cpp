// The Export button: stored options, the validation messages, and the two
// exports through the scripted save dialog, compared with what the engines
// write for the same options.
#include <cstdio>
#include <fstream>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "corvex/platform/bstr.h"
#include "faulty_log.h"
#include "tools/logwriter/log_writer.h"
#include "export/csv_export.h"
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

TEST_F(ExportCommandTest, NoUnitMessageComesFirstAndNothingOpens) {
    child<QCheckBox>(*window, "chkIncludeErrors")->setCheckState(Qt::Unchecked);
    child<QCheckBox>(*window, "chkIncludeLogInfo")->setCheckState(Qt::Unchecked);
    choose_format(1);
    select_only({});
    click_export();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Please select atleast 1 unit from the list");
    EXPECT_EQ(dialogs.messages[0].title, "Corvex Viewer");
    EXPECT_TRUE(dialogs.save_requests.empty());
    // The options were stored before the check.
    EXPECT_EQ(stored("IncludeErrors"), "0");
    EXPECT_EQ(stored("IncludeLogInfo"), "0");
    EXPECT_EQ(stored("ExportFormat"), "1");
    EXPECT_EQ(status_lines(*window).size(), 1);
}

TEST_F(ExportCommandTest, TypedFormatTextSelectsNoEntryAndIsRememberedAsMinusOne) {
    auto* format = child<QComboBox>(*window, "cmbExportFormat");
    format->lineEdit()->selectAll();
    QTest::keyClicks(format->lineEdit(), "Text");
    click_export();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Please select a valid export format from the list");
    EXPECT_EQ(stored("ExportFormat"), "-1");
    EXPECT_EQ(window->export_choice().format, -1);

    // Without units the unit message wins, whatever the format.
    select_only({});
    click_export();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, "Please select atleast 1 unit from the list");

    // Picking an entry again selects it.
    QTest::keyClick(format, Qt::Key_Down);
    EXPECT_EQ(window->selected_format_index(), 1);

    auto next = make_window();
    EXPECT_EQ(child<QComboBox>(*next, "cmbExportFormat")->currentIndex(), -1);
    EXPECT_TRUE(dialogs.save_requests.empty());
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

TEST_F(ExportCommandTest, CsvExportWritesWhatTheEngineWritesForTheSameOptions) {
    ASSERT_TRUE(settings.set("DELIMITER", "DELIMITER", "; "));
    child<QCheckBox>(*window, "chkIncludeErrors")->setCheckState(Qt::Unchecked);
    select_only({0, 2, 3});
    child<QProgressBar>(*window, "pb1")->setValue(42);
    const QString out = answer("viewer.csv");
    click_export();

    ASSERT_EQ(dialogs.save_requests.size(), 1u);
    const FileDialogRequest& request = dialogs.save_requests[0];
    EXPECT_EQ(request.title, "Export *.log to *.csv");
    EXPECT_EQ(request.filters, (QStringList{"Comma Separated Value File (*.csv)", "All Files (*)"}));
    EXPECT_EQ(request.filter_index, 0);
    EXPECT_TRUE(request.confirm_overwrite);
    EXPECT_EQ(request.folder.toStdString(), sample("").string());
    EXPECT_EQ(request.file_name.toStdString(), sample("pc_flow.csv").string());
    // A new file is created only once the user agrees.
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].text, out + "\nThis file does not exist.\nDo you want to create it?");
    EXPECT_EQ(dialogs.questions[0].title, "Export *.log to *.csv");
    EXPECT_EQ(status_lines(*window).back(), "Exported '" + out + "' as CSV file");
    EXPECT_EQ(window->chosen_save_path, out);
    EXPECT_EQ(window->export_file, out);
    auto* bar = child<QProgressBar>(*window, "pb1");
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(bar->maximum(), 299);

    // The engine on a session of its own, with the options the window stood for.
    auto log = create_log_session();
    ASSERT_TRUE(log);
    std::int32_t opened = -1;
    ASSERT_EQ((*log)->Open(platform::Bstr::from_utf8(log_path.toStdString()).get(), &opened), S_OK);
    ASSERT_EQ(opened, 0);
    exporting::ExportOptions options;
    options.include_log_info = true;
    options.include_errors = false;
    options.delimiter = "; ";
    options.file_title = "pc_flow.log";
    options.file_name = log_path.toStdString();
    options.selected = {true, false, true, true};
    const auto expected_path = scratch / "engine.csv";
    ASSERT_TRUE(exporting::export_csv(log->get(), options, expected_path));
    const std::string written = read_file(out.toStdString());
    EXPECT_EQ(written, read_file(expected_path));
    EXPECT_EQ(written.rfind("File Title: ; pc_flow.log\r\n", 0), 0u) << written.substr(0, 80);
}

TEST_F(ExportCommandTest, WorkbookExportWritesBothSheetsUnderTheChosenName) {
    choose_format(1);
    const QString out = answer("viewer.xlsx");
    click_export();
    ASSERT_EQ(dialogs.save_requests.size(), 1u);
    EXPECT_EQ(dialogs.save_requests[0].title, "Export *.log to *.xlsx");
    EXPECT_EQ(dialogs.save_requests[0].filters, (QStringList{"Excel File (*.xlsx)", "All Files (*)"}));
    EXPECT_EQ(dialogs.save_requests[0].file_name.toStdString(), sample("pc_flow.xlsx").string());
    EXPECT_FALSE(dialogs.save_requests[0].confirm_overwrite);
    EXPECT_FALSE(dialogs.save_requests[0].confirm_create);
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(status_lines(*window).back(), "Exported '" + out + "' as Excel file");

    const std::string command = std::string(CORVEX_SYSTEM_PYTHON) +
                                " -c 'import sys, openpyxl; "
                                "print(\",\".join(openpyxl.load_workbook(open(sys.argv[1], \"rb\")).sheetnames))' '" +
                                out.toStdString() + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[256] = {};
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    ASSERT_EQ(::pclose(pipe), 0);
    ASSERT_TRUE(got);
    EXPECT_STREQ(line, "Log Info,Log Data\n");
}

TEST_F(ExportCommandTest, WorkbookOpenElsewhereAsksToCloseIt) {
    choose_format(1);
    const QString out = answer("locked.xlsx");
    { std::ofstream(scratch / ".~lock.locked.xlsx#") << "someone,host,12345;"; }
    click_export();
    const QStringList lines = status_lines(*window);
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[lines.size() - 2].startsWith("ERROR: (1004) ")) << lines[lines.size() - 2].toStdString();
    const QString please = "Please close " + out + " before exporting...";
    EXPECT_EQ(lines.back(), please);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, please);
    EXPECT_EQ(dialogs.messages[0].title, "Corvex Viewer");
    EXPECT_FALSE(std::filesystem::exists(out.toStdString()));
}

TEST_F(ExportCommandTest, AFileThatCannotBeWrittenIsAnErrorLineNotExported) {
    const QString out = answer("no_such_folder/out.csv");
    click_export();
    const QString last = status_lines(*window).back();
    EXPECT_TRUE(last.startsWith("ERROR: (76) ")) << last.toStdString();
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ExportCommandTest, UnreadableRecordIsReportedAsAnErrorNotAsExported) {
    window->set_session_factory([] { return testing::faulty_session({.no_log_info = false, .unreadable_record = 5, .gate = nullptr}); });
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
    logwriter::LogDescription desc;  // a meter log may hold no records at all
    desc.format = logwriter::Format::Meter;
    desc.header_offset = 40;
    desc.channels.resize(1);
    desc.channels[0].channel = 1;
    desc.channels[0].unit_type = 577;
    logwriter::write_log(scratch / "empty.log", desc);
    window->open_file(QString::fromStdString((scratch / "empty.log").string()));
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
