// Workbook export, read back with openpyxl: sheets, cell types, bold cells,
// date format, column widths, continuation sheets, and its failures.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "corvex/platform/com_ptr.h"
#include "logmodule/objects/log.h"
#include "tests/export/export_fixtures.h"
#include "tests/export/export_test_support.h"
#include "tests/support/workbook_reader.h"
#include "export/export_error.h"
#include "export/workbook_export.h"

namespace corvex::exporting {
namespace {

using corvex::testing::ReadWorkbook;
using testing::ScopedEnv;
using testing::ScopedLocaleEnv;
using testing::ScratchDir;

constexpr const char* kDateFormat = "m/d/yyyy h:mm:ss";

ExportOptions options(std::vector<bool> selected, bool log_info = true, bool errors = true) {
    ExportOptions o;
    o.include_log_info = log_info;
    o.include_errors = errors;
    o.file_title = "pc3.log";
    o.file_name = "/data/logs/pc3.log";
    o.selected = std::move(selected);
    return o;
}

ReadWorkbook export_and_read(ILog* log, const ExportOptions& o, const std::filesystem::path& out,
                             const WorkbookLayout& layout = {}) {
    auto outcome = export_workbook(log, o, out, {}, layout);
    EXPECT_TRUE(outcome) << outcome.error().description;
    ReadWorkbook book = corvex::testing::read_workbook(out);
    EXPECT_TRUE(book.ok) << book.failure;
    return book;
}

// "B" + 2 -> the values of a row, for compact expectations.
std::vector<std::string> row_values(const ReadWorkbook& book, const std::string& sheet, int row, char last) {
    std::vector<std::string> values;
    for (char c = 'A'; c <= last; ++c) values.push_back(book.value(sheet, std::string(1, c) + std::to_string(row)));
    return values;
}

using Row = std::vector<std::string>;

TEST(WorkbookExport, LogInfoAndDataSheetsAsTheSpreadsheetReadsThem) {
    ScopedLocaleEnv env("C.UTF-8");
    ScratchDir dir;
    platform::ComPtr<ILog> log = testing::open_log(dir / "pc3.log", testing::pc3_log());
    const ReadWorkbook book = export_and_read(log.get(), options({true, true, true}), dir / "pc3.xlsx");

    EXPECT_EQ(book.sheets, (std::vector<std::string>{"Log Info", "Log Data"}));
    EXPECT_EQ(book.active, "Log Data");

    // Log Info: the header in rows 1-8, captions bold, values typed.
    const Row header[] = {{"Log Name", "/data/logs/pc3.log", "s"}, {"Log Title", "pc3.log", "s"},
                          {"Start Time", "2024-03-01 08:00:00", "s"}, {"End Time", "2024-03-02", "s"},
                          {"Records", "3", "n"}, {"Interval", "10", "n"}, {"Error Flags", "4096", "n"},
                          {"Cyclic Flags", "1", "n"}};
    for (int r = 1; r <= 8; ++r) {
        SCOPED_TRACE(r);
        const Row& want = header[r - 1];
        ASSERT_EQ(row_values(book, "Log Info", r, 'C'), (Row{want[0], want[1], "<empty>"}));
        EXPECT_TRUE(book.cell("Log Info", "A" + std::to_string(r))->bold);
        EXPECT_FALSE(book.cell("Log Info", "B" + std::to_string(r))->bold);
        EXPECT_EQ(book.cell("Log Info", "B" + std::to_string(r))->type, want[2]);
    }
    EXPECT_EQ(book.cell("Log Info", "A9"), nullptr);

    // The item table.
    EXPECT_EQ(row_values(book, "Log Info", 10, 'K'), (Row{"Item #", "Label", "Symbol", "UnitType", "Channel", "Comport",
                                                          "Computer", "Decimal", "Width", "Input", "NodeID"}));
    for (char c = 'A'; c <= 'K'; ++c) EXPECT_TRUE(book.cell("Log Info", std::string(1, c) + "10")->bold) << c;
    EXPECT_EQ(row_values(book, "Log Info", 11, 'K'),
              (Row{"0", "Flow", "m/s", "577", "1", "1", "FIELD-PC", "4", "12", "0", "3"}));
    EXPECT_EQ(row_values(book, "Log Info", 13, 'C'), (Row{"2", "Pressure", "<empty>"}));
    EXPECT_FALSE(book.cell("Log Info", "A11")->bold);
    EXPECT_FALSE(book.widths.count("Log Info"));

    // Log Data: bold header row, always "Label (Symbol)".
    EXPECT_EQ(row_values(book, "Log Data", 1, 'G'), (Row{"Date/Time", "Flow (m/s)", "Error #", "Temp, inlet (degC)",
                                                         "Error #", "Pressure ()", "Error #"}));
    EXPECT_TRUE(book.bold_rows.at("Log Data").count(1));
    for (char c = 'A'; c <= 'G'; ++c) EXPECT_TRUE(book.cell("Log Data", std::string(1, c) + "1")->bold) << c;

    // Records: date cells, numbers, errors; NaN as text.
    const corvex::testing::WorkbookCell* time = book.cell("Log Data", "A2");
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->type, "d");
    EXPECT_EQ(time->format, kDateFormat);
    EXPECT_FALSE(time->bold);
    EXPECT_EQ(row_values(book, "Log Data", 2, 'G'), (Row{"2024-03-01 08:00:00", "1.5", "0", "20.25", "0", "101325", "0"}));
    EXPECT_EQ(row_values(book, "Log Data", 3, 'G'), (Row{"2024-03-01 08:00:10", "0", "0", "3.25", "2", "1e+20", "0"}));
    // Every double as it was logged: 0.1 + 0.2 is not 0.3.
    EXPECT_EQ(row_values(book, "Log Data", 4, 'G'),
              (Row{"2024-03-02 00:00:00", "NaN", "0", "1.5e-05", "0", "0.30000000000000004", "-1"}));
    EXPECT_EQ(book.cell("Log Data", "B4")->type, "s");
    for (const char* numeric : {"B2", "C2", "F3", "D4", "G4"}) EXPECT_EQ(book.cell("Log Data", numeric)->type, "n");

