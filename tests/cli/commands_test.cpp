// The corvex tool run as a child process: what each command writes, its exit
// status, and the one line on standard error for each failure.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "corvex/corvex.h"
#include "corvex/platform/guid_text.h"
#include "corvex/platform/registry_store.h"
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
    ScratchDir folder;
    struct Case {
        std::string log;
        std::vector<const char*> lines;
    };
    const Case cases[] = {
        {write_log(folder, "pc.log", pc_log()),
         {"Format:      PC log\n", "Start Time:  2023-03-15 12:00:00\n", "End Time:    2023-03-15 18:00:00\n",
          "Interval:    10 seconds\n", "Records:     3\n", "Log Flags:   Detailed Errors, Cyclic Log\n",
          "Flag Words:  cyclic 0x0001, error 0x1000\n", "Units:       2\n",
          "0      Flow   m/s     577        1        0      FLOWPC    2        3     9      2\n",
          "1      Level          705        2        0      FLOWPC    0        0     12     4\n"}},
        // The meter header's offset and the catalogue's labels.
        {write_log(folder, "meter.log", meter_log()),
         {"Format:      meter log (header at offset 68)\n", "Log Flags:   none\n",
          "0      Velocity  m/s     577        1        0      RZ417"}},
    };
    for (const Case& c : cases) {
        const RunResult r = run_corvex({"info", c.log});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        for (const char* line : c.lines) EXPECT_TRUE(contains(r.out, line)) << line << "\nin:\n" << r.out;
    }
}

// ---- dump ------------------------------------------------------------------

TEST(Dump, WritesATabSeparatedTableWithGeneralDatesAndTheUsersNumbers) {
    ScratchDir folder;
    const auto log = write_log(folder, "pc.log", pc_log());
    const RunResult r = run_corvex({"dump", log});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Date/Time\tFlow (m/s)\tError\tLevel\tError\n"
              "2023-03-15 12:00:00\t1.5\t0\t0.1\t7\n"
              "2023-03-15 18:00:00\t-2.25\t-1\tNaN\t0\n"
              "2023-03-16\tInf\t0\t1E+20\t0\n");
    // Tables follow the user's decimal separator; JSON does not.
    const std::vector<std::string> german = {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"};
    const RunResult table = run_corvex({"dump", log}, german);
    ASSERT_EQ(table.status, 0) << table.err;
    // A missing locale is a broken test machine, not a pass: scripts/setup-deps.sh generates it.
    ASSERT_TRUE(contains(table.out, "1,5")) << "the de_DE.UTF-8 locale is not installed\n" << table.out;
    EXPECT_TRUE(contains(table.out, "\t1,5\t0\t0,1\t7\n")) << table.out;
    const RunResult json = run_corvex({"dump", "--json", log}, german);
    EXPECT_TRUE(contains(json.out, R"("values":[1.5,0.1])")) << json.out;
}

TEST(Dump, JsonLinesCarryTheHeaderThenOneExactObjectPerRecord) {
    ScratchDir folder;
    const RunResult r = run_corvex({"dump", "--json", write_log(folder, "pc.log", pc_log())});
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
    const RunResult meter = run_corvex({"dump", "--json", write_log(folder, "meter.log", meter_log())});
    EXPECT_TRUE(meter.out.starts_with(R"({"format":"meter","header_offset":68,"cyclic_flags":0,)")) << meter.out;
    EXPECT_TRUE(contains(meter.out, R"("computer":"RZ417","label":"Velocity","symbol":"m/s")")) << meter.out;
    EXPECT_TRUE(contains(meter.out, "\n{\"record\":3,\"time\":45000.25208333333,\"values\":[13],\"errors\":[0]}\n"));
}

// ---- export ----------------------------------------------------------------

