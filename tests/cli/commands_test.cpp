// The corvex tool run as a child process: what each command writes, its exit
// status, and the one line on standard error for each failure.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "corvex/corvex.h"
#include "corvex/platform/guid_text.h"
#include "corvex/platform/registry_store.h"
#include "corvex/platform/text.h"
#include "test_logs.h"
#include "tests/support/invalid_names.h"

namespace corvex::cli_test {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A failure: the given status, nothing on standard output, exactly one line on
// standard error that starts with `prefix` and contains `reason`.
void expect_one_line_failure(const RunResult& r, int status, const std::string& prefix, const std::string& reason) {
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_EQ(r.out, "");
    const auto lines = r.error_lines();
    ASSERT_EQ(lines.size(), 1u) << r.err;
    EXPECT_TRUE(lines[0].starts_with(prefix)) << lines[0];
    EXPECT_TRUE(contains(lines[0], reason)) << lines[0];
}

// ---- info ------------------------------------------------------------------

TEST(Info, ShowsHeaderFlagsRecordCountAndEveryItemProperty) {
    TempFolder folder;
    const auto log = folder.write_log("pc.log", pc_log());
    const RunResult r = run_corvex({"info", log});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* line : {"Format:      PC log\n", "Start Time:  2023-03-15 12:00:00\n",
                             "End Time:    2023-03-15 18:00:00\n", "Interval:    10 seconds\n",
                             "Records:     3\n", "Log Flags:   Detailed Errors, Cyclic Log\n",
                             "Flag Words:  cyclic 0x0001, error 0x1000\n", "Units:       2\n",
                             "0      Flow   m/s     577        1        0      FLOWPC    2        3     9      2\n",
                             "1      Level          705        2        0      FLOWPC    0        0     12     4\n"})
        EXPECT_TRUE(contains(r.out, line)) << line << "\nin:\n" << r.out;
}

TEST(Info, NamesTheMeterHeaderOffsetAndTheCatalogueLabels) {
    TempFolder folder;
    const RunResult r = run_corvex({"info", folder.write_log("meter.log", meter_log())});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Format:      meter log (header at offset 68)\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "Log Flags:   none\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "0      Velocity  m/s     577        1        0      RZ417")) << r.out;
}

TEST(Info, SaysInOneLineWhyAFileIsNotAReadableLog) {
    TempFolder folder;
    logwriter::LogDescription converted = pc_log();
    converted.format = logwriter::Format::Converted;
    std::filesystem::create_directory(folder / "folder.log");
    struct Case {
        std::string path, reason;
    };
    const Case cases[] = {
        {folder.write_bytes("text.log", std::string(2000, 'x')), ": not a readable log: PC log (first bytes 78 78)"},
        {folder.write_bytes("empty.log", ""), ": not a readable log: "},
        {folder.write_log("converted.log", converted), "0x5BB5"},
        {(folder / "missing.log").string(), ": cannot open: No such file or directory"},
        {(folder / "folder.log").string(), ": is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        expect_one_line_failure(run_corvex({"info", c.path}), 1, "corvex info: " + c.path + ": ", c.reason);
    }
}

// ---- dump ------------------------------------------------------------------

TEST(Dump, WritesATabSeparatedTableWithGeneralDatesAndLocaleNumbers) {
    TempFolder folder;
    const RunResult r = run_corvex({"dump", folder.write_log("pc.log", pc_log())});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Date/Time\tFlow (m/s)\tError\tLevel\tError\n"
              "2023-03-15 12:00:00\t1.5\t0\t0.1\t7\n"
              "2023-03-15 18:00:00\t-2.25\t-1\tNaN\t0\n"
              "2023-03-16\tInf\t0\t1E+20\t0\n");
}

