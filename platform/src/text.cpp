#include "corvex/platform/text.h"

#include <array>

namespace corvex::text {
namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void append_utf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

bool is_high_surrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low_surrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool is_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code point at text[i]: a surrogate pair counts as one and moves i onto
// its second half; a lone surrogate comes back as itself.
char32_t take_code_point(std::u16string_view text, std::size_t& i) {
    const char16_t u = text[i];
    if (is_high_surrogate(u) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
        ++i;
        return 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[i] - 0xDC00);
    }
    return u;
}

// A byte that is not part of a valid UTF-8 sequence travels as U+DC00 + byte;
// only bytes 0x80..0xFF can be such bytes.
constexpr char16_t kEscapeBase = 0xDC00;
bool is_escaped_byte(char16_t u) { return u >= 0xDC80 && u <= 0xDCFF; }

}  // namespace

std::string utf16_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = take_code_point(text, i);
        if (is_surrogate(c))
            out += '?';  // an unpaired surrogate has no form in UTF-8
        else
            append_utf8(out, c);
    }
    return out;
}

std::u16string utf8_to_utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        int extra;
        char32_t cp;
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            cp = b & 0x07;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        std::size_t j = 1;
        bool ok = true;
        for (; j <= static_cast<std::size_t>(extra); ++j) {
            if (i + j >= n || (s[i + j] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (s[i + j] & 0x3F);
        }
        // Reject overlong forms, surrogates and values beyond U+10FFFF.
        if (ok && ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                   (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (!ok) {
            out += u'\uFFFD';
            i += j;  // skip the lead byte and the continuation bytes that were valid
            continue;
        }
        append_utf16(out, cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::optional<Utf8Char> decode_utf8_char(std::string_view text) {
    if (text.empty()) return std::nullopt;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char b = s[0];
    if (b < 0x80) return Utf8Char{b, 1};
    // The lead byte fixes the length and the range of the first continuation
    // byte; that range excludes overlong forms, surrogates and values beyond
    // U+10FFFF (the well-formed sequences of the Unicode standard).
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    char32_t cp = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        cp = b & 0x0F;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        cp = b & 0x07;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        return std::nullopt;
    }
    if (text.size() < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char c = s[i];
        if (i == 1 ? (c < low || c > high) : (c & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (c & 0x3F);
    }
    return Utf8Char{cp, length};
}

std::u16string path_to_utf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        // A continuation byte never starts a sequence, so escaping only the
        // first byte of an invalid sequence and going on with the next one
        // escapes every byte of it.
        if (const auto c = decode_utf8_char(bytes)) {
            append_utf16(out, c->code_point);
            bytes.remove_prefix(c->length);
        } else {
            out += static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes.front()));
            bytes.remove_prefix(1);
        }
    }
    return out;
}

std::optional<std::string> utf16_to_path(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = take_code_point(text, i);
        if (!is_surrogate(c))
            append_utf8(out, c);
        else if (is_escaped_byte(static_cast<char16_t>(c)))
            out += static_cast<char>(c - kEscapeBase);
        else
            return std::nullopt;
    }
    return out;
}

std::string path_display_text(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const auto c = decode_utf8_char(bytes);
        const std::size_t length = c ? c->length : 1;
        if (c)
            out.append(bytes.substr(0, length));
        else
            out += "\xEF\xBF\xBD";
        bytes.remove_prefix(length);
    }
    return out;
}

char16_t cp1252_to_utf16_unit(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
    return byte;
}

char utf16_unit_to_cp1252(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == unit) return static_cast<char>(0x80 + i);
    return '?';
}

std::u16string cp1252_to_utf16(std::string_view text) {
    std::u16string out(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = cp1252_to_utf16_unit(static_cast<unsigned char>(text[i]));
    return out;
}

std::string utf16_to_cp1252(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A surrogate pair is one character: one '?'.
        if (is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) ++i;
        out += utf16_unit_to_cp1252(text[i]);
    }
    return out;
}

}  // namespace corvex::text
