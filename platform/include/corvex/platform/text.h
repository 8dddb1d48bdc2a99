// Text conversion at the automation boundary.
//
// Paths travel as UTF-16 automation strings and reach the file system as UTF-8.
// Texts inside log files and the unit catalogue are Windows-1252, the code page
// of the machines that wrote them. Characters without a form in the target
// become '?', the default character. Every byte sequence from a file survives
// a round trip through UTF-16: the five bytes Windows-1252 leaves undefined map
// to the C1 control characters of the same value and back.
//
// File names are bytes and need not be UTF-8. They cross the boundary through
// a lossless mapping (path_to_utf16, utf16_to_path): valid UTF-8 decodes
// normally and every byte that is not part of a valid UTF-8 sequence travels
// as the lone surrogate U+DC80..U+DCFF of its value, so that the file opened
// is exactly the one named.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvex::text {

std::string utf16_to_utf8(std::u16string_view text);
// Invalid UTF-8 sequences become U+FFFD.
std::u16string utf8_to_utf16(std::string_view text);

std::string utf16_to_cp1252(std::u16string_view text);
std::u16string cp1252_to_utf16(std::string_view text);
// One code unit each way, for callers that fill fixed-width fields.
char utf16_unit_to_cp1252(char16_t unit);
char16_t cp1252_to_utf16_unit(unsigned char byte);

// One character of UTF-8 text and the length of its sequence.
struct Utf8Char {
    char32_t code_point;
    std::size_t length;  // 1 to 4 bytes
};
// The well-formed UTF-8 sequence at the start of `text`; nullopt when there is
// none there: an empty text, a stray continuation byte, a sequence cut short,
// an overlong form (C0, C1, E0 80..9F, F0 80..8F), an encoded surrogate
// (ED A0..BF) or a byte F5..FF.
std::optional<Utf8Char> decode_utf8_char(std::string_view text);

// File-name bytes as UTF-16: valid UTF-8 decodes normally, each byte that is
// not part of a valid sequence becomes the lone surrogate U+DC00 + byte
// (U+DC80..U+DCFF). Never fails, never loses a byte.
std::u16string path_to_utf16(std::string_view bytes);
// The inverse: surrogate pairs and other characters encode as UTF-8, a lone
// U+DC80..U+DCFF becomes its byte. nullopt when the text holds any other lone
// surrogate: it has no byte form, so it cannot name a file exactly.
std::optional<std::string> utf16_to_path(std::u16string_view text);
// File-name bytes for people and for texts written into files: valid UTF-8,
// each byte that is not part of a valid sequence shown as U+FFFD.
std::string path_display_text(std::string_view bytes);

}  // namespace corvex::text
