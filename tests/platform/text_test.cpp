#include <gtest/gtest.h>

#include <random>

#include "corvex/platform/text.h"
#include "tests/support/invalid_names.h"

using namespace corvex::text;

namespace {

TEST(TextCp1252, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::u16string wide = cp1252_to_utf16(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(utf16_to_cp1252(wide), all);
}

TEST(TextCp1252, HighRangeMapsToItsCharacters) {
    struct Case {
        unsigned char byte;
        char16_t unit;
    };
    const Case cases[] = {{0x80, u'\u20AC'}, {0x99, u'\u2122'}, {0x9F, u'\u0178'}, {0xB0, u'\u00B0'},
                          {0xB3, u'\u00B3'}, {0xB5, u'\u00B5'}, {0x81, u'\u0081'}, {0x9D, u'\u009D'}};
    for (const Case& c : cases) {
        EXPECT_EQ(cp1252_to_utf16_unit(c.byte), c.unit) << int(c.byte);
        EXPECT_EQ(static_cast<unsigned char>(utf16_unit_to_cp1252(c.unit)), c.byte) << int(c.byte);
    }
}

TEST(TextCp1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(utf16_to_cp1252(u"\u0080"), "?");         // C1 control with no byte of its own
    EXPECT_EQ(utf16_to_cp1252(u"\u4E2D"), "?");         // CJK
    EXPECT_EQ(utf16_to_cp1252(u"a\U0001F600b"), "a?b");  // one character outside the BMP: one '?'
}

TEST(TextUtf8, RoundTripsTheWholeRangeIncludingSupplementaryPlanes) {
    const std::u16string text = u"path/\u00E9t\u00E9/\u4E2D/\U0001F600.log";
    EXPECT_EQ(utf8_to_utf16(utf16_to_utf8(text)), text);
    EXPECT_EQ(utf16_to_utf8(u"\u00B0C"), "\xC2\xB0" "C");
}

TEST(TextUtf8, UnpairedSurrogatesBecomeTheDefaultCharacterAndNothingIsCut) {
    const char16_t lone_high[] = {u'a', 0xD800, u'b', 0};
    const char16_t lone_low[] = {0xDC00, u'z', 0};
    EXPECT_EQ(utf16_to_utf8(lone_high), "a?b");
    EXPECT_EQ(utf16_to_utf8(lone_low), "?z");
    const std::u16string long_path(5000, u'x');
    EXPECT_EQ(utf16_to_utf8(long_path).size(), 5000u);
}

TEST(TextUtf8, InvalidSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(utf8_to_utf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(utf8_to_utf16("\xC0\xAF"), u"\uFFFD\uFFFD");        // overlong
    EXPECT_EQ(utf8_to_utf16("\xED\xA0\x80"), u"\uFFFD");           // encoded surrogate
    EXPECT_EQ(utf8_to_utf16("\xE2\x82"), u"\uFFFD");               // cut short
}

TEST(TextPaths, InvalidBytesTravelAsLoneSurrogatesAndComeBackExactly) {
    for (const auto& name : corvex::testing::invalid_names()) {
        SCOPED_TRACE(name.kind);
        EXPECT_EQ(path_to_utf16(name.bytes), name.mapped);
        EXPECT_EQ(utf16_to_path(name.mapped), name.bytes);
    }
}

TEST(TextPaths, EveryByteStringRoundTrips) {
    std::string two(2, '\0');
    for (int i = 0; i < 0x10000; ++i) {
        two[0] = static_cast<char>(i >> 8);
        two[1] = static_cast<char>(i & 0xFF);
        ASSERT_EQ(utf16_to_path(path_to_utf16(two)), two) << i;
    }
    std::mt19937 random(417);
    std::uniform_int_distribution<int> byte(0, 255), length(1, 8);
    for (int n = 0; n < 100000; ++n) {
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : bytes) c = static_cast<char>(byte(random));
        ASSERT_EQ(utf16_to_path(path_to_utf16(bytes)), bytes);
    }
}

TEST(TextPaths, OnlySurrogatePairsAndEscapedBytesHaveAByteForm) {
    EXPECT_EQ(utf16_to_path(u"\U0001F600/\u00E9"), "\xF0\x9F\x98\x80/\xC3\xA9");
    const std::u16string refused[] = {
        {u'a', char16_t(0xD800), u'b'},  // lone high surrogate
        {u'a', char16_t(0xDBFF)},        // high surrogate at the end
        {char16_t(0xDC41)},              // escape of an ASCII byte: never made
        {char16_t(0xDC7F)},
        {char16_t(0xDD00)},              // low surrogate above the escapes
        {char16_t(0xDFFF), char16_t(0xD800)},  // a pair the wrong way round
    };
    for (const std::u16string& text : refused) EXPECT_EQ(utf16_to_path(text), std::nullopt);
}

TEST(TextPaths, DisplayTextShowsEachInvalidByteAsTheReplacementCharacter) {
    EXPECT_EQ(path_display_text("log\xE9.log"), "log\xEF\xBF\xBD.log");
    EXPECT_EQ(path_display_text("a\xE2\x82"), "a\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(path_display_text("caf\xC3\xA9"), "caf\xC3\xA9");
}

}  // namespace
