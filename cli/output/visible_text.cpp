#include "cli/output/visible_text.h"

#include "corvex/platform/text.h"

namespace corvex::cli {

namespace {

void append_hex(std::string& out, const char* prefix, unsigned value, int digits) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += prefix;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

}  // namespace

void append_visible(std::string& out, std::string_view text) {
    while (!text.empty()) {
        // Printable ASCII, by far the most of any text, is copied in runs.
        std::size_t plain = 0;
        while (plain < text.size() && text[plain] >= 0x20 && text[plain] < 0x7F) ++plain;
        out.append(text.substr(0, plain));
        text.remove_prefix(plain);
        if (text.empty()) break;
        const auto c = text::decode_utf8_char(text);
        if (!c) {
            append_hex(out, "\\x", static_cast<unsigned char>(text.front()), 2);
            text.remove_prefix(1);
            continue;
        }
        if (c->code_point < 0x20 || c->code_point == 0x7F)
            append_hex(out, "\\x", c->code_point, 2);
        else if (c->code_point >= 0x80 && c->code_point <= 0x9F)
            append_hex(out, "\\u", c->code_point, 4);
        else
            out.append(text.substr(0, c->length));
        text.remove_prefix(c->length);
    }
}

std::string visible(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    append_visible(out, text);
    return out;
}

}  // namespace corvex::cli
