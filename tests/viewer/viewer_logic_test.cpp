// The viewer's logic that needs no window: settings store, path texts, flag
// and unit texts, progress, command line.
#include <array>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "viewer/command_line.h"
#include "export/export_options.h"
#include "viewer/export_progress.h"
#include "viewer/log_display.h"
#include "viewer/log_path.h"
#include "viewer/settings_store.h"
#include "viewer_test_support.h"

namespace corvex::viewer {
namespace {

using testing::read_file;
using testing::ScratchDir;

TEST(SettingsStore, MissingFileSectionOrKeyGivesTheCallersDefault) {
    ScratchDir dir;
    SettingsStore store(dir / "none" / "CorvexViewer.ini");
    EXPECT_EQ(store.get("ExportOptions", "IncludeErrors", "1"), "1");
    ASSERT_TRUE(store.set("ExportOptions", "IncludeErrors", "0"));
    EXPECT_EQ(store.get("ExportOptions", "IncludeErrors", "1"), "0");
    EXPECT_EQ(store.get("ExportOptions", "IncludeLogInfo", "1"), "1");
    EXPECT_EQ(store.get("Paths", "IncludeErrors", "x"), "x");  // sections keep keys apart
}

TEST(SettingsStore, ValuesComeBackExactlyWhateverTheyHold) {
    ScratchDir dir;
    SettingsStore store(dir / "CorvexViewer.ini");
    const std::array<std::string, 9> values = {"", " ", "; ", ",", "\t", "a=b", "\"quoted\"", "back\\slash\\", "[x]\r\n;#"};
    for (const std::string& v : values) {
        ASSERT_TRUE(store.set("DELIMITER", "DELIMITER", v));
        EXPECT_EQ(store.get("DELIMITER", "DELIMITER", "default"), v);
    }
}

TEST(SettingsStore, KeepsOtherValuesAndReplacesTheFileWithoutLeftovers) {
    ScratchDir dir;
    const auto path = dir / "CorvexViewer.ini";
    SettingsStore store(path);
    ASSERT_TRUE(store.set("Paths", "oFilePath", "/logs/"));
    // A second store on the same file (another viewer) writes meanwhile.
    ASSERT_TRUE(SettingsStore(path).set("ExportOptions", "ExportFormat", "-1"));
    ASSERT_TRUE(store.set("DELIMITER", "DELIMITER", ";"));
    EXPECT_EQ(store.get("Paths", "oFilePath", ""), "/logs/");
    EXPECT_EQ(store.get("ExportOptions", "ExportFormat", "0"), "-1");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
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

TEST(SettingsStore, AFolderThatCannotBeMadeIsReportedNotIgnored) {
    ScratchDir dir;
    { std::ofstream(dir / "file") << "x"; }
    SettingsStore store(dir / "file" / "CorvexViewer.ini");
    const auto stored = store.set("DELIMITER", "DELIMITER", ";");
    ASSERT_FALSE(stored);
    EXPECT_NE(stored.error().find("CorvexViewer.ini"), std::string::npos) << stored.error();
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

TEST(ExportProgress, StepsOfOneTenOrAHundredRecords) {
    EXPECT_EQ(exporting::progress_step(499), 1);
    EXPECT_EQ(exporting::progress_step(500), 10);
    EXPECT_EQ(exporting::progress_step(999), 10);
    EXPECT_EQ(exporting::progress_step(1000), 100);
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