TEST(Dump, TableFollowsTheUsersDecimalSeparator) {
    TempFolder folder;
    const RunResult r =
        run_corvex({"dump", folder.write_log("pc.log", pc_log())}, {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"});
    ASSERT_EQ(r.status, 0) << r.err;
    // A missing locale is a broken test machine, not a pass: scripts/setup-deps.sh generates it.
    ASSERT_TRUE(contains(r.out, "1,5")) << "the de_DE.UTF-8 locale is not installed\n" << r.out;
    EXPECT_TRUE(contains(r.out, "\t1,5\t0\t0,1\t7\n")) << r.out;
}

TEST(Dump, JsonLinesCarryTheHeaderThenOneExactObjectPerRecord) {
    TempFolder folder;
    const RunResult r = run_corvex({"dump", "--json", folder.write_log("pc.log", pc_log())});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              R"({"format":"pc","cyclic_flags":1,"error_flags":4096,"flags":["Detailed Errors","Cyclic Log"],)"
              R"("start_time":45000.5,"end_time":45000.75,"interval":10,"record_count":3,"items":[)"
              R"({"unit_type":577,"input":0,"channel":1,"computer":"FLOWPC","label":"Flow","symbol":"m/s",)"
              R"("comport":2,"node_id":3,"width":9,"decimal":2},)"
              R"({"unit_type":705,"input":0,"channel":2,"computer":"FLOWPC","label":"Level","symbol":"",)"
              R"("comport":0,"node_id":0,"width":12,"decimal":4}]})"
              "\n"
              R"({"record":0,"time":45000.5,"values":[1.5,0.1],"errors":[0,7]})"
              "\n"
              R"({"record":1,"time":45000.75,"values":[-2.25,"NaN"],"errors":[-1,0]})"
              "\n"
              R"({"record":2,"time":45001,"values":["Inf",1e+20],"errors":[0,0]})"
              "\n");
}

TEST(Dump, JsonNumbersDoNotFollowTheLocale) {
    TempFolder folder;
    const RunResult r = run_corvex({"dump", "--json", folder.write_log("pc.log", pc_log())},
                                   {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, R"("values":[1.5,0.1])")) << r.out;
}

TEST(Dump, JsonHeaderOfAMeterLogGivesItsHeaderOffset) {
    TempFolder folder;
    const RunResult r = run_corvex({"dump", "--json", folder.write_log("meter.log", meter_log())});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with(R"({"format":"meter","header_offset":68,"cyclic_flags":0,)")) << r.out;
    EXPECT_TRUE(contains(r.out, R"("computer":"RZ417","label":"Velocity","symbol":"m/s")")) << r.out;
    EXPECT_TRUE(contains(r.out, "\n{\"record\":3,\"time\":45000.25208333333,\"values\":[13],\"errors\":[0]}\n"))
        << r.out;
}

TEST(Dump, NotALogWritesNothingAndFailsInOneLine) {
    TempFolder folder;
    const auto path = folder.write_bytes("text.log", std::string(2000, 'x'));
    for (const char* json : {"", "--json"}) {
        std::vector<std::string> args{"dump", path};
        if (*json) args.push_back(json);
        expect_one_line_failure(run_corvex(args), 1, "corvex dump: " + path + ": not a readable log", "PC log");
    }
}

// ---- export ----------------------------------------------------------------

TEST(Export, WritesTheDelimitedFileWithTheChosenOptions) {
    TempFolder folder;
    folder.write_log("pc.log", pc_log());
    struct Case {
        std::vector<std::string> options;
        std::string file;
    };
    const std::string info_block =
        "File Title: ,pc.log\r\nFile Name: ,pc.log\r\nStart Time:,2023-03-15 12:00:00\r\n"
        "End Time:,2023-03-15 18:00:00\r\nInterval:,10\r\nRecords:,3\r\nCyclic Flags:,1\r\nError Flags:,4096\r\n\r\n";
    const Case cases[] = {
        {{},
         info_block +
             "Date/Time,Flow (m/s),Error #,Level,Error #,\r\n"
             "2023-03-15 12:00:00,1.5,0,0.1,7,\r\n"
             "2023-03-15 18:00:00,-2.25,-1,NaN,0,\r\n"
             "2023-03-16,Inf,0,1E+20,0,\r\n"},
        // A detailed-errors log keeps the error column of an item left out.
        {{"--units", "1", "--no-log-info", "--delimiter", ";"},
         "Date/Time;Error #;Level;Error #;\r\n"
         "2023-03-15 12:00:00;0;0.1;7;\r\n"
         "2023-03-15 18:00:00;-1;NaN;0;\r\n"
         "2023-03-16;0;1E+20;0;\r\n"},
        // A time range: both ends included, as text or as a log time.
        {{"--units", "0", "--no-errors", "--from", "2023-03-15 18:00:00", "--to", "45001"},
         info_block + "Date/Time,Flow (m/s),\r\n2023-03-15 18:00:00,-2.25,\r\n2023-03-16,Inf,\r\n"},
        {{"--units", "0", "--no-errors", "--no-log-info", "--to", "2023-03-15"}, "Date/Time,Flow (m/s),\r\n"},
        {{"--units", "0", "--no-errors", "--no-log-info", "--delimiter", ""},
         "Date/TimeFlow (m/s)\r\n2023-03-15 12:00:001.5\r\n2023-03-15 18:00:00-2.25\r\n2023-03-16Inf\r\n"},
        // Given twice, in any order: the same selection.
        {{"--units", "1, 0,1", "--no-errors", "--no-log-info", "--format", "csv"},
         "Date/Time,Flow (m/s),Level,\r\n2023-03-15 12:00:00,1.5,0.1,\r\n"
         "2023-03-15 18:00:00,-2.25,NaN,\r\n2023-03-16,Inf,1E+20,\r\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"export", "pc.log", "-o", "out.txt"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult r = run_corvex(args, {}, folder.path());
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out + r.err, "");
        EXPECT_EQ(read_file(folder / "out.txt"), c.file);
    }
}

