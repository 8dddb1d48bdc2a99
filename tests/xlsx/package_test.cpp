// The workbook package writer, read back by openpyxl and Python's zipfile.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"
#include "tests/support/workbook_reader.h"
#include "export/xlsx/package.h"

namespace corvex::xlsx {
namespace {

using corvex::testing::ScratchDir;
using testing::hex_of;
using testing::ReadWorkbook;

Options fixed_options() {
    Options options;
    options.created = 1'700'000'000;
    return options;
}

std::string column_letter(std::uint32_t column) { return std::string(1, static_cast<char>('A' + column)); }

// --- Every kind of cell, read back ------------------------------------------

struct NumberCase {
    double value;
    Style style;
    const char* type;    // as openpyxl reads it
    const char* format;
    const char* shown;   // a date as openpyxl gives it, an error's text; empty: the number itself
};

const NumberCase kNumbers[] = {
    {0.1, Style::normal, "n", "General", ""},
    {1.0 / 3, Style::normal, "n", "General", ""},
    {5e-324, Style::normal, "n", "General", ""},
    {DBL_MAX, Style::normal, "n", "General", ""},
    {-DBL_MAX, Style::normal, "n", "General", ""},
    {DBL_MIN, Style::normal, "n", "General", ""},
    {-0.0, Style::normal, "n", "General", ""},
    {9007199254740993.0, Style::normal, "n", "General", ""},  // 2^53 + 1 rounds to 2^53
    {9007199254740994.0, Style::normal, "n", "General", ""},
    {1e21, Style::normal, "n", "General", ""},
    {1e-7, Style::normal, "n", "General", ""},
    {0.1 + 0.2, Style::normal, "n", "General", ""},
    {static_cast<double>(1.8f), Style::normal, "n", "General", ""},
    {45356.333333333336, Style::normal, "n", "General", ""},
    {-273.15, Style::bold, "n", "General", ""},
    {45352.5, Style::date, "d", "m/d/yyyy h:mm:ss", "2024-03-01T12:00:00"},
    {45352.75, Style::date, "d", "m/d/yyyy h:mm:ss", "2024-03-01T18:00:00"},
    {NAN, Style::normal, "e", "General", "#NUM!"},
    {INFINITY, Style::normal, "e", "General", "#NUM!"},
    {-INFINITY, Style::normal, "e", "General", "#NUM!"},
};

struct TextCase {
    std::string written;
    std::string read;  // what a reader must see
};

const TextCase kTexts[] = {
    {"plain", "plain"},
    {"  blanks around  ", "  blanks around  "},
    {"a<b>&\"c\"'", "a<b>&\"c\"'"},
    {"tab\there\nline", "tab\there\nline"},
    {"carriage\rreturn\r\n", "carriage\rreturn\r\n"},
    {std::string("nul\0here", 8), std::string("nul\0here", 8)},
    {"\x01\x1f\x7f controls", "\x01\x1f\x7f controls"},
    {"_x0041_ and _X00e9_ stay", "_x0041_ and _X00e9_ stay"},
    {"_x41_ _x00G1_ _", "_x41_ _x00G1_ _"},
    {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
    {"\xEF\xBF\xBE\xEF\xBF\xBF", "\xEF\xBF\xBE\xEF\xBF\xBF"},                   // U+FFFE, U+FFFF
    {"bad \xFF byte", "bad \xEF\xBF\xBD byte"},                                  // not UTF-8: U+FFFD
    {"cut \xE2\x82", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},
    {"\xED\xA0\x80 surrogate", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD surrogate"},
    {"\xC0\xAF overlong", "\xEF\xBF\xBD\xEF\xBF\xBD overlong"},
    {std::string(Sheet::kMaxTextLength, 'x'), std::string(Sheet::kMaxTextLength, 'x')},
};

struct WidthCase {
    std::uint32_t column;
    double set;
    double stored;  // as a spreadsheet stores it: padding added, whole pixels
};

const WidthCase kWidths[] = {
    {0, 18, 18.7109375}, {1, 12.25, 13}, {2, 0.5, 0.85546875}, {3, 8.43, 9.140625}, {4, 255, 255.7109375},
};

TEST(XlsxPackage, ReadsBackEveryCellSheetAndWidth) {
    ScratchDir dir;
    const auto path = dir / "cells.xlsx";
    auto package = Package::create(path, fixed_options());
    ASSERT_TRUE(package) << package.error().message;
    Sheet& texts = **package->add_sheet("Log Info");
    for (std::uint32_t r = 0; r < std::size(kTexts); ++r) {
        texts.begin_row(r);
        texts.text(0, kTexts[r].written, r % 2 ? Style::bold : Style::normal);
        ASSERT_TRUE(texts.end_row());
    }
    Sheet& numbers = **package->add_sheet("Log Data");
    numbers.set_column_width(1, 10.3);  // replaced below
    numbers.begin_row(0, Style::bold);
    numbers.text(0, "Header", Style::bold);
    ASSERT_TRUE(numbers.end_row());
    for (std::uint32_t r = 0; r < std::size(kNumbers); ++r) {
        numbers.begin_row(r + 1);
        numbers.number(r % 5, kNumbers[r].value, kNumbers[r].style);  // columns skip and restart
        ASSERT_TRUE(numbers.end_row());
    }
    ASSERT_TRUE(package->add_sheet("Empty"));
    for (const WidthCase& w : kWidths) numbers.set_column_width(w.column, w.set);
    package->set_active(numbers);
    auto summary = package->finish();
    ASSERT_TRUE(summary) << summary.error().message;

    const ReadWorkbook book = testing::read_workbook(path);
    ASSERT_TRUE(book.ok) << book.failure;
    EXPECT_EQ(book.sheets, (std::vector<std::string>{"Log Info", "Log Data", "Empty"}));
    EXPECT_EQ(book.active, "Log Data");
    EXPECT_EQ(book.created, "2023-11-14T22:13:20");
    EXPECT_FALSE(book.zip64);
    EXPECT_EQ(book.bold_rows.at("Log Data"), std::set<int>{1});
    EXPECT_EQ(summary->archive_size, std::filesystem::file_size(path));
    ASSERT_EQ(summary->sheets.size(), 3u);
    EXPECT_EQ(summary->sheets[1].rows, std::size(kNumbers) + 1);
    EXPECT_EQ(summary->sheets[0].cells, std::size(kTexts));

    for (std::uint32_t r = 0; r < std::size(kTexts); ++r) {
        const std::string address = "A" + std::to_string(r + 1);
        SCOPED_TRACE(address);
        const auto& cell = book.cells.at("Log Info").at(address);
        EXPECT_EQ(cell.type, "s");
        EXPECT_EQ(cell.bold, r % 2 == 1);
        EXPECT_EQ(cell.exact, hex_of(kTexts[r].read));
    }
    for (std::uint32_t r = 0; r < std::size(kNumbers); ++r) {
        const NumberCase& n = kNumbers[r];
        const std::string address = column_letter(r % 5) + std::to_string(r + 2);
        SCOPED_TRACE(address);
        const auto& cell = book.cells.at("Log Data").at(address);
        EXPECT_EQ(cell.type, n.type);
        EXPECT_EQ(cell.format, n.format);
        EXPECT_EQ(cell.bold, n.style == Style::bold);
        if (*n.shown) {
            EXPECT_EQ(cell.exact, std::string(n.type) == "e" ? hex_of(n.shown) : n.shown);
        } else {
            EXPECT_EQ(testing::from_python_hex(cell.exact), n.value);  // openpyxl reads "-0" as 0
        }
        if (std::isfinite(n.value)) {
            // The text in the XML parses to the very bits written, the sign of zero too.
            const std::string& raw = book.raw.at("Log Data").at(address);
            double parsed = NAN;
            std::from_chars(raw.data(), raw.data() + raw.size(), parsed);
            EXPECT_EQ(std::bit_cast<std::uint64_t>(parsed), std::bit_cast<std::uint64_t>(n.value)) << raw;
        }
    }
    std::map<std::string, double> widths;
    for (const WidthCase& w : kWidths) widths[column_letter(w.column)] = w.stored;
    EXPECT_EQ(book.widths.at("Log Data"), widths);
    EXPECT_EQ(book.cells.count("Empty"), 0u);
}

// --- Calls the package refuses ----------------------------------------------

struct MisuseCase {
    const char* name;
    ErrorKind kind;
    std::function<void(Package&)> calls;
};

Sheet& sheet_of(Package& p, const char* name = "Data") { return **p.add_sheet(name); }

// Each row's calls start from a package without sheets; `row` begins row 0 of a new sheet "Data".
Sheet& row(Package& p) {
    Sheet& s = sheet_of(p);
    s.begin_row(0);
    return s;
}

const MisuseCase kMisuse[] = {
    {"row not after the one before", ErrorKind::usage, [](Package& p) {
         Sheet& s = row(p);
         (void)s.end_row();
         s.begin_row(0);
     }},
    {"row started inside a row", ErrorKind::usage, [](Package& p) { row(p).begin_row(1); }},
    {"cell outside a row", ErrorKind::usage, [](Package& p) { sheet_of(p).number(0, 1); }},
    {"column not after the one before", ErrorKind::usage, [](Package& p) {
         Sheet& s = row(p);
         s.number(3, 1);
         s.text(3, "x");
     }},
    {"row beyond the last", ErrorKind::limit, [](Package& p) { sheet_of(p).begin_row(Sheet::kMaxRows); }},
    {"column beyond the last", ErrorKind::limit, [](Package& p) { row(p).number(Sheet::kMaxColumns, 1); }},
    {"text too long", ErrorKind::limit,  // a surrogate pair counts two
     [](Package& p) { row(p).text(0, std::string(Sheet::kMaxTextLength - 1, 'x') + "\xF0\x9F\x98\x80"); }},
    {"width out of range", ErrorKind::limit, [](Package& p) { sheet_of(p).set_column_width(0, 255.5); }},
    {"width not a number", ErrorKind::limit, [](Package& p) { sheet_of(p).set_column_width(0, NAN); }},
    {"rows after the next sheet began", ErrorKind::usage, [](Package& p) {
         Sheet& first = sheet_of(p);
         sheet_of(p, "Second");
         first.begin_row(0);
     }},
    {"active sheet of another package", ErrorKind::usage, [](Package& p) {
         sheet_of(p);
         ScratchDir dir;
         auto other = Package::create(dir / "other.xlsx", fixed_options());
         p.set_active(**other->add_sheet("Data"));
     }},
    {"no sheet at all", ErrorKind::usage, [](Package&) {}},
};

const char* const kBadSheetNames[] = {"", "a:b", "a/b", "a[1]", "why?", "1234567890123456789012345678901x",
                                      "'quoted'", "History", "bad \xFF", "tab\there"};

TEST(XlsxPackage, RefusedCallsFailTheWholePackageAndLeaveNoFile) {
    for (const MisuseCase& c : kMisuse) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const auto path = dir / "refused.xlsx";
        {
            auto package = Package::create(path, fixed_options());
            ASSERT_TRUE(package);
            c.calls(*package);
            auto finished = package->finish();
            ASSERT_FALSE(finished);
            EXPECT_EQ(finished.error().kind, c.kind) << finished.error().message;
        }
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    ScratchDir dir;
    auto package = Package::create(dir / "names.xlsx", fixed_options());
    ASSERT_TRUE(package->add_sheet("Data"));
    for (const char* name : kBadSheetNames) {
        auto added = package->add_sheet(name);
        EXPECT_FALSE(added) << name;
    }
    EXPECT_FALSE(package->add_sheet("DATA")) << "names clash regardless of case";
    EXPECT_TRUE(package->add_sheet("1234567890123456789012345678901")) << "31 characters";
    EXPECT_TRUE(package->finish());
}

TEST(XlsxPackage, RefusesOutputsThatCannotTakeAnArchive) {
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    EXPECT_FALSE(Package::create(pipe_ends[1])) << "a pipe cannot be sought";
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
    ScratchDir dir;
    const int appending = ::open((dir / "a.xlsx").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    EXPECT_FALSE(Package::create(appending));
    ::close(appending);
}

// --- Same bytes whatever the threads (and, in the second run of this binary
// under a German locale and the Chatham Islands time zone, whatever those) ---

std::string write_mixed(const std::filesystem::path& path, unsigned threads) {
    Options options = fixed_options();
    options.threads = threads;
    options.block_size = 1000;  // many blocks, most shorter than the deflate window
    auto package = Package::create(path, options);
    if (!package) return "create: " + package.error().message;
    Sheet& sheet = **package->add_sheet("Mixed");
    for (std::uint32_t r = 0; r < 3000; ++r) {
        sheet.begin_row(r);
        sheet.number(0, 45352 + r / 1440.0, Style::date);
        sheet.number(1, r * 0.1 + 1.0 / 3);
        sheet.text(2, "Flow \xC2\xB0" + std::to_string(r % 17));
        if (!sheet.end_row()) return "row";
    }
    sheet.set_column_width(0, 18);
    auto finished = package->finish();
    return finished ? corvex::testing::read_file(path) : "finish: " + finished.error().message;
}

TEST(XlsxPackage, SameBytesWhateverTheThreads) {
    ScratchDir dir;
    const std::string reference = write_mixed(dir / "reference.xlsx", 0);
    const ReadWorkbook book = testing::read_workbook(dir / "reference.xlsx", true);
    ASSERT_TRUE(book.ok) << book.failure;
    EXPECT_EQ(book.rows.at("xl/worksheets/sheet1.xml"), std::make_pair(3000L, 3000L));
    for (const unsigned threads : {1u, 2u, 5u}) {
        EXPECT_EQ(write_mixed(dir / "threads.xlsx", threads), reference) << threads << " threads";
    }
}

TEST(XlsxPackage, CreationTimeFromSourceDateEpochElseNow) {
    ScratchDir dir;
    ::setenv("SOURCE_DATE_EPOCH", "86400", 1);
    for (const bool from_environment : {true, false}) {
        Options options;
        if (!from_environment) options.created = 1'700'000'000;
        auto package = Package::create(dir / "created.xlsx", options);
        ASSERT_TRUE(package->add_sheet("Data"));
        ASSERT_TRUE(package->finish());
        const ReadWorkbook book = testing::read_workbook(dir / "created.xlsx");
        ASSERT_TRUE(book.ok) << book.failure;
        EXPECT_EQ(book.created, from_environment ? "1970-01-02T00:00:00" : "2023-11-14T22:13:20");
    }
    ::unsetenv("SOURCE_DATE_EPOCH");
}

// --- Past the row limit of a sheet and the 4 GiB of a plain ZIP -------------

TEST(XlsxPackage, LargeWorkbookOverTwoSheetsWithZip64) {
    ScratchDir dir;
    const auto path = dir / "large.xlsx";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    // The archive starts beyond 4 GiB of a sparse file: every offset in it
    // needs the ZIP64 records.
    constexpr off_t kStart = off_t{5} << 30;
    ASSERT_EQ(::lseek(fd, kStart, SEEK_SET), kStart);
    auto package = Package::create(fd, fixed_options());
    ASSERT_TRUE(package) << package.error().message;
    constexpr std::uint32_t kMore = 10;
    for (const std::uint32_t rows : {Sheet::kMaxRows, kMore}) {
        Sheet& sheet = **package->add_sheet(rows == kMore ? "Log Data 2" : "Log Data");
        for (std::uint32_t r = 0; r < rows; ++r) {
            sheet.begin_row(r);
            sheet.number(0, r);
            ASSERT_TRUE(sheet.end_row());
        }
    }
    auto summary = package->finish();
    ASSERT_TRUE(summary) << summary.error().message;
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), kStart + static_cast<off_t>(summary->archive_size));
    ::close(fd);
    EXPECT_EQ(summary->sheets[0].rows, Sheet::kMaxRows);

    const ReadWorkbook book = testing::read_workbook(path, true);
    ASSERT_TRUE(book.ok) << book.failure;
    EXPECT_TRUE(book.zip64);
    EXPECT_EQ(book.rows.at("xl/worksheets/sheet1.xml"), std::make_pair(long{Sheet::kMaxRows}, long{Sheet::kMaxRows}));
    EXPECT_EQ(book.rows.at("xl/worksheets/sheet2.xml"), std::make_pair(long{kMore}, long{kMore}));
}

}  // namespace
}  // namespace corvex::xlsx