    // Widths fitted to the longest entry of each column.
    const auto& widths = book.widths.at("Log Data");
    for (char c = 'A'; c <= 'G'; ++c) EXPECT_TRUE(widths.count(std::string(1, c))) << c;
    EXPECT_FALSE(widths.count("H"));
    EXPECT_GE(widths.at("A"), 16.0);   // "3/1/2024 8:00:10"
    EXPECT_GE(widths.at("D"), 18.0);   // "Temp, inlet (degC)"
    EXPECT_LT(widths.at("C"), widths.at("D"));
}

struct ErrorColumnCase {
    const char* name;
    std::function<logwriter::LogDescription()> log;
    std::vector<bool> selected;
    bool errors;
    std::vector<Row> rows;  // the header, then records
};

const ErrorColumnCase kErrorColumns[] = {
    // Detailed errors: an error column after each selected unit only.
    {"detailed", testing::pc3_log, {false, true}, true,
     {{"Date/Time", "Temp, inlet (degC)", "Error #", "<empty>"}, {"2024-03-01 08:00:00", "20.25", "0", "<empty>"}}},
    // Basic errors: one last column with each record's error, whatever the selection.
    {"basic", testing::meter_basic_log, {true, false}, true,
     {{"Date/Time", "Velocity (m/s)", "Error #", "<empty>"}, {"2024-03-01 12:00:00", "2.5", "0", "<empty>"},
      {"2024-03-01 12:01:00", "2.75", "5", "<empty>"}, {"2024-03-01 12:02:00", "3", "-3", "<empty>"}}},
    // Both flags: the last column stays 0; a time before 1900 is text.
    {"both", testing::meter_both_flags_log, {true, true}, true,
     {{"Date/Time", "Velocity (m/s)", "Error #", "Oxygen (%)", "Error #", "Error #", "<empty>"},
      {"1899-12-29 06:00:00", "1", "1", "20.9", "0", "0", "<empty>"}}},
    {"both, errors left out", testing::meter_both_flags_log, {true, true}, false,
     {{"Date/Time", "Velocity (m/s)", "Oxygen (%)", "<empty>"}, {"1899-12-29 06:00:00", "1", "20.9", "<empty>"}}},
    // Neither flag: no error column at all.
    {"none", testing::compact_log, {true, true}, true,
     {{"Date/Time", "Velocity (m/s)", "Dew Point (degC)", "<empty>"}, {"2024-03-01 06:00:00", "1.25", "10", "<empty>"}}},
};

TEST(WorkbookExport, ErrorColumnsFollowTheErrorFlagsAndTheSelection) {
    ScopedLocaleEnv env("C.UTF-8");
    ScratchDir dir;
    for (const ErrorColumnCase& c : kErrorColumns) {
        SCOPED_TRACE(c.name);
        platform::ComPtr<ILog> log = testing::open_log(dir / "case.log", c.log());
        const ReadWorkbook book = export_and_read(log.get(), options(c.selected, false, c.errors), dir / "case.xlsx");
        const char last = static_cast<char>('A' + c.rows[0].size() - 1);
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
            EXPECT_EQ(row_values(book, "Log Data", static_cast<int>(r + 1), last), c.rows[r]);
        }
    }
}