TEST(Export, FileTitleIsTheLastPathComponentAndFileNameThePathAsGiven) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "logs");
    folder.write_log("logs/pc.log", pc_log());
    const RunResult r = run_corvex({"export", "./logs/pc.log", "-o", "out.csv"}, {}, folder.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(read_file(folder / "out.csv").starts_with("File Title: ,pc.log\r\nFile Name: ,./logs/pc.log\r\n"));
}

TEST(Export, FailuresLeaveNoOutputAndExplainThemselvesInOneLine) {
    TempFolder folder;
    const auto log = folder.write_log("pc.log", pc_log());
    const auto no_units = folder.write_log("none.log", pc_log_without_units());
    const auto text = folder.write_bytes("text.log", std::string(2000, 'x'));
    std::filesystem::create_directory(folder / "out_folder");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string reason;
    };
    const std::string out = (folder / "out.csv").string();
    const Case cases[] = {
        {{"export", no_units, "-o", out}, 1, no_units + ": the log has no units to export"},
        {{"export", log, "-o", out, "--units", "0,2"}, 1,
         "--units: unit index 2 is out of range: " + log + " has 2 units (0 to 1)"},
        {{"export", log, "-o", out, "--units", "-1"}, 1, "unit index -1 is out of range"},
        {{"export", log, "-o", out, "--units", "0,x"}, 64, "'0,x' is not a list of unit indexes"},
        {{"export", log, "-o", out, "--units", ""}, 64, "is not a list of unit indexes"},
        {{"export", text, "-o", out}, 1, text + ": not a readable log"},
        {{"export", (folder / "missing.log").string(), "-o", out}, 1, "No such file or directory"},
        {{"export", log, "-o", out, "--format", "ods"}, 64, "ods"},
        {{"export", log, "-o", (folder / "out.xlsx").string(), "--delimiter", ";"}, 64,
         "--delimiter applies to csv output only"},
        {{"export", log}, 64, "--output"},
        {{"export", log, "-o", out, "--from", "15.03.2023"}, 64, "'15.03.2023' is not a time"},
        {{"export", log, "-o", out, "--to", "2023-02-30"}, 64, "'2023-02-30' is not a time"},
        {{"export", log, "-o", out, "--from", "2023-03-16", "--to", "45000.5"}, 64,
         "--from 2023-03-16 lies after --to 45000.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        expect_one_line_failure(run_corvex(c.args), c.status, "corvex", c.reason);
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_FALSE(std::filesystem::exists(folder / "out.xlsx"));
    }
    // Unwritable places: a missing folder, a folder, a folder without write permission.
    std::filesystem::create_directory(folder / "locked");
    ::chmod((folder / "locked").c_str(), 0500);
    for (const std::filesystem::path& place :
         {folder / "no" / "such" / "out.csv", folder / "out_folder", folder / "locked" / "out.csv"}) {
        SCOPED_TRACE(place);
        if (place.filename() == "out.csv" && place.parent_path().filename() == "locked" && ::geteuid() == 0) continue;
        expect_one_line_failure(run_corvex({"export", log, "-o", place.string()}), 1, "corvex export: ",
                                place.string());
    }
    // A workbook a spreadsheet application holds open (its lock file lies beside it).
    folder.write_bytes(".~lock.book.xlsx#", "");
    expect_one_line_failure(run_corvex({"export", log, "-o", (folder / "book.xlsx").string()}), 1, "corvex export: ",
                            "is open in another application");
    EXPECT_FALSE(std::filesystem::exists(folder / "book.xlsx"));
    EXPECT_TRUE(std::filesystem::is_empty(folder / "locked"));
    EXPECT_TRUE(std::filesystem::is_empty(folder / "out_folder"));
}

TEST(Export, AFailedExportLeavesAnExistingOutputAsItWas) {
    TempFolder folder;
    const auto out = folder.write_bytes("out.csv", "earlier export");
    const auto text = folder.write_bytes("text.log", std::string(2000, 'x'));
    EXPECT_EQ(run_corvex({"export", text, "-o", out}).status, 1);
    EXPECT_EQ(run_corvex({"export", folder.write_log("pc.log", pc_log()), "-o", out, "--units", "7"}).status, 1);
    EXPECT_EQ(read_file(out), "earlier export");
}

