// Delimited-text export against golden files written by hand, and the failures
// of both export engines: nothing is left under the chosen name unless the export succeeded.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <stop_token>
#include <vector>

#include "corvex/platform/com_ptr.h"
#include "logmodule/objects/log.h"
#include "tests/export/export_fixtures.h"
#include "tests/export/export_test_support.h"
#include "tests/support/faulty_log.h"
#include "tests/support/workbook_reader.h"
#include "export/csv_export.h"
#include "export/export_error.h"
#include "export/workbook_export.h"

namespace corvex::exporting {
namespace {

using testing::ScopedLocaleEnv;
using testing::ScratchDir;

struct GoldenCase {
    const char* golden;
    std::function<logwriter::LogDescription()> log;
    const char* log_name;
    std::vector<bool> selected;
    bool include_log_info;
    bool include_errors;
    const char* delimiter;
    const char* locale = "C.UTF-8";
};

const GoldenCase kGoldenCases[] = {
    {"pc3_all.csv", testing::pc3_log, "pc3.log", {true, true, true}, true, true, ","},
    {"pc3_units02_noinfo_noerrors.csv", testing::pc3_log, "pc3.log", {true, false, true}, false, false, ","},
    {"pc3_unit1_semicolon.csv", testing::pc3_log, "pc3.log", {false, true}, true, true, ";"},
    {"pc3_empty_delimiter_noerrors.csv", testing::pc3_log, "pc3.log", {true, true, true}, true, false, ""},
    {"pc3_units01_double_colon_noinfo.csv", testing::pc3_log, "pc3.log", {true, true, false}, false, true, "::"},
    {"meter_basic_all.csv", testing::meter_basic_log, "meter_basic.log", {true, true}, true, true, ","},
    {"meter_basic_unit0_noinfo.csv", testing::meter_basic_log, "meter_basic.log", {true}, false, true, ","},
    {"meter_both_flags_all.csv", testing::meter_both_flags_log, "meter_both.log", {true, true}, true, true, ","},
    {"meter_both_flags_noinfo_noerrors.csv", testing::meter_both_flags_log, "meter_both.log", {true, true}, false,
     false, ","},
    {"compact_empty_delimiter.csv", testing::compact_log, "compact.log", {true, true}, true, true, ""},
    {"compact_noinfo.csv", testing::compact_log, "compact.log", {true, true}, false, true, ","},
    {"meter_no_records.csv", testing::meter_no_records_log, "empty.log", {true}, true, true, ","},
    // A decimal comma is quoted in a comma-delimited file.
    {"pc3_all_de.csv", testing::pc3_log, "pc3.log", {true, true, true}, true, true, ",", "de_DE.UTF-8"},
};

ExportOptions options_for(const GoldenCase& c) {
    ExportOptions options;
    options.include_log_info = c.include_log_info;
    options.include_errors = c.include_errors;
    options.delimiter = c.delimiter;
    options.file_title = c.log_name;
    options.file_name = std::string("/data/logs/") + c.log_name;
    options.selected = c.selected;
    return options;
}

TEST(CsvExport, WritesTheGoldenFileOfEachLogFormatLocaleAndOptionSet) {
    ScratchDir dir;
    for (const GoldenCase& c : kGoldenCases) {
        SCOPED_TRACE(c.golden);
        ASSERT_TRUE(testing::locale_available(c.locale)) << c.locale << " is not installed";
        ScopedLocaleEnv env(c.locale);
        platform::ComPtr<ILog> log = testing::open_log(dir / c.log_name, c.log());
        const auto out = dir / c.golden;
        auto outcome = export_csv(log.get(), options_for(c), out);
        ASSERT_TRUE(outcome) << outcome.error().description;
        EXPECT_EQ(testing::read_file(out), testing::read_golden(c.golden));
        EXPECT_EQ(outcome->records_written, outcome->record_count);
        EXPECT_FALSE(outcome->unreadable_record);
    }
}

// Both engines keep the records before an unreadable one and say which it was.
TEST(ExportTargets, RecordsBeforeAnUnreadableRecordAreKept) {
    ScopedLocaleEnv env("C.UTF-8");
    ScratchDir dir;
    const auto log = corvex::testing::FaultyLog::wrap(
        testing::open_log(dir / "meter_basic.log", testing::meter_basic_log()), {.unreadable_from = 2, .before_item = {}});
    const ExportOptions options = options_for({"", nullptr, "", {true, true}, false, true, ","});
    for (const bool workbook : {false, true}) {
        SCOPED_TRACE(workbook ? "workbook" : "csv");
        const auto out = dir / (workbook ? "cut.xls" : "cut.csv");  // written under exactly this name
        std::vector<std::int64_t> reported;
        const ProgressFn progress = [&](std::int64_t done, std::int64_t) { reported.push_back(done); };
        auto outcome = workbook ? export_workbook(log.get(), options, out, progress)
                                : export_csv(log.get(), options, out, progress);
        ASSERT_TRUE(outcome) << outcome.error().description;
        EXPECT_EQ(outcome->record_count, 3);
        EXPECT_EQ(outcome->records_written, 2);
        EXPECT_EQ(outcome->unreadable_record, 2);
        EXPECT_EQ(reported.back(), 2);
        if (!workbook) {
            EXPECT_EQ(testing::read_file(out), testing::read_golden("meter_basic_cut_in_last_record.csv"));
            continue;
        }
        const corvex::testing::ReadWorkbook book = corvex::testing::read_workbook(out);
        ASSERT_TRUE(book.ok) << book.failure;
        EXPECT_EQ(book.value("Log Data", "B3"), "2.75");
        EXPECT_EQ(book.cell("Log Data", "A4"), nullptr);
    }
}

// Both engines write through the same output file: a log that cannot be read,
// a target that cannot be written, a disk that fills up (a file-size limit
// makes writes fail as a full disk would) or a stop requested part way fails
// with its error number and leaves an existing file as it was, with nothing
// beside it; a success replaces it under exactly its name.
TEST(ExportTargets, FailuresKeepTheOldFileAndSuccessReplacesItUnderExactlyItsName) {
    ScopedLocaleEnv env("C.UTF-8");
    ScratchDir dir;
    platform::ComPtr<ILog> log = testing::open_log(dir / "pc3.log", testing::pc3_log());
    platform::ComPtr<ILog> closed(objects::Log::make());  // no log open
    platform::ComPtr<ILog> big = testing::open_log(dir / "big.log", testing::large_pc_log(10000, 3));
    const auto old = dir / "export";                      // no extension is added
    const std::string older(200, '#');                    // longer than the new export
    { std::ofstream(old) << older; }
    std::filesystem::create_directory(dir / "folder");
    std::filesystem::create_directory(dir / "locked");
    std::filesystem::permissions(dir / "locked",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const auto before = dir.entries();

    using Engine = Expected<ExportOutcome, ExportError> (*)(ILog*, const ExportOptions&, const std::filesystem::path&,
                                                            const ProgressFn&);
    const std::pair<const char*, Engine> engines[] = {{"csv", export_csv}, {"workbook", export_workbook}};
    struct Case {
        const char* what;
        ILog* log;
        std::filesystem::path out;
        int number;
        std::string said;  // in the error's description
        rlim_t file_size_limit = RLIM_INFINITY;
        bool stop_part_way = false;
    };
    const Case cases[] = {
        {"no log open", closed.get(), old, error_number::kLogModule, ""},
        {"a folder", log.get(), dir / "folder", error_number::kFileAccess, (dir / "folder").string()},
        {"a missing folder", log.get(), dir / "missing" / "out", error_number::kPathNotFound, "missing/out"},
        {"a read-only folder", log.get(), dir / "locked" / "out", error_number::kPermissionDenied, "locked/out"},
        {"a full disk", big.get(), old, error_number::kDiskFull, old.string(), 8192},
        {"a stop request", big.get(), old, error_number::kCancelled, "Cancelled", RLIM_INFINITY, true},
    };
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous_handler = signal(SIGXFSZ, SIG_IGN);
    for (const auto& [engine_name, engine] : engines) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(engine_name) + ": " + c.what);
            if (c.number == error_number::kPermissionDenied && ::geteuid() == 0) continue;  // root may write anywhere
            const rlimit limited{std::min(c.file_size_limit, saved.rlim_cur), saved.rlim_max};
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
            std::stop_source stop;
            ExportOptions options = options_for(kGoldenCases[1]);
            if (c.stop_part_way) options.stop = stop.get_token();
            auto outcome = engine(c.log, options, c.out, [&](std::int64_t done, std::int64_t) {
                if (done >= 100) stop.request_stop();
            });
            setrlimit(RLIMIT_FSIZE, &saved);
            ASSERT_FALSE(outcome);
            EXPECT_EQ(outcome.error().number, c.number) << outcome.error().description;
            EXPECT_NE(outcome.error().description.find(c.said), std::string::npos) << outcome.error().description;
            EXPECT_EQ(dir.entries(), before);
            EXPECT_TRUE(std::filesystem::is_empty(dir / "locked"));
        }
    }
    signal(SIGXFSZ, previous_handler);
    EXPECT_EQ(testing::read_file(old), older);
    auto outcome = export_csv(log.get(), options_for(kGoldenCases[1]), old);
    ASSERT_TRUE(outcome) << outcome.error().description;
    EXPECT_EQ(testing::read_file(old), testing::read_golden("pc3_units02_noinfo_noerrors.csv"));
    EXPECT_EQ(dir.entries(), before);
}

}  // namespace
}  // namespace corvex::exporting
