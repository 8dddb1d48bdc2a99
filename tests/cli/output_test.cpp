// The tool's output helpers: JSON Lines text, tab-separated and aligned
// tables and progress.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "cli/output/json_line.h"
#include "cli/output/progress.h"
#include "cli/output/text_table.h"
#include "cli/output/visible_text.h"

namespace corvex::cli {
namespace {

TEST(JsonLine, EscapesQuotesBackslashesAndControlCharactersButKeepsUtf8) {
    JsonLine j;
    j.string(std::string("q\"b\\n\nr\rt\t\x01\x1f\x7f") + "\xC2\xB0" + "C");
    EXPECT_EQ(j.text(), "\"q\\\"b\\\\n\\nr\\rt\\t\\u0001\\u001f\x7f\xC2\xB0" "C\"");
}

TEST(JsonLine, NumbersAreShortestRoundTripAndNonFiniteValuesAreStrings) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.1, "0.1"},
        {1.0 / 3.0, "0.3333333333333333"},
        {3.0, "3"},
        {-0.0, "-0"},
        {1e20, "1e+20"},
        {1.5e-5, "1.5e-05"},
        {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
        {std::numeric_limits<double>::denorm_min(), "5e-324"},
        {std::nan(""), "\"NaN\""},
        {std::numeric_limits<double>::infinity(), "\"Inf\""},
        {-std::numeric_limits<double>::infinity(), "\"-Inf\""},
    };
    for (const Case& c : cases) {
        JsonLine j;
        j.number(c.value);
        EXPECT_EQ(j.text(), c.text) << c.text;
        if (std::isfinite(c.value)) {
            EXPECT_EQ(std::strtod(j.text().c_str(), nullptr), c.value) << c.text;
        }
    }
}

TEST(TextTable, AlignsColumnsByCharactersNotBytes) {
    AlignedTable t;
    t.add_row({"Symbol", "Id"});
    t.add_row({"m\xC2\xB3/s", "705"});  // "m³/s": four characters, five bytes
    EXPECT_EQ(t.text(), "Symbol  Id\nm\xC2\xB3/s    705\n");
}

TEST(VisibleText, ControlCharactersAndInvalidBytesAreShownEscaped) {
    struct Case {
        std::string text, shown;
    };
    const Case cases[] = {
        {"\x1B]0;title\x07", "\\x1B]0;title\\x07"},
        {std::string("nul\0", 4), "nul\\x00"},
        {"tab\tcr\rlf\n", "tab\\x09cr\\x0Dlf\\x0A"},
        {"del\x7F", "del\\x7F"},
        {"\xC2\x9B" "2J \xC2\x80 \xC2\x9F", "\\u009B2J \\u0080 \\u009F"},  // C1 controls
        {"\xC2\xA0\xC2\xB3 \xE2\x80\xBA \xF0\x9F\x98\x80", "\xC2\xA0\xC2\xB3 \xE2\x80\xBA \xF0\x9F\x98\x80"},
        {"log\xE9.log \x9B \xED\xA0\x80", "log\\xE9.log \\x9B \\xED\\xA0\\x80"},  // not UTF-8
        {"\\x1B as text", "\\x1B as text"},
    };
    for (const Case& c : cases) EXPECT_EQ(visible(c.text), c.shown) << c.shown;
}

TEST(TextTable, FieldsKeepTheirColumnsWithControlCharactersEscaped) {
    EXPECT_EQ(tsv_line({"a\tb", "c\r\nd", "\x1B[2J"}), "a\\x09b\tc\\x0D\\x0Ad\t\\x1B[2J\n");
    AlignedTable t;
    t.add_row({"\x1B", "x"});
    t.add_row({"abcdef", "y"});
    EXPECT_EQ(t.text(), "\\x1B    x\nabcdef  y\n");
}

TEST(Progress, DrawsOnlyWhenEnabledAndWipesItsLine) {
    for (bool enabled : {false, true}) {
        std::FILE* stream = std::tmpfile();
        ASSERT_NE(stream, nullptr);
        {
            Progress p("work:", stream, enabled);
            p.update(1, 4);
            p.update(1, 4);  // same percentage: not redrawn
            p.update(4, 4);
        }
        std::rewind(stream);
        char buffer[256] = {};
        const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, stream);
        std::fclose(stream);
        if (enabled) {
            EXPECT_EQ(std::string(buffer, n), "\rwork:  25% (1 of 4)\rwork: 100% (4 of 4)\r\x1b[K");
        } else {
            EXPECT_EQ(n, 0u);
        }
    }
}

}  // namespace
}  // namespace corvex::cli
