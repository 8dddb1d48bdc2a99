// Time ranges: the texts they are typed as, and exports restricted to them.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "export/csv_export.h"
#include "export/time_range.h"
#include "export/workbook_export.h"
#include "tests/export/export_fixtures.h"
#include "tests/export/export_test_support.h"
#include "tests/support/workbook_reader.h"

namespace corvex::exporting {
namespace {

using testing::ScratchDir;

constexpr LogSecond kDay = 86400;
constexpr LogSecond k20240305 = (testing::kDay20240301 + 4) * kDay;

TEST(TimeRange, BoundsAreReadAsTheGeneralDateShowsThemOrAsLogTimes) {
    struct Case {
        const char* text;
        std::optional<LogSecond> second;
    };
    const Case cases[] = {
        {"2024-03-05 08:00:00", k20240305 + 8 * 3600},
        {" 2024-03-05T23:59:59 ", k20240305 + kDay - 1},
        {"2024-03-05", k20240305},
        {"2024-02-29", k20240305 - 5 * kDay},
        {"08:00:00", 8 * 3600},  // a time alone lies on 1899-12-30, as the general date shows it
        {"45356.3333333", k20240305 + 8 * 3600},  // a log time, to the nearest second
        {"45356.25", k20240305 + 6 * 3600},
        {"-1.25", -kDay + 6 * 3600},  // 1899-12-29 06:00: the fraction is the time after midnight
        {"0", 0},
        {"2023-02-29", std::nullopt},
        {"2024-13-01", std::nullopt},
        {"2024-03-05 24:00:00", std::nullopt},
        {"2024-03-05 8:00:00", std::nullopt},
        {"05.03.2024", std::nullopt},
        {"0099-12-31", std::nullopt},
        {"1e9", std::nullopt},  // beyond the year 9999
        {"nan", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parse_time_bound(c.text);
        ASSERT_EQ(parsed.has_value(), c.second.has_value()) << (parsed ? "" : parsed.error());
        if (!c.second) continue;
        EXPECT_EQ(*parsed, *c.second);
        // The text of a second reads back as that second, and its log time shows as it.
        EXPECT_EQ(parse_time_bound(time_bound_text(*parsed)).value(), *parsed);
        EXPECT_EQ(log_second(second_log_time(*parsed)), *parsed);
    }
    EXPECT_EQ(time_bound_text(k20240305 + 8 * 3600 + 5), "2024-03-05 08:00:05");
}

TEST(TimeRange, TimesCompareByTheSecondTheyShowAs) {
    TimeRange range{k20240305 + 10, k20240305 + 20};
    const double day = static_cast<double>(k20240305 / kDay);
    const double second = 1.0 / 86400;
    EXPECT_TRUE(range.contains(day + 9.5 * second));   // shows as :10
    EXPECT_FALSE(range.contains(day + 9.49 * second));  // shows as :09
    EXPECT_TRUE(range.contains(day + 20.49 * second));
    EXPECT_FALSE(range.contains(day + 20.5 * second));
    EXPECT_FALSE(TimeRange{}.contains(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_TRUE(TimeRange{}.contains(day));
}

// The lines of a delimited file.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

TEST(RangeExport, WritesTheFullExportsRecordsInsideTheRangeAndTheWholeLogsInformation) {
    ScratchDir dir;
    // Records one second apart from 2024-03-01 00:00:00.
    auto log = testing::open_log(dir / "r.log", testing::large_pc_log(5000, 2));
    ExportOptions options;
    options.selected = {true, true};
    ASSERT_TRUE(export_csv(log.get(), options, dir / "full.csv"));
    const std::vector<std::string> full = lines_of(testing::read_file(dir / "full.csv"));
    constexpr int kInfo = 10;  // nine information lines and the header
    ASSERT_EQ(full.size(), 5000u + kInfo);

    const LogSecond start = testing::kDay20240301 * kDay;
    struct Case {
        std::optional<TimeRange> range;
        int first, last;  // records expected, both included
        bool workbook;    // the workbook too (read back by openpyxl: slow)
    };
    const Case cases[] = {
        {TimeRange{start + 4094, start + 4100}, 4094, 4100, true},   // across a block boundary
        {TimeRange{start + 4999}, 4999, 4999, false},                 // no upper end
        {TimeRange{start - kDay, start}, 0, 0, false},
        {TimeRange{start + 6000, start + 7000}, 0, -1, true},         // after the last record: none
        {std::nullopt, 0, 4999, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        options.range = c.range;
        std::vector<std::pair<std::int64_t, std::int64_t>> progress;
        const auto outcome = export_csv(log.get(), options, dir / "range.csv",
                                        [&](std::int64_t done, std::int64_t total) { progress.emplace_back(done, total); });
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->records_written, c.last - c.first + 1);
        std::vector<std::string> expected(full.begin(), full.begin() + kInfo);
        expected.insert(expected.end(), full.begin() + kInfo + c.first, full.begin() + kInfo + c.last + 1);
        EXPECT_EQ(lines_of(testing::read_file(dir / "range.csv")), expected);
        // From none to every record looked at, never backwards.
        EXPECT_EQ(progress.front(), std::make_pair(std::int64_t{0}, std::int64_t{5000}));
        EXPECT_EQ(progress.back(), std::make_pair(std::int64_t{5000}, std::int64_t{5000}));
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

        if (!c.workbook) continue;
        const auto book = dir / "range.xlsx";
        ASSERT_TRUE(export_workbook(log.get(), options, book));
        const corvex::testing::ReadWorkbook read = corvex::testing::read_workbook(book);
        ASSERT_TRUE(read.ok) << read.failure;
        EXPECT_EQ(read.value("Log Info", "B5"), "5000");
        const int rows = c.last - c.first + 1;
        if (rows > 0) {
            EXPECT_EQ(read.value("Log Data", "A2"), time_bound_text(start + c.first));
            EXPECT_EQ(read.value("Log Data", "A" + std::to_string(rows + 1)), time_bound_text(start + c.last));
        }
        EXPECT_EQ(read.cell("Log Data", "A" + std::to_string(rows + 2)), nullptr);
    }
}

}  // namespace
}  // namespace corvex::exporting
