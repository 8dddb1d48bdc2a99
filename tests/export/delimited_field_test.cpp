// Quoting of delimited-text fields.
#include <gtest/gtest.h>

#include "export/delimited_field.h"

namespace corvex::exporting {
namespace {

struct FieldCase {
    const char* field;
    const char* delimiter;
    const char* written;
};

const FieldCase kFields[] = {
    {"Flow (m3/h)", ",", "Flow (m3/h)"},
    {"", ",", ""},
    {"3,25", ",", "\"3,25\""},                     // a decimal comma in a comma-delimited file
    {"3,25", ";", "3,25"},
    {"say \"hi\"", ",", "\"say \"\"hi\"\"\""},     // inner quotes doubled
    {"\"", ";", "\"\"\"\""},
    {"two\r\nlines", ",", "\"two\r\nlines\""},
    {"line\nfeed", "", "\"line\nfeed\""},
    {"bare\rreturn", ",", "\"bare\rreturn\""},      // a reader may end the line at a lone CR
    {"a,b;c", "", "a,b;c"},                        // an empty delimiter never quotes for itself
    {"File Title: ", " ", "\"File Title: \""},
    {"a::b", "::", "\"a::b\""},
    {"a:b", "::", "a:b"},
    {"x:", "::", "\"x:\""},                        // "x:" + "::" would read as "x" + "::" + ":"
    {"xa", "ab", "xa"},                            // "xaab" still splits after "xa"
    {"ab", "abab", "\"ab\""},                      // "ab" + "abab" reads as "" + "abab" + "ab"
    {"xab", "abab", "\"xab\""},
};

TEST(DelimitedField, QuotedOnlyWhenItWouldNotStayOneField) {
    for (const FieldCase& c : kFields) {
        std::string line = "<";
        append_field(line, c.field, c.delimiter);
        EXPECT_EQ(line, std::string("<") + c.written) << "field '" << c.field << "' delimiter '" << c.delimiter << "'";
    }
}

// An export skips the scan of its number texts when the delimiter shares no
// byte with them; that must never skip a field the scan would quote.
TEST(DelimitedField, AnAlphabetThatNeverNeedsQuotesHoldsNoFieldThatDoes) {
    const char* const texts[] = {"-1,5E+20", "NaN", "-Inf", "12,25", "1E-05"};
    for (const char* delimiter : {"", ";", ",", "E", "n", "5", "f;", ";;", "\t", "\""}) {
        if (!never_needs_quotes("0123456789+-.EINafn,", delimiter)) continue;
        for (const char* text : texts) EXPECT_FALSE(needs_quotes(text, delimiter)) << text << " '" << delimiter << "'";
    }
    EXPECT_TRUE(never_needs_quotes("0123,", ";"));
    EXPECT_FALSE(never_needs_quotes("0123,", ","));
    EXPECT_FALSE(never_needs_quotes("0123\"", ";"));
}

}  // namespace
}  // namespace corvex::exporting
