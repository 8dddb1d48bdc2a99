#include "export/xlsx/cell_text.h"

#include <array>
#include <charconv>
#include <cstring>

namespace corvex::xlsx {

namespace {

// Bytes that leave the plain copy loop: controls, markup, '_', '"' and
// everything outside ASCII.
constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> special{};
    for (int c = 0; c < 0x20; ++c) special[static_cast<std::size_t>(c)] = true;
    for (int c = 0x80; c < 0x100; ++c) special[static_cast<std::size_t>(c)] = true;
    for (unsigned char c : {'&', '<', '>', '_', '"'}) special[c] = true;
    return special;
}();

constexpr char kHex[] = "0123456789ABCDEF";

char* write_escape(char* out, std::uint32_t code) {
    *out++ = '_';
    *out++ = 'x';
    for (int shift = 12; shift >= 0; shift -= 4) *out++ = kHex[(code >> shift) & 0xF];
    *out++ = '_';
    return out;
}

char* write_literal(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// Whether `rest` (the text after an underscore) reads as "xHHHH_".
bool starts_escape(std::string_view rest) {
    return rest.size() >= 6 && (rest[0] == 'x' || rest[0] == 'X') && is_hex(rest[1]) && is_hex(rest[2]) &&
           is_hex(rest[3]) && is_hex(rest[4]) && rest[5] == '_';
}

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at the start of `s` (at least 2 bytes
// long, its first byte >= 0x80), and its code point; 0 when it is not valid.
std::size_t utf8_sequence(std::string_view s, std::uint32_t& code) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    if (lead >= 0xC2 && lead <= 0xDF) {
        if (s.size() < 2 || !continuation(b(1))) return 0;
        code = (lead & 0x1Fu) << 6 | (b(1) & 0x3Fu);
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (s.size() < 3 || !continuation(b(1)) || !continuation(b(2))) return 0;
        code = (lead & 0x0Fu) << 12 | (b(1) & 0x3Fu) << 6 | (b(2) & 0x3Fu);
        if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)) return 0;  // overlong or surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (s.size() < 4 || !continuation(b(1)) || !continuation(b(2)) || !continuation(b(3))) return 0;
        code = (lead & 0x07u) << 18 | (b(1) & 0x3Fu) << 12 | (b(2) & 0x3Fu) << 6 | (b(3) & 0x3Fu);
        if (code < 0x10000 || code > 0x10FFFF) return 0;
        return 4;
    }
    return 0;
}

}  // namespace

char* write_number(char* out, double value) {
    return std::to_chars(out, out + kNumberRoom, value).ptr;
}

char* write_column(char* out, std::uint32_t column) {
    char letters[kColumnRoom];
    std::size_t n = 0;
    std::uint32_t rest = column + 1;
    while (rest > 0 && n < kColumnRoom) {
        --rest;
        letters[n++] = static_cast<char>('A' + rest % 26);
        rest /= 26;
    }
    while (n > 0) *out++ = letters[--n];
    return out;
}

WrittenText write_text(char* out, std::string_view utf8, bool in_attribute) {
    std::size_t units = 0;
    std::size_t i = 0;
    const std::size_t n = utf8.size();
    while (i < n) {
        // The plain stretch: copied as it is.
        std::size_t plain = i;
        while (plain < n && !kSpecial[static_cast<unsigned char>(utf8[plain])]) ++plain;
        out = write_literal(out, utf8.substr(i, plain - i));
        units += plain - i;
        i = plain;
        if (i == n) break;

        const auto c = static_cast<unsigned char>(utf8[i]);
        ++units;
        if (c < 0x80) {
            ++i;
            switch (c) {
            case '&': out = write_literal(out, "&amp;"); break;
            case '<': out = write_literal(out, "&lt;"); break;
            case '>': out = write_literal(out, "&gt;"); break;
            case '"': out = in_attribute ? write_literal(out, "&quot;") : write_literal(out, "\""); break;
            case '_': out = starts_escape(utf8.substr(i)) ? write_escape(out, '_') : write_literal(out, "_"); break;
            case '\t':
            case '\n': *out++ = static_cast<char>(c); break;
            default: out = write_escape(out, c); break;  // other controls, carriage return among them
            }
            continue;
        }
        std::uint32_t code = 0;
        const std::size_t length = utf8_sequence(utf8.substr(i), code);
        if (length == 0) {
            out = write_literal(out, "\xEF\xBF\xBD");  // U+FFFD for the stray byte
            ++i;
            continue;
        }
        if (code == 0xFFFE || code == 0xFFFF) {
            out = write_escape(out, code);
        } else {
            out = write_literal(out, utf8.substr(i, length));
        }
        if (code >= 0x10000) ++units;  // a surrogate pair
        i += length;
    }
    return {out, units};
}

void append_text(std::string& out, std::string_view utf8, bool in_attribute) {
    const std::size_t start = out.size();
    out.resize(start + text_room(utf8.size()));
    const WrittenText written = write_text(out.data() + start, utf8, in_attribute);
    out.resize(static_cast<std::size_t>(written.end - out.data()));
}

std::optional<std::size_t> utf16_length(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            ++units;
            ++i;
            continue;
        }
        std::uint32_t code = 0;
        const std::size_t length = utf8_sequence(utf8.substr(i), code);
        if (length == 0 || code == 0xFFFE || code == 0xFFFF) return std::nullopt;
        units += code >= 0x10000 ? 2 : 1;
        i += length;
    }
    return units;
}

bool needs_space_preserved(std::string_view utf8) {
    if (utf8.empty()) return false;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    return blank(utf8.front()) || blank(utf8.back());
}

}  // namespace corvex::xlsx