TEST(Export, WritesTheDelimitedFileWithTheChosenOptions) {
    ScratchDir folder;
    std::filesystem::create_directory(folder / "logs");
    write_log(folder, "logs/pc.log", pc_log());
    struct Case {
        std::vector<std::string> options;
        std::string file;
    };
    // The file title is the last path component, the file name the path as given.
    const std::string info_block =
        "File Title: ,pc.log\r\nFile Name: ,./logs/pc.log\r\nStart Time:,2023-03-15 12:00:00\r\n"
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
        std::vector<std::string> args{"export", "./logs/pc.log", "-o", "out.txt"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult r = run_corvex(args, {}, folder.path());
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out + r.err, "");
        EXPECT_EQ(read_file(folder / "out.txt"), c.file);
    }
}

// Every failure of every command: its status, nothing on standard output, one
// line on standard error, no file written and the log untouched.
TEST(Failures, LeaveNoOutputAndExplainThemselvesInOneLine) {
    ScratchDir folder;
    const auto log = write_log(folder, "pc.log", pc_log());
    logwriter::LogDescription without_units = pc_log(), converted = pc_log();
    without_units.channels.clear();
    converted.format = logwriter::Format::Converted;
    const auto no_units = write_log(folder, "none.log", without_units);
    const auto converted_log = write_log(folder, "converted.log", converted);
    const auto text = folder.write("text.log", std::string(2000, 'x'));
    const auto empty = folder.write("empty.log", "");
    std::filesystem::create_directory(folder / "out_folder");
    folder.write(".~lock.book.xlsx#", "");  // a workbook a spreadsheet application holds open
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string reason;
    };
    const std::string out = (folder / "out.csv").string(), missing_folder = (folder / "no" / "out.csv").string();
    const std::string missing = (folder / "missing.log").string();
    const std::string not_a_log = ": not a readable log: PC log (first bytes 78 78)";
    const std::string cvt = (folder / "out.cvt").string(), no_cvt_folder = (folder / "no/such/folder/c.log").string();
    const Case cases[] = {
        {{"info", text}, 1, "corvex info: " + text + not_a_log},
        {{"dump", text}, 1, "corvex dump: " + text + not_a_log},
        {{"dump", text, "--json"}, 1, "corvex dump: " + text + not_a_log},
        {{"info", empty}, 1, "corvex info: " + empty + ": not a readable log: "},
        {{"info", converted_log}, 1, "corvex info: " + converted_log + ": not a readable log: "},
        {{"info", missing}, 1, "corvex info: " + missing + ": cannot open: No such file or directory"},
        {{"info", (folder / "out_folder").string()}, 1,
         "corvex info: " + (folder / "out_folder").string() + ": is a directory"},
        // A path is echoed escaped.
        {{"info", (folder / "x\x1B]0;t\x07\xE9.log").string()}, 1, "x\\x1B]0;t\\x07\\xE9.log: cannot open"},
        {{"export", no_units, "-o", out}, 1, no_units + ": the log has no units to export"},
        {{"export", log, "-o", out, "--units", "0,2"}, 1,
         "--units: unit index 2 is out of range: " + log + " has 2 units (0 to 1)"},
        {{"export", log, "-o", out, "--units", "-1"}, 1, "unit index -1 is out of range"},
        {{"export", log, "-o", out, "--units", "0,x"}, 64, "'0,x' is not a list of unit indexes"},
        {{"export", log, "-o", out, "--units", ""}, 64, "is not a list of unit indexes"},
        {{"export", text, "-o", out}, 1, text + ": not a readable log"},
        {{"export", missing, "-o", out}, 1, "No such file or directory"},
        {{"export", log, "-o", out, "--format", "ods"}, 64, "ods"},
        {{"export", log, "-o", (folder / "out.xlsx").string(), "--delimiter", ";"}, 64,
         "--delimiter applies to csv output only"},
        {{"export", log}, 64, "--output"},
        {{"export", log, "-o", out, "--from", "15.03.2023"}, 64, "'15.03.2023' is not a time"},
        {{"export", log, "-o", out, "--to", "2023-02-30"}, 64, "'2023-02-30' is not a time"},
        {{"export", log, "-o", out, "--from", "2023-03-16", "--to", "45000.5"}, 64,
         "--from 2023-03-16 lies after --to 45000.5"},
        {{"export", log, "-o", log}, 1, log + ": is the log itself"},
        {{"export", log, "-o", missing_folder}, 1, missing_folder},
        {{"export", log, "-o", (folder / "out_folder").string()}, 1, (folder / "out_folder").string()},
        {{"export", log, "-o", (folder / "book.xlsx").string()}, 1, "is open in another application"},
        {{"convert", log, (folder / "." / "pc.log").string()}, 1, "pc.log: is the source log itself"},
        {{"convert", text, cvt}, 1, "corvex convert: " + text + ": not a readable log"},
        {{"convert", missing, cvt}, 1, "No such file or directory"},
        {{"convert", log, no_cvt_folder}, 1,
         "corvex convert: " + no_cvt_folder + ": cannot write: No such file or directory"},
        {{"convert", log, folder.path().string()}, 1, ": cannot write: Is a directory"},
        {{"convert", log, cvt, "--comport", "40000"}, 64, "--comport"},
        {{"convert", log, cvt, "--node", "x"}, 64, "--node"},
        {{"convert", log}, 64, "DST"},
        {{"units", "9999"}, 1, "corvex units: unit type 9999 is not in the catalogue"},
        {{"units", "65673"}, 1, "corvex units: unit type 65673 is not in the catalogue"},
        {{"units", "12abc"}, 64, "corvex units: '12abc' is not a unit type identifier"},
        // Usage errors name what is wrong and point to the help.
        {{}, 64, "corvex: "},
        {{"frobnicate"}, 64, "corvex: unknown command 'frobnicate'"},
        {{"info"}, 64, "corvex: LOG is required"},
        {{"dump", "a.log", "--csv"}, 64, "corvex: The following argument was not expected: --csv"},
    };
    const std::string before = read_file(log);
    const std::vector<std::string> entries = folder.entries();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        expect_one_line_failure(run_corvex(c.args), c.status, "corvex", c.reason);
        EXPECT_EQ(folder.entries(), entries);
    }
    EXPECT_EQ(read_file(log), before);
    EXPECT_TRUE(std::filesystem::is_empty(folder / "out_folder"));
}