TEST(Export, RefusesToWriteOverTheLogItself) {
    TempFolder folder;
    const auto log = folder.write_log("pc.log", pc_log());
    const std::string before = read_file(log);
    expect_one_line_failure(run_corvex({"export", log, "-o", log}), 1, "corvex export: " + log + ": ",
                            "is the log itself");
    EXPECT_EQ(read_file(log), before);
}

TEST(Export, FormatFollowsTheExtensionUnlessChosen) {
    TempFolder folder;
    folder.write_log("pc.log", pc_log());
    struct Case {
        std::vector<std::string> args;
        std::string out;
        bool workbook;
    };
    const Case cases[] = {
        {{"-o", "a.xlsx"}, "a.xlsx", true},
        {{"-o", "b.XLS"}, "b.XLS", true},
        {{"-o", "c.csv"}, "c.csv", false},
        {{"-o", "d.xlsx", "--format", "csv"}, "d.xlsx", false},
        {{"-o", "e.txt", "--format", "xlsx"}, "e.txt", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        std::vector<std::string> args{"export", "pc.log"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = run_corvex(args, {}, folder.path());
        ASSERT_EQ(r.status, 0) << r.err;
        // A workbook is a zip archive; the delimited file starts with its information block.
        const std::string file = read_file(folder / c.out);
        EXPECT_EQ(file.starts_with("PK\x03\x04"), c.workbook);
        EXPECT_EQ(file.starts_with("File Title: "), !c.workbook);
    }
}

// Many logs at once: each log's file in the folder, exactly what a single
// export gives, one line per log, and the worst status of them all.
TEST(Export, SeveralLogsGoIntoAFolderAtATime) {
    TempFolder folder;
    std::filesystem::create_directories(folder / "out");
    std::filesystem::create_directories(folder / "other");
    folder.write_log("a.log", pc_log());
    folder.write_log("b.log", meter_log());
    folder.write_log("other/a.log", meter_log());          // same file name: left out
    folder.write_bytes("notes.log", std::string(2000, 'x'));  // no log
    const RunResult single = run_corvex({"export", "a.log", "-o", "single.csv"}, {}, folder.path());
    ASSERT_EQ(single.status, 0) << single.err;

    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(jobs);
        const RunResult r = run_corvex({"export", "a.log", "b.log", "notes.log", "other/a.log", "--out-dir", "out", "-j", jobs},
                                       {}, folder.path());
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(contains(r.out, "a.log -> out/a.csv (3 records)\n")) << r.out;
        EXPECT_TRUE(contains(r.out, "b.log -> out/b.csv (4 records)\n")) << r.out;
        EXPECT_TRUE(contains(r.err, "corvex export: notes.log: not a readable log")) << r.err;
        EXPECT_TRUE(contains(r.err, "out/a.csv: would also be written for a.log; other/a.log is left out")) << r.err;
        EXPECT_EQ(r.error_lines().size(), 2u) << r.err;
        EXPECT_EQ(read_file(folder / "out" / "a.csv"), read_file(folder / "single.csv"));
    }
    // Only unreadable records: status 2; bad arguments: 64.
    logwriter::LogDescription cut = meter_log();
    cut.truncate_to = logwriter::build_log(cut).size() - 3;
    folder.write_log("cut.log", cut);
    EXPECT_EQ(run_corvex({"export", "a.log", "cut.log", "--out-dir", "out"}, {}, folder.path()).status, 2);
    EXPECT_EQ(run_corvex({"export", "a.log", "b.log", "-o", "x.csv"}, {}, folder.path()).status, 64);
    EXPECT_EQ(run_corvex({"export", "a.log"}, {}, folder.path()).status, 64);
}

// The workbook writer's temporary files lie beside the workbook, on the disk
// that must hold it, never in the temporary folder, where a full disk would
// go unnoticed.
TEST(Export, AWorkbooksTemporaryFilesStayBesideIt) {
    TempFolder folder;
    const auto log = folder.write_log("pc.log", pc_log());
    const auto tmp = folder / "tmp";
    std::filesystem::create_directory(tmp);
    // A folder's modification time changes with every file made or removed in it.
    const timespec long_ago[2] = {{1'000'000, 0}, {1'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tmp.c_str(), long_ago, 0), 0);
    const RunResult r = run_corvex({"export", log, "-o", (folder / "out.xlsx").string()}, {"TMPDIR=" + tmp.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    struct stat status {};
    ASSERT_EQ(::stat(tmp.c_str(), &status), 0);
    EXPECT_EQ(status.st_mtim.tv_sec, 1'000'000);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"out.xlsx", "pc.log", "tmp"}));
}

// ---- times at the end of the calendar ------------------------------------------

// The last second of 9999 is a date; a time that rounds into the year 10000 is
// shown as its number, alike in every command.
TEST(CalendarEnd, TimesPastItAreNumbersInInfoDumpAndExport) {
    TempFolder folder;
    logwriter::LogDescription desc = pc_log();
    const double last_second = 2958465.0 + 86399.0 / 86400;
    const double past = 2958465.0 + 86399.6 / 86400;
    desc.start_time = last_second;
    desc.end_time = past;
    desc.records.resize(2);
    desc.records[0].time = last_second;
    desc.records[1].time = past;
    const auto log = folder.write_log("end.log", desc);
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> lines;
    };
    const std::string out = (folder / "end.csv").string();
    const Case cases[] = {
        {{"info", log}, {"Start Time:  9999-12-31 23:59:59\n", "End Time:    2958465.99999537\n"}},
        {{"dump", log}, {"\n9999-12-31 23:59:59\t1.5\t", "\n2958465.99999537\t-2.25\t"}},
        {{"export", log, "-o", out},
         {"Start Time:,9999-12-31 23:59:59\r\n", "End Time:,2958465.99999537\r\n", "\r\n9999-12-31 23:59:59,1.5,",
          "\r\n2958465.99999537,-2.25,"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const RunResult r = run_corvex(c.args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string text = c.args[0] == "export" ? read_file(out) : r.out;
        for (const std::string& line : c.lines) EXPECT_TRUE(contains(text, line)) << line << "\nin:\n" << text;
    }
}

// ---- a record the module cannot read -----------------------------------------

// Registers the test library whose Log cannot read record `index` of any log,
// and answers the environment that makes the tool use it.
std::vector<std::string> unreadable_record_environment(const TempFolder& folder, int index) {
    platform::RegistryStore store;
    const std::string key = "CLSID\\" + platform::format_guid(CLSID_Log) + "\\InprocServer32";
    store.set_default_value(key, CORVEX_TEST_UNREADABLE_RECORD_LIBRARY);
    const auto path = folder / "registry";
    EXPECT_TRUE(store.save(path));
    return {"CORVEX_REGISTRY=" + path.string(),
            "CORVEX_TEST_REAL_LIBRARY=" + (std::filesystem::path(CORVEX_BINARY_DIR) / "bin" / "libCorvex.so").string(),
            "CORVEX_TEST_UNREADABLE_RECORD=" + std::to_string(index)};
}

TEST(UnreadableRecord, ExportKeepsTheRecordsBeforeItAndExitsWithStatusTwo) {
    TempFolder folder;
    const auto log = folder.write_log("meter.log", meter_log());
    const auto out = (folder / "out.csv").string();
    const RunResult r =
        run_corvex({"export", log, "-o", out, "--no-log-info"}, unreadable_record_environment(folder, 2));
    expect_one_line_failure(r, 2, "corvex export: " + log + ": ",
                            "could not read record 2 (counting from 0) of 4; " + out + " holds the 2 records before it");
    EXPECT_EQ(read_file(out),
              "Date/Time,Velocity (m/s),\r\n2023-03-15 06:00:00,10,\r\n2023-03-15 06:01:00,11,\r\n");
}

// A meter log cut inside its last record counts that record by its time, but
// the record cannot be read: the export keeps the records before it.
TEST(UnreadableRecord, MeterLogCutInsideItsLastRecordExportsTheRestAndExitsWithStatusTwo) {
    TempFolder folder;
    logwriter::LogDescription desc = meter_log();
    desc.truncate_to = logwriter::build_log(desc).size() - 3;
    const auto log = folder.write_log("cut.log", desc);
    const auto out = (folder / "out.csv").string();
    const RunResult r = run_corvex({"export", log, "-o", out, "--no-log-info"});
    expect_one_line_failure(r, 2, "corvex export: " + log + ": ",
                            "could not read record 3 (counting from 0) of 4; " + out + " holds the 3 records before it");
    EXPECT_TRUE(read_file(out).starts_with("Date/Time,Velocity (m/s),\r\n2023-03-15 06:00:00,10,\r\n"));
}

TEST(UnreadableRecord, ConvertOfAMeterLogCutInsideItsLastRecordKeepsTheRestAndExitsWithStatusTwo) {
    TempFolder folder;
    logwriter::LogDescription desc = meter_log();
    desc.truncate_to = logwriter::build_log(desc).size() - 3;
    const auto log = folder.write_log("cut.log", desc);
    const auto out = (folder / "out.cvt").string();
    const RunResult r = run_corvex({"convert", log, out});
    expect_one_line_failure(r, 2, "corvex convert: " + log + ": ",
                            "could not read record 3 (counting from 0) of 4; " + out + " holds the 3 records before it");
    EXPECT_EQ(read_file(out).size(), 1032u + 3 * 18);
}

TEST(UnreadableRecord, DumpWritesTheRecordsBeforeItAndExitsWithStatusTwo) {
    TempFolder folder;
    const auto log = folder.write_log("meter.log", meter_log());
    const RunResult r = run_corvex({"dump", log}, unreadable_record_environment(folder, 1));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "Date/Time\tVelocity (m/s)\tError\n2023-03-15 06:00:00\t10\t0\n");
    ASSERT_EQ(r.error_lines().size(), 1u) << r.err;
    EXPECT_EQ(r.error_lines()[0], "corvex dump: " + log +
                                      ": could not read record 1 (counting from 0) of 4; the records before it were written");
}

TEST(Activation, AStoreOthersCanWriteIsNotTrustedAndTheLibraryBesideTheToolIsUsed) {
    TempFolder folder;
    auto env = unreadable_record_environment(folder, 0);
    ::chmod((folder / "registry").c_str(), 0666);
    const RunResult r = run_corvex({"dump", folder.write_log("meter.log", meter_log())}, env);
    // Record 0 reads: the registered stand-in was not loaded.
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "2023-03-15 06:00:00\t10\t0\n")) << r.out;
}

// ---- convert ---------------------------------------------------------------

TEST(Convert, WritesTheConvertedLogWithTheChosenItemSettings) {
    TempFolder folder;
    const auto src = folder.write_log("meter.log", meter_log());
    const auto dst = (folder / "converted.log").string();
    const RunResult r = run_corvex({"convert", src, dst, "--computer", "RIG-7", "--comport", "3", "--node", "-2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    const std::string bytes = read_file(dst);
    // Header and twelve item slots, then 18 bytes per unit of each of the four records.
    ASSERT_EQ(bytes.size(), 1032u + 4 * 18);
    EXPECT_EQ(bytes.substr(0, 2), "\xB5\x5B");
    EXPECT_EQ(bytes.substr(24, 32), "RIG-7" + std::string(27, ' '));
    EXPECT_EQ(bytes.substr(24 + 72, 4), std::string("\x03\x00\xFE\xFF", 4));  // comport 3, node -2
}

TEST(Convert, OptionsDefaultToAnEmptyNamePortZeroAndNodeZero) {
    TempFolder folder;
    const auto dst = (folder / "converted.log").string();
    ASSERT_EQ(run_corvex({"convert", folder.write_log("meter.log", meter_log()), dst}).status, 0);
    const std::string bytes = read_file(dst);
    ASSERT_GE(bytes.size(), 1032u);
    EXPECT_EQ(bytes.substr(24, 32), std::string(32, ' '));
    EXPECT_EQ(bytes.substr(24 + 72, 4), std::string(4, '\0'));
}

TEST(Convert, FailuresCreateNothingAndExplainThemselvesInOneLine) {
    TempFolder folder;
    const auto src = folder.write_log("meter.log", meter_log());
    const auto text = folder.write_bytes("text.log", std::string(2000, 'x'));
    const auto dst = (folder / "converted.log").string();
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string reason;
    };
    const Case cases[] = {
        {{"convert", text, dst}, 1, "corvex convert: " + text + ": not a readable log"},
        {{"convert", (folder / "missing.log").string(), dst}, 1, "No such file or directory"},
        {{"convert", src, (folder / "no/such/folder/c.log").string()}, 1,
         "corvex convert: " + (folder / "no/such/folder/c.log").string() + ": cannot write: No such file or directory"},
        {{"convert", src, folder.path().string()}, 1, ": cannot write: Is a directory"},
        {{"convert", src, dst, "--comport", "40000"}, 64, "--comport"},
        {{"convert", src, dst, "--node", "x"}, 64, "--node"},
        {{"convert", src}, 64, "DST"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        expect_one_line_failure(run_corvex(c.args), c.status, "corvex", c.reason);
        EXPECT_FALSE(std::filesystem::exists(dst));
    }
}

// A conversion that fails on a full disk leaves nothing under the destination's name.
TEST(Convert, AWriteFailureLeavesNoDestinationBehind) {
    TempFolder folder;
    logwriter::LogDescription desc = meter_log();
    desc.records.resize(400, desc.records.back());
    const auto src = folder.write_log("meter.log", desc);
    const auto dst = (folder / "converted.log").string();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;  // the child inherits the limit: the converted log does not fit
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    const RunResult r = run_corvex({"convert", src, dst});
    std::signal(SIGXFSZ, old_handler);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    EXPECT_EQ(r.status, 1) << r.err;
    ASSERT_EQ(r.error_lines().size(), 1u) << r.err;
    EXPECT_EQ(r.error_lines()[0], "Convert Log: Could not write output file");
    EXPECT_FALSE(std::filesystem::exists(dst));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"meter.log"});
}

TEST(Convert, RefusesToConvertALogOntoItself) {
    TempFolder folder;
    const auto src = folder.write_log("meter.log", meter_log());
    const std::string before = read_file(src);
    expect_one_line_failure(run_corvex({"convert", src, (folder / "." / "meter.log").string()}), 1,
                            "corvex convert: ", "is the source log itself");
    EXPECT_EQ(read_file(src), before);
}

// ---- paths are bytes ---------------------------------------------------------

TEST(Paths, EveryCommandOpensAndWritesNamesThatAreNotUtf8Exactly) {
    TempFolder folder;
    for (const auto& name : corvex::testing::invalid_names()) {
        SCOPED_TRACE(name.kind);
        const std::string log_name = "log" + name.bytes + ".log", csv = "out" + name.bytes + ".csv",
                          cvt = "out" + name.bytes + ".cvt";
        const std::string log = folder.write_log(log_name, pc_log());
        const RunResult info = run_corvex({"info", log});
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_TRUE(contains(info.out, "Records:     3\n")) << info.out;
        const RunResult dump = run_corvex({"dump", log});
        EXPECT_EQ(dump.status, 0) << dump.err;
        EXPECT_TRUE(contains(dump.out, "2023-03-15 12:00:00\t1.5\t0\t0.1\t7\n")) << dump.out;
        EXPECT_EQ(run_corvex({"export", log_name, "-o", csv}, {}, folder.path()).status, 0);
        // Texts inside the export are UTF-8: the name's invalid bytes show as U+FFFD.
        const std::string exported = read_file(folder / csv);
        EXPECT_TRUE(exported.starts_with("File Title: ,log")) << exported;
        EXPECT_EQ(text::path_display_text(exported), exported);
        EXPECT_EQ(run_corvex({"convert", log, (folder / cvt).string()}).status, 0);
        EXPECT_EQ(read_file(folder / cvt).size(), 1032u + 3 * 2 * 18);
        // Nothing went to a name with U+FFFD in it.
        std::vector<std::string> expected{log_name, csv, cvt};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(folder.entries(), expected);
        for (const auto& entry : expected) std::filesystem::remove(folder / entry);
    }
    folder.write_log("log\xE9.log", pc_log());
    ASSERT_EQ(run_corvex({"export", "log\xE9.log", "-o", "out.csv"}, {}, folder.path()).status, 0);
    EXPECT_TRUE(read_file(folder / "out.csv").starts_with("File Title: ,log\uFFFD.log\r\nFile Name: ,log\uFFFD.log\r\n"));
    // On the terminal the bytes are shown as they are: escaped.
    EXPECT_TRUE(contains(run_corvex({"info", "log\xE9.log"}, {}, folder.path()).out, "File:        log\\xE9.log\n"));
}

// ---- texts from the log cannot drive the terminal -------------------------------

// A PC log whose label sets the terminal's title (OSC ... BEL) and carries the
// Windows-1252 bytes that stand for the C1 controls OSC (0x9D) and DCS (0x90),
// and a byte 0x9B (CSI in C1, a "›" in Windows-1252).
logwriter::LogDescription hostile_log() {
    logwriter::LogDescription desc = pc_log();
    desc.channels[0].label = "\x1B]0;pwned\x07\x9D\x90\x9B";
    desc.channels[0].symbol = "\x1B[2J";
    desc.channels[1].label = "tab\there";
    desc.channels[1].computer = "PC\r\n";
    return desc;
}

// No C0 control but the line feed, no DEL and no C1 control in UTF-8.
bool is_inert(const std::string& out) {
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<unsigned char>(out[i]);
        if ((b < 0x20 && b != '\n' && b != '\t') || b == 0x7F || b == 0x9B) return false;
        if (b == 0xC2 && i + 1 < out.size() && static_cast<unsigned char>(out[i + 1]) < 0xA0) return false;
    }
    return true;
}

