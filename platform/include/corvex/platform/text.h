// Text conversion at the automation boundary.
//
// Paths travel as UTF-16 automation strings and reach the file system as UTF-8.
// Texts inside log files and the unit catalogue are Windows-1252, the code page
// of the machines that wrote them. Characters without a form in the target
// become '?', the default character. Every byte sequence from a file survives
// a round trip through UTF-16: the five bytes Windows-1252 leaves undefined map
// to the C1 control characters of the same value and back.
#pragma once

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

}  // namespace corvex::text
