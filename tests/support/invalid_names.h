// File names that are not UTF-8: one of each kind of byte sequence a UTF-8
// decoder must refuse, as old field laptops and memory cards leave them.
#pragma once

#include <string>
#include <vector>

namespace corvex::testing {

struct InvalidName {
    const char* kind;
    std::string bytes;        // the name
    std::u16string mapped;    // its lossless UTF-16 form: each invalid byte as U+DC00 + byte
};

inline const std::vector<InvalidName>& invalid_names() {
    static const std::vector<InvalidName> names = {
        {"Latin-1 letter", "log\xE9.log", u"log\xDCE9.log"},
        {"lone continuation byte", "a\x80" "b", u"a\xDC80" "b"},
        {"2-byte sequence cut short", "a\xC3", u"a\xDCC3"},
        {"3-byte sequence cut short", "a\xE2\x82" "b", u"a\xDCE2\xDC82" "b"},
        {"4-byte sequence cut short", "a\xF0\x9F\x98", u"a\xDCF0\xDC9F\xDC98"},
        {"overlong 2-byte slash", "a\xC0\xAF", u"a\xDCC0\xDCAF"},
        {"overlong 3-byte form", "\xE0\x80\xAF" "z", u"\xDCE0\xDC80\xDCAF" "z"},
        {"overlong 4-byte form", "\xF0\x80\x80\xAF", u"\xDCF0\xDC80\xDC80\xDCAF"},
        {"encoded surrogate", "s\xED\xA0\x80", u"s\xDCED\xDCA0\xDC80"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
        {"bytes F5..FF", "\xF5\xFA\xFF", u"\xDCF5\xDCFA\xDCFF"},
        {"C0 and C1", "\xC0 \xC1\xBF", u"\xDCC0 \xDCC1\xDCBF"},
        {"valid UTF-8 beside invalid", "caf\xC3\xA9\xFF\xF0\x9F\x98\x80", u"caf\u00E9\xDCFF\U0001F600"},
    };
    return names;
}

}  // namespace corvex::testing