TEST(TerminalText, InfoAndDumpShowControlCharactersFromTheLogEscaped) {
    TempFolder folder;
    const auto log = folder.write_log("hostile.log", hostile_log());
    const RunResult info = run_corvex({"info", log});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_TRUE(is_inert(info.out)) << info.out;
    EXPECT_FALSE(contains(info.out, "\t"));
    EXPECT_TRUE(contains(info.out, "  \\x1B]0;pwned\\x07\\u009D\\u0090\xE2\x80\xBA  \\x1B[2J  577")) << info.out;
    EXPECT_TRUE(contains(info.out, "  tab\\x09here  ")) << info.out;
    EXPECT_TRUE(contains(info.out, "  PC\\x0D\\x0A  ")) << info.out;

    const RunResult dump = run_corvex({"dump", log});
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_TRUE(is_inert(dump.out)) << dump.out;
    // One field per column: the header line still has five.
    EXPECT_TRUE(dump.out.starts_with(
        "Date/Time\t\\x1B]0;pwned\\x07\\u009D\\u0090\xE2\x80\xBA (\\x1B[2J)\tError\ttab\\x09here\tError\n"))
        << dump.out;
    // JSON keeps its own escapes.
    EXPECT_TRUE(contains(run_corvex({"dump", "--json", log}).out, R"("label":"\u001b]0;pwned\u0007)"));
}

