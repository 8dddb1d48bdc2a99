#include <gtest/gtest.h>

#include "corvex/platform/guid_text.h"

using corvex::platform::format_guid;
using corvex::platform::parse_guid;

namespace {

TEST(Guid, CompileTimeLiteralMatchesTheFieldLayout) {
    constexpr GUID g = make_guid("1B466F2F-659E-11D5-8ABD-00D0B760DD12");
    static_assert(g.Data1 == 0x1B466F2F && g.Data2 == 0x659E && g.Data3 == 0x11D5);
    static_assert(g.Data4[0] == 0x8A && g.Data4[1] == 0xBD && g.Data4[7] == 0x12);
    EXPECT_EQ(format_guid(g), "{1B466F2F-659E-11D5-8ABD-00D0B760DD12}");
}

TEST(Guid, ParsesBracedAndBareFormsInEitherCaseAndNothingElse) {
    const GUID expected = make_guid("A61CEEF9-668F-11D5-8ABD-00D0B760DD12");
    for (const char* text : {"{A61CEEF9-668F-11D5-8ABD-00D0B760DD12}", "a61ceef9-668f-11d5-8abd-00d0b760dd12"}) {
        auto g = parse_guid(text);
        ASSERT_TRUE(g) << text;
        EXPECT_TRUE(*g == expected) << text;
    }
    for (const char* text : {"", "{A61CEEF9-668F-11D5-8ABD-00D0B760DD12", "A61CEEF9x668F-11D5-8ABD-00D0B760DD12",
                             "G61CEEF9-668F-11D5-8ABD-00D0B760DD12", "{A61CEEF9-668F-11D5-8ABD-00D0B760DD1}"})
        EXPECT_FALSE(parse_guid(text)) << text;
}

}  // namespace