TEST(Export, FormatFollowsTheExtensionUnlessChosen) {
    ScratchDir folder;
    write_log(folder, "pc.log", pc_log());
    struct Case {
        std::string out, format;
        bool workbook;
    };
    const Case cases[] = {{"a.xlsx", "", true},     {"b.XLS", "", true},      {"c.csv", "", false},
                          {"d.xlsx", "csv", false}, {"e.txt", "xlsx", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        std::vector<std::string> args{"export", "pc.log", "-o", c.out};
        if (!c.format.empty()) args.insert(args.end(), {"--format", c.format});
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
    ScratchDir folder;
    std::filesystem::create_directories(folder / "out");
    std::filesystem::create_directories(folder / "other");
    write_log(folder, "a.log", pc_log());
    write_log(folder, "b.log", meter_log());
    write_log(folder, "other/a.log", meter_log());          // same file name: left out
    folder.write("notes.log", std::string(2000, 'x'));  // no log
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
    write_log(folder, "cut.log", cut);
    EXPECT_EQ(run_corvex({"export", "a.log", "cut.log", "--out-dir", "out"}, {}, folder.path()).status, 2);
    EXPECT_EQ(run_corvex({"export", "a.log", "b.log", "-o", "x.csv"}, {}, folder.path()).status, 64);
    EXPECT_EQ(run_corvex({"export", "a.log"}, {}, folder.path()).status, 64);
}

// ---- a record the module cannot read -----------------------------------------

// Registers the test library whose Log cannot read record `index` of any log,
// and answers the environment that makes the tool use it.
std::vector<std::string> unreadable_record_environment(const ScratchDir& folder, int index) {
    platform::RegistryStore store;
    const std::string key = "CLSID\\" + platform::format_guid(CLSID_Log) + "\\InprocServer32";
    store.set_default_value(key, CORVEX_TEST_UNREADABLE_RECORD_LIBRARY);
    const auto path = folder / "registry";
    EXPECT_TRUE(store.save(path));
    return {"CORVEX_REGISTRY=" + path.string(),
            "CORVEX_TEST_REAL_LIBRARY=" + (std::filesystem::path(CORVEX_BINARY_DIR) / "bin" / "libCorvex.so").string(),
            "CORVEX_TEST_UNREADABLE_RECORD=" + std::to_string(index)};
}

// A record the stand-in module cannot read, or the last record of a meter log
// cut inside it (counted by its time, but not readable): every command keeps
// the records before it, says so in one line and exits with status 2.
TEST(UnreadableRecord, EveryCommandKeepsTheRecordsBeforeItAndExitsWithStatusTwo) {
    ScratchDir folder;
    const auto log = write_log(folder, "meter.log", meter_log());
    logwriter::LogDescription desc = meter_log();
    desc.truncate_to = logwriter::build_log(desc).size() - 3;
    const auto cut = write_log(folder, "cut.log", desc);
    desc = meter_log();
    desc.records.resize(3);
    const auto three = (folder / "three.cvt").string();
    ASSERT_EQ(run_corvex({"convert", write_log(folder, "three.log", desc), three}).status, 0);
    const auto stand_in = unreadable_record_environment(folder, 2);
    const std::string csv = (folder / "out.csv").string(), cvt = (folder / "out.cvt").string();
    const std::string lines = "Date/Time,Velocity (m/s),\r\n2023-03-15 06:00:00,10,\r\n2023-03-15 06:01:00,11,\r\n";
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> env;
        std::string line;
        std::string output;  // the file written, or standard output when the case writes no file
        std::string file;
    };
    const Case cases[] = {
        {{"export", log, "-o", csv, "--no-log-info"}, stand_in,
         "corvex export: " + log + ": could not read record 2 (counting from 0) of 4; " + csv + " holds the 2 records before it",
         lines, csv},
        {{"export", cut, "-o", csv, "--no-log-info"}, {},
         "corvex export: " + cut + ": could not read record 3 (counting from 0) of 4; " + csv + " holds the 3 records before it",
         lines + "2023-03-15 06:02:00,12,\r\n", csv},
        {{"convert", cut, cvt}, {},
         "corvex convert: " + cut + ": could not read record 3 (counting from 0) of 4; " + cvt + " holds the 3 records before it",
         read_file(three), cvt},
        {{"dump", log}, stand_in,
         "corvex dump: " + log + ": could not read record 2 (counting from 0) of 4; the records before it were written",
         "Date/Time\tVelocity (m/s)\tError\n2023-03-15 06:00:00\t10\t0\n2023-03-15 06:01:00\t11\t0\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const RunResult r = run_corvex(c.args, c.env);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.error_lines(), std::vector<std::string>{c.line});
        EXPECT_EQ(c.file.empty() ? r.out : read_file(c.file), c.output);
    }
}

// ---- convert ---------------------------------------------------------------

TEST(Convert, StampsEveryItemWithTheChosenSettingsOrBlanksAndZeros) {
    ScratchDir folder;
    const auto src = write_log(folder, "meter.log", meter_log());
    const auto dst = (folder / "converted.log").string();
    struct Case {
        std::vector<std::string> options;
        std::string computer, port_and_node;
    };
    const Case cases[] = {
        {{"--computer", "RIG-7", "--comport", "3", "--node", "-2"}, "RIG-7" + std::string(27, ' '),
         std::string("\x03\x00\xFE\xFF", 4)},
        {{}, std::string(32, ' '), std::string(4, '\0')},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"convert", src, dst};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult r = run_corvex(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out + r.err, "");
        const std::string bytes = read_file(dst);
        // Header and twelve item slots, then 18 bytes per unit of each of the four records.
        ASSERT_EQ(bytes.size(), 1032u + 4 * 18);
        EXPECT_EQ(bytes.substr(0, 2), "\xB5\x5B");
        EXPECT_EQ(bytes.substr(24, 32), c.computer);
        EXPECT_EQ(bytes.substr(24 + 72, 4), c.port_and_node);
    }
}

// ---- paths are bytes ---------------------------------------------------------

// Every command opens its log through one function; names that are not UTF-8
// as destinations are the output file's (tests/cli/hostile_output_test.cpp).
TEST(Paths, LogNamesThatAreNotUtf8OpenExactlyAndShowReplacedOrEscaped) {
    ScratchDir folder;
    for (const auto& name : corvex::testing::invalid_names()) {
        SCOPED_TRACE(name.kind);
        const RunResult info = run_corvex({"info", write_log(folder, "log" + name.bytes + ".log", pc_log())});
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_TRUE(contains(info.out, "Records:     3\n")) << info.out;
    }
    write_log(folder, "log\xE9.log", pc_log());
    // Texts inside the export are UTF-8: the name's invalid bytes show as U+FFFD.
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
    ScratchDir folder;
    const auto log = write_log(folder, "hostile.log", hostile_log());
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

// ---- a registry store too deeply nested to be one ---------------------------------

TEST(Registry, AStoreNestedTooDeeplyIsReportedAndTheLibraryBesideTheToolIsUsed) {
    ScratchDir folder;
    std::string key = "a";
    for (int i = 0; i < 400000; ++i) key += "\\a";
    const auto store = folder.write("registry", "; a store\n[" + key + "]\n");
    ASSERT_EQ(::chmod(store.c_str(), 0600), 0);
    const RunResult r = run_corvex({"info", write_log(folder, "pc.log", pc_log())}, {"CORVEX_REGISTRY=" + store});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Records:     3\n")) << r.out;
    ASSERT_EQ(r.error_lines().size(), 1u) << r.err;
    EXPECT_EQ(r.error_lines()[0], "corvex: warning: registry store " + store +
                                      " is malformed: line 2: key nested deeper than 512 levels; using " +
                                      (std::filesystem::path(CORVEX_BINARY_DIR) / "bin" / "libCorvex.so").string());
}

// ---- units, typelib, help ------------------------------------------------------

TEST(Units, ListsEveryRowOrOne) {
    const std::string header = "Id\tMode name\tShort name\tName\tMnemonic\tWidth\tDecimals\n";
    const RunResult all = run_corvex({"units"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_TRUE(all.out.starts_with(header + "0\t\t\t\t\t0\t0\n"));
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 381);
    // Windows-1252 texts of the catalogue come out as UTF-8.
    EXPECT_TRUE(contains(all.out, "\n705\tVolume\tm\xC2\xB3/s\tmeters\xC2\xB3/sec\tvol[m3/s]\t8\t3\n")) << all.out;
    const RunResult one = run_corvex({"units", "577"});
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_TRUE(one.out.starts_with(header + "577\t")) << one.out;
    EXPECT_TRUE(contains(all.out, "\n" + one.out.substr(header.size()))) << one.out;
}

TEST(CommandLine, EveryCommandHasHelpAndTypelibPrintsTheTypeLibrary) {
    for (const char* command : {"info", "dump", "export", "convert", "units", "typelib"}) {
        SCOPED_TRACE(command);
        const RunResult r = run_corvex({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(contains(r.out, "Usage:")) << r.out;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(run_corvex({"--help"}).status, 0);
    // What typelib prints is checked in tests/automation/module_parts_test.cpp.
    EXPECT_TRUE(contains(run_corvex({"typelib"}).out, "interface ILog : IDispatch"));
}

}  // namespace
}  // namespace corvex::cli_test