TEST(TerminalText, FailureReportsShowThePathTheyEchoEscaped) {
    TempFolder folder;
    const std::string path = (folder / "x\x1B]0;t\x07\xE9.log").string();
    expect_one_line_failure(run_corvex({"info", path}), 1, "corvex info: ", "x\\x1B]0;t\\x07\\xE9.log: cannot open");
}

// ---- a registry store too deeply nested to be one ---------------------------------

TEST(Registry, AStoreNestedTooDeeplyIsReportedAndTheLibraryBesideTheToolIsUsed) {
    TempFolder folder;
    std::string key = "a";
    for (int i = 0; i < 400000; ++i) key += "\\a";
    const auto store = folder.write_bytes("registry", "; a store\n[" + key + "]\n");
    ASSERT_EQ(::chmod(store.c_str(), 0600), 0);
    const RunResult r = run_corvex({"info", folder.write_log("pc.log", pc_log())}, {"CORVEX_REGISTRY=" + store});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Records:     3\n")) << r.out;
    ASSERT_EQ(r.error_lines().size(), 1u) << r.err;
    EXPECT_EQ(r.error_lines()[0], "corvex: warning: registry store " + store +
                                      " is malformed: line 2: key nested deeper than 512 levels; using " +
                                      (std::filesystem::path(CORVEX_BINARY_DIR) / "bin" / "libCorvex.so").string());
}