TEST(WorkbookExport, RecordsBeyondTheRowLimitContinueOnFurtherSheets) {
    ScratchDir dir;
    platform::ComPtr<ILog> log = testing::open_log(dir / "seven.log", testing::large_pc_log(7, 1));
    // Three rows per sheet: the header and two records.
    const ReadWorkbook book =
        export_and_read(log.get(), options({true}, false, false), dir / "seven.xlsx", WorkbookLayout{3});
    EXPECT_EQ(book.sheets,
              (std::vector<std::string>{"Sheet1", "Log Data", "Log Data 2", "Log Data 3", "Log Data 4"}));
    EXPECT_EQ(book.active, "Log Data");
    EXPECT_FALSE(book.cells.count("Sheet1")) << "without the log information the first sheet stays empty";
    const Row header = {"Date/Time", "Flow (m/s)"};
    const char* const kValues[] = {"0", "0.25", "0.5", "0.75", "1", "1.25", "1.5"};  // record r holds r / 4
    int record = 0;
    for (const char* sheet : {"Log Data", "Log Data 2", "Log Data 3", "Log Data 4"}) {
        SCOPED_TRACE(sheet);
        EXPECT_EQ(row_values(book, sheet, 1, 'B'), header);
        ASSERT_TRUE(book.bold_rows.count(sheet));
        EXPECT_TRUE(book.bold_rows.at(sheet).count(1));
        ASSERT_TRUE(book.widths.count(sheet));
        EXPECT_TRUE(book.widths.at(sheet).count("A"));
        for (int row = 2; row <= 3 && record < 7; ++row, ++record) {
            EXPECT_EQ(book.value(sheet, "B" + std::to_string(row)), kValues[record]);
        }
        EXPECT_EQ(book.cell(sheet, "A4"), nullptr);
    }
    EXPECT_EQ(record, 7);
}

TEST(WorkbookExport, NumbersStayNumbersUnderADecimalCommaLocale) {
    ASSERT_TRUE(testing::locale_available("de_DE.UTF-8")) << "the de_DE.UTF-8 locale is not installed";
    ScopedLocaleEnv env("de_DE.UTF-8");  // the process locale too in the binary's second run
    ScratchDir dir;
    platform::ComPtr<ILog> log = testing::open_log(dir / "pc3.log", testing::pc3_log());
    const ReadWorkbook book = export_and_read(log.get(), options({true, true, true}), dir / "pc3.xlsx");

    EXPECT_EQ(book.value("Log Data", "B2"), "1.5");
    EXPECT_EQ(book.cell("Log Data", "D3")->type, "n");
    EXPECT_EQ(book.value("Log Data", "D3"), "3.25");
    EXPECT_EQ(book.value("Log Data", "A3"), "2024-03-01 08:00:10");
    // Texts follow the user's locale, as the delimited export's do.
    EXPECT_EQ(book.value("Log Info", "B3"), "01.03.2024 08:00:00");
    EXPECT_EQ(book.value("Log Data", "B4"), "NaN");
}

