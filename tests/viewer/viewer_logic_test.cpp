// The viewer's logic that needs no window: settings store, recent files,
// path texts, flag and unit texts, progress, range texts, the summary of a
// log, command line.
#include <cmath>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "viewer/command_line.h"
#include "export/export_options.h"
#include "viewer/export_progress.h"
#include "viewer/log_display.h"
#include "viewer/log_path.h"
#include "viewer/recent_files.h"
#include "viewer/records/log_summary.h"
#include "viewer/settings_store.h"
#include "viewer/status_lines.h"
#include "viewer_test_support.h"

namespace corvex::viewer {
namespace {

using testing::read_file;
using testing::ScratchDir;

// A missing file, section or key gives the caller's default; values come back
// exactly, beside those another store on the same file (another viewer) wrote.
TEST(SettingsStore, KeepsEveryValueExactlyAndReplacesTheFileWithoutLeftovers) {
    ScratchDir dir;
    const auto path = dir / "settings" / "CorvexViewer.ini";
    SettingsStore store(path);
    EXPECT_EQ(store.get("Paths", "oFilePath", "none"), "none");
    ASSERT_TRUE(store.set("Paths", "oFilePath", "/logs/"));
    ASSERT_TRUE(SettingsStore(path).set("ExportOptions", "ExportFormat", "-1"));
    for (const std::string v : {"", " ", "; ", ",", "\t", "a=b", "\"quoted\"", "back\\slash\\", "[x]\r\n;#"}) {
        ASSERT_TRUE(store.set("DELIMITER", "DELIMITER", v));
        EXPECT_EQ(store.get("DELIMITER", "DELIMITER", "default"), v);
    }
    EXPECT_EQ(store.get("Paths", "oFilePath", ""), "/logs/");
    EXPECT_EQ(store.get("ExportOptions", "ExportFormat", "0"), "-1");
    EXPECT_EQ(store.get("ExportOptions", "IncludeErrors", "1"), "1");
    EXPECT_EQ(store.get("Paths", "ExportFormat", "x"), "x");  // sections keep keys apart
    const auto files = std::distance(std::filesystem::directory_iterator(path.parent_path()), {});
    EXPECT_EQ(files, 1);
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::others_all,
              std::filesystem::perms::none);
}

TEST(SettingsStore, ReadsAHandEditedFile) {
    ScratchDir dir;
    const auto path = dir / "CorvexViewer.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "; edited by hand\r\nstray=line\r\n[ExportOptions]\r\n  IncludeErrors =  0  \r\nbroken line\r\n"
               "IncludeErrors=2\r\n[DELIMITER]\r\nDELIMITER=\"\\t\"\r\n";
    }
    SettingsStore store(path);
    EXPECT_EQ(store.get("ExportOptions", "IncludeErrors", "1"), "2");  // the last of a repeated key
    EXPECT_EQ(store.get("DELIMITER", "DELIMITER", ","), "\t");
    EXPECT_EQ(store.get("", "stray", "none"), "none");
}

TEST(RecentFiles, TheLastEightMostRecentFirstKeptInTheStore) {
    ScratchDir dir;
    const auto path = dir / "CorvexViewer.ini";
    {
        SettingsStore store(path);
        EXPECT_TRUE(recent_files(store).empty());
        for (const char* log : {"/a.log", "/b.log", "/a.log"}) ASSERT_TRUE(remember_recent_file(store, log));
        EXPECT_EQ(recent_files(store), (std::vector<std::string>{"/a.log", "/b.log"}));  // moved up, not repeated
        for (int i = 0; i < 8; ++i) ASSERT_TRUE(remember_recent_file(store, "/log" + std::to_string(i) + "\xE9.log"));
    }
    // Another run reads them back, bytes as they were.
    const std::vector<std::string> files = recent_files(SettingsStore(path));
    ASSERT_EQ(files.size(), kRecentFiles);
    EXPECT_EQ(files.front(), "/log7\xE9.log");
    EXPECT_EQ(files.back(), "/log0\xE9.log");
}

TEST(SettingsStore, NumbersAreSixteenBitIntegers) {
    EXPECT_EQ(parse_int16(" -1 "), -1);
    EXPECT_EQ(parse_int16("+2"), 2);
    EXPECT_EQ(parse_int16("-32768"), -32768);
    for (const char* bad : {"32768", "1.5", "yes", ""}) EXPECT_EQ(parse_int16(bad), std::nullopt) << bad;
}