// ---- units, typelib, help ------------------------------------------------------

TEST(Units, ListsEveryRowOrOne) {
    const RunResult all = run_corvex({"units"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_TRUE(all.out.starts_with("Id\tMode name\tShort name\tName\tMnemonic\tWidth\tDecimals\n0\t\t\t\t\t0\t0\n"));
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 381);
    // Windows-1252 texts of the catalogue come out as UTF-8.
    EXPECT_TRUE(contains(all.out, "\n705\tVolume\tm\xC2\xB3/s\tmeters\xC2\xB3/sec\tvol[m3/s]\t8\t3\n")) << all.out;

    const RunResult one = run_corvex({"units", "577"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "Id\tMode name\tShort name\tName\tMnemonic\tWidth\tDecimals\n577\tVelocity\tm/s\tm/s\tvel[m/s]\t7\t2\n");
}

TEST(Units, UnknownOrMalformedIdentifiersFailInOneLine) {
    expect_one_line_failure(run_corvex({"units", "9999"}), 1, "corvex units: ", "unit type 9999 is not in the catalogue");
    expect_one_line_failure(run_corvex({"units", "65673"}), 1, "corvex units: ", "unit type 65673 is not in the catalogue");
    expect_one_line_failure(run_corvex({"units", "12abc"}), 64, "corvex units: ", "'12abc' is not a unit type identifier");
}

TEST(Typelib, PrintsTheInterfacesWithTheirIdentifiers) {
    const RunResult r = run_corvex({"typelib"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "interface ILog : IDispatch")) << r.out;
    EXPECT_TRUE(contains(r.out, "1B466F2F-659E-11D5-8ABD-00D0B760DD12")) << r.out;
    EXPECT_TRUE(contains(r.out, "IConvertLog")) << r.out;
    EXPECT_TRUE(contains(r.out, "uuid(00CB62DF-C89F-4891-AF91-548FF15B4AE8),\n  local,")) << r.out;
    EXPECT_TRUE(contains(r.out, "HRESULT ReadRecords(std::int32_t first, std::int32_t count, double* times, double* "
                                "values, std::int16_t* errors, std::int32_t* pDelivered);")) << r.out;
}

TEST(CommandLine, EveryCommandHasHelpAndUsageErrorsAreOneLine) {
    for (const char* command : {"info", "dump", "export", "convert", "units", "typelib"}) {
        SCOPED_TRACE(command);
        const RunResult r = run_corvex({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(contains(r.out, "Usage:")) << r.out;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(run_corvex({"--help"}).status, 0);
    expect_one_line_failure(run_corvex({}), 64, "corvex: ", "");
    expect_one_line_failure(run_corvex({"frobnicate"}), 64, "corvex: ", "frobnicate");
    expect_one_line_failure(run_corvex({"info"}), 64, "corvex: ", "LOG");
    expect_one_line_failure(run_corvex({"dump", "a.log", "--csv"}), 64, "corvex: ", "--csv");
}

}  // namespace
}  // namespace corvex::cli_test
