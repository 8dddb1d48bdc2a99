#include <gtest/gtest.h>

#include <cstring>

#include "corvex/platform/bstr.h"

namespace {

std::uint32_t prefix_of(BSTR s) {
    std::uint32_t len;
    std::memcpy(&len, reinterpret_cast<const unsigned char*>(s) - 4, 4);
    return len;
}

TEST(Bstr, BlockHoldsByteLengthPrefixTextAndTerminator) {
    BSTR s = SysAllocString(u"flow");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(prefix_of(s), 8u);
    EXPECT_EQ(SysStringLen(s), 4u);
    EXPECT_EQ(SysStringByteLen(s), 8u);
    EXPECT_EQ(s[4], u'\0');
    std::free(reinterpret_cast<unsigned char*>(s) - 4);  // allocated with malloc: any client can free it
}

TEST(Bstr, EmbeddedNulsCountInTheLength) {
    const char16_t text[] = {u'a', u'\0', u'b', u'\0', u'c'};
    BSTR s = SysAllocStringLen(text, 5);
    EXPECT_EQ(SysStringLen(s), 5u);
    EXPECT_EQ(std::u16string_view(s, 5), std::u16string_view(text, 5));
    EXPECT_EQ(s[5], u'\0');
    SysFreeString(s);
}

TEST(Bstr, NullStringReadsAsEmpty) {
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    corvex::platform::Bstr owner;
    EXPECT_TRUE(owner.view().empty());
    EXPECT_EQ(owner.utf8(), "");
}

TEST(Bstr, OddByteLengthKeepsTextAndAlignedTerminator) {
    BSTR s = SysAllocStringByteLen("abc", 3);
    EXPECT_EQ(SysStringByteLen(s), 3u);
    EXPECT_EQ(SysStringLen(s), 1u);
    EXPECT_EQ(std::memcmp(s, "abc", 3), 0);
    EXPECT_EQ(s[2], u'\0');  // bytes 4..5 are the terminator after rounding up
    SysFreeString(s);
}

TEST(Bstr, OwnerConvertsAndHandsOutCopies) {
    auto b = corvex::platform::Bstr::from_utf8("m\xC2\xB3/s");  // m³/s
    EXPECT_EQ(b.view(), u"m\u00B3/s");
    EXPECT_EQ(b.cp1252(), "m\xB3/s");
    BSTR copy = b.copy();
    EXPECT_NE(copy, b.get());
    EXPECT_EQ(corvex::platform::bstr_view(copy), b.view());
    SysFreeString(copy);
    BSTR detached = b.detach();
    EXPECT_TRUE(b.is_null());
    SysFreeString(detached);
}

}  // namespace