TEST(LogPath, TitleFolderAndProposedExportName) {
    struct Case {
        const char* path;
        const char* title;
        const char* folder;
        const char* proposed;
    };
    const Case cases[] = {
        {"/data/logs/flow.log", "flow.log", "/data/logs/", "/data/logs/flow.csv"},
        {"flow.log", "flow.log", "", "flow.csv"},                                        // a bare name
        {"/data/site.7/flow.log", "flow.log", "/data/site.7/", "/data/site.7/flow.csv"}, // a "." in a folder stays
        {"/home/u/.local/share/flow", "flow", "/home/u/.local/share/", "/home/u/.local/share/flow.csv"},
        {"/data/flow.2024.log", "flow.2024.log", "/data/", "/data/flow.2024.csv"},        // only the last extension goes
        {"/data/.log", ".log", "/data/", "/data/.log.csv"},                               // a name that only begins with "."
        {"/data/flow.log.d/flow.log", "flow.log", "/data/flow.log.d/", "/data/flow.log.d/flow.csv"},
        {"\"/data/a b.log\"", "a b.log\"", "\"/data/", "\"/data/a b.csv"},               // quotes stay part of the path
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(log_title(c.path), c.title);
        EXPECT_EQ(log_folder(c.path), c.folder);
        EXPECT_EQ(proposed_export_name(c.path, ".csv"), c.proposed);
    }
}

TEST(LogDisplay, FlagsLabelPutsEachFlagOnALineOfItsOwn) {
    struct Case {
        std::uint16_t errors, cyclic;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, ""},
        {0x2000, 0x0001, "Basic Errors\nCyclic Log"},
        {0x1000, 0x0001, "Detailed Errors\nCyclic Log"},
        {0x2000 | 0x4000, 0, "Basic Errors\nError Log (HOLD)"},
        {0x1000 | 0x2000, 0, "Basic Errors\nDetailed Errors"},
        {0xF000, 0xFFFF, "Basic Errors\nDetailed Errors\nError Log (HOLD)\nCyclic Log"},  // sign bits do not confuse the tests
        {0x0FFF, 0xFFFE, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(log_flags_text(static_cast<std::int16_t>(c.errors), static_cast<std::int16_t>(c.cyclic)), c.text)
            << std::hex << c.errors << " " << c.cyclic;
    }
}

TEST(ExportProgress, TheBarShowsWholeStepsAndEndsFull) {
    struct Case {
        std::int64_t done, total;
        int maximum, value;
    };
    const Case cases[] = {
        {7, 499, 499, 7},       {15, 999, 999, 10},       {999, 999, 999, 999},
        {1199, 1234, 1234, 1100},
        {0, 0, 1, 1},           // a log without records ends full
        {5'000'000'000, 5'000'000'000, 2147483647, 2147483647},
    };
    for (const Case& c : cases) {
        const ProgressPosition at = progress_position(c.done, c.total);
        EXPECT_EQ(at.maximum, c.maximum) << c.done << "/" << c.total;
        EXPECT_EQ(at.value, c.value) << c.done << "/" << c.total;
    }
}

TEST(StatusLines, RangeTexts) {
    const exporting::LogSecond eight = (45356 * 86400LL) + 8 * 3600;  // 2024-03-05 08:00:00
    EXPECT_EQ(range_status_text(std::nullopt, 299), "Whole log: 299 records");
    EXPECT_EQ(range_status_text(exporting::TimeRange{eight, eight + 3599}, 1),
              "2024-03-05 08:00:00 to 2024-03-05 08:59:59: 1 record");
    EXPECT_EQ(range_status_text(exporting::TimeRange{eight}, std::nullopt), "From 2024-03-05 08:00:00: counting records");
    exporting::TimeRange up_to;
    up_to.last = eight;
    EXPECT_EQ(range_status_text(up_to, 0), "Up to 2024-03-05 08:00:00: 0 records");
}

// Records of two units kept in memory, read back in blocks as a log would be.
struct MemoryLog {
    std::vector<double> times;
    std::vector<double> values;  // two per record
    std::vector<std::int16_t> errors;

    void read(std::int32_t first, std::int32_t wanted, exporting::RecordBlock& block) const {
        block.first = first;
        block.units = 2;
        block.count = std::max(0, std::min(wanted, static_cast<std::int32_t>(times.size()) - first));
        block.times.assign(times.begin() + first, times.begin() + first + block.count);
        block.values.assign(values.begin() + 2 * first, values.begin() + 2 * (first + block.count));
        block.errors.assign(errors.begin() + 2 * first, errors.begin() + 2 * (first + block.count));
        block.missing.clear();
    }
};