TEST(WorkbookExport, AFileOpenInASpreadsheetApplicationIsError1004) {
    ScratchDir dir;
    platform::ComPtr<ILog> log = testing::open_log(dir / "pc3.log", testing::pc3_log());
    for (const char* lock : {".~lock.book.xlsx#", "~$book.xlsx"}) {
        SCOPED_TRACE(lock);
        const auto out = dir / "book.xlsx";
        { std::ofstream(out) << "the open workbook"; }
        { std::ofstream(dir / lock) << "owner"; }
        auto outcome = export_workbook(log.get(), options({true}), out);
        ASSERT_FALSE(outcome);
        EXPECT_EQ(outcome.error().number, error_number::kFileOpenElsewhere);
        EXPECT_EQ(testing::read_file(out), "the open workbook");
        std::filesystem::remove(dir / lock);
    }
}

TEST(WorkbookExport, ATextTheSpreadsheetCannotHoldStopsTheExportBeforeTheFileIsWritten) {
    ScratchDir dir;
    platform::ComPtr<ILog> log = testing::open_log(dir / "pc3.log", testing::pc3_log());
    ExportOptions too_long = options({true});
    too_long.file_name.assign(40000, 'x');
    auto refused = export_workbook(log.get(), too_long, dir / "out.xlsx");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().number, error_number::kWorkbook);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"pc3.log"});
}

// Exports in a child process whose files may not grow past `limit` bytes, as
// on a disk that fills up: the workbook writer's temporary files then lose
// their ends without a word. Answers the export's failure, or "" on success.
std::string export_with_file_size_limit(ILog* log, const ExportOptions& o, const std::filesystem::path& out,
                                        rlim_t limit) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(pipe_ends[0]);
        signal(SIGXFSZ, SIG_IGN);
        const rlimit small{limit, limit};
        setrlimit(RLIMIT_FSIZE, &small);
        auto outcome = export_workbook(log, o, out);
        const std::string failure = outcome ? "" : outcome.error().description;
        const bool written = write(pipe_ends[1], failure.data(), failure.size()) == static_cast<ssize_t>(failure.size());
        _exit(written ? 0 : 1);
    }
    close(pipe_ends[1]);
    std::string failure;
    char buffer[512];
    for (ssize_t n; (n = read(pipe_ends[0], buffer, sizeof buffer)) > 0;) failure.append(buffer, static_cast<std::size_t>(n));
    close(pipe_ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? failure : "the child failed";
}

// A disk that fills up part way (here a file-size limit below the workbook's
// size, with the log information sheet or a data sheet the large part) fails
// the export and leaves nothing under the name, nor any temporary file.
TEST(WorkbookExport, AWorkbookTheDiskCutShortNeverGetsItsName) {
    // A fixed creation time keeps the size the same from one export to the next.
    ScopedEnv epoch("SOURCE_DATE_EPOCH", "1709280000");
    struct Case {
        const char* what;
        logwriter::LogDescription log;
        std::size_t file_name_size;   // a long log name makes the log information sheet large
    };
    const Case cases[] = {
        {"the log information sheet", testing::pc3_log(), 30000},
        {"a data sheet", testing::large_pc_log(3000, 4), 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        platform::ComPtr<ILog> log = testing::open_log(dir / "in.log", c.log);
        ExportOptions o = options(std::vector<bool>(c.log.channels.size(), true));
        o.file_name.assign(c.file_name_size, 'x');
        const auto out = dir / "out.xlsx";
        ASSERT_TRUE(export_workbook(log.get(), o, out));
        const auto size = static_cast<rlim_t>(std::filesystem::file_size(out));
        std::filesystem::remove(out);

        for (const rlim_t limit : {size / 2, size - 1}) {
            const std::string failure = export_with_file_size_limit(log.get(), o, out, limit);
            EXPECT_NE(failure.find("Cannot write the workbook '" + out.string() + "'"), std::string::npos) << failure;
            std::vector<std::string> entries;
            for (const auto& entry : std::filesystem::directory_iterator(dir.path())) entries.push_back(entry.path().filename());
            EXPECT_EQ(entries, std::vector<std::string>{"in.log"});
        }
    }
}

}  // namespace
}  // namespace corvex::exporting