TEST(LogSummary, RangesAndGoToAgreeWithReadingEveryRecord) {
    // A cyclic log that wrapped: times rise, fall back a day, rise again; some
    // values are NaN, some times show as no date; the blocks are uneven.
    MemoryLog log;
    const double day = 45356, second = 1.0 / 86400;
    for (int r = 0; r < 1000; ++r) {
        const double t = r == 500 ? std::nan("") : day + (r < 600 ? r : r - 700) * 60 * second;
        log.times.push_back(t);
        log.values.push_back(r % 13 == 0 ? std::nan("") : std::sin(r) * 100);
        log.values.push_back(r);
        log.errors.push_back(static_cast<std::int16_t>(r % 17 == 0 ? -3 : 0));
        log.errors.push_back(0);
    }
    LogSummary summary(2);
    exporting::RecordBlock block;
    for (std::int32_t first = 0; first < 1000; first += 300) {
        log.read(first, 300, block);
        summary.add(block);
    }
    int reads = 0;
    const BlockReader read = [&](std::int32_t first, std::int32_t wanted, exporting::RecordBlock& b) {
        ++reads;
        log.read(first, wanted, b);
    };
    const exporting::LogSecond start = static_cast<exporting::LogSecond>(day) * 86400;
    const std::optional<exporting::TimeRange> ranges[] = {
        std::nullopt,
        exporting::TimeRange{start, start + 100 * 60},
        exporting::TimeRange{start - 200 * 60, start + 10 * 60},  // the records after the wrap, and a few before
        exporting::TimeRange{start + 700 * 60, start + 800 * 60},  // none
        exporting::TimeRange{start + 250 * 60 + 1, start + 250 * 60 + 1},
    };
    for (const auto& range : ranges) {
        SCOPED_TRACE(range ? range->first - start : -1);
        RangeStatistics expected;
        expected.units.resize(2);
        for (std::size_t r = 0; r < log.times.size(); ++r) {
            if (range && !range->contains(log.times[r])) continue;
            ++expected.records;
            for (std::size_t k = 0; k < 2; ++k) expected.units[k].add(log.values[2 * r + k], log.errors[2 * r + k]);
        }
        const RangeStatistics got = summary.statistics(range, read);
        EXPECT_EQ(got.records, expected.records);
        for (std::size_t k = 0; k < 2; ++k) {
            EXPECT_EQ(got.units[k].values, expected.units[k].values);
            EXPECT_EQ(got.units[k].error_records, expected.units[k].error_records);
            if (expected.units[k].values == 0) continue;
            EXPECT_EQ(got.units[k].minimum, expected.units[k].minimum);
            EXPECT_EQ(got.units[k].maximum, expected.units[k].maximum);
            EXPECT_NEAR(*got.units[k].mean(), *expected.units[k].mean(), 1e-9);
        }
    }
    // The whole log, and a range around blocks that lie wholly inside, are
    // answered from the summary without reading.
    reads = 0;
    summary.statistics(std::nullopt, read);
    EXPECT_EQ(reads, 0);

    for (const int minutes : {-100, 0, 95, 599, 600}) {
        SCOPED_TRACE(minutes);
        const exporting::LogSecond at = start + minutes * 60;
        std::optional<std::int32_t> expected;
        for (std::size_t r = 0; r < log.times.size() && !expected; ++r) {
            const auto s = exporting::log_second(log.times[r]);
            if (s && *s >= at) expected = static_cast<std::int32_t>(r);
        }
        EXPECT_EQ(summary.first_at_or_after(at, read), expected);
    }
}

TEST(CommandLine, EverythingAfterTheProgramIsOnePath) {
    const char* none[] = {nullptr};
    EXPECT_EQ(command_line_path(std::span<const char* const>(none, 0)), "");
    const char* split[] = {"/data/my", "flow", "log.log"};
    EXPECT_EQ(command_line_path(split), "/data/my flow log.log");
    const char* quoted[] = {"\"/data/a.log\"", "\"/data/b.log\""};
    EXPECT_EQ(command_line_path(quoted), "\"/data/a.log\" \"/data/b.log\"");
}

}  // namespace
}  // namespace corvex::viewer
