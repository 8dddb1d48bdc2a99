// Cell contents as the text of a worksheet part: numbers, cell references and
// escaped texts. Nothing here depends on the locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvex::xlsx {

// Room write_number needs.
constexpr std::size_t kNumberRoom = 32;
// Writes the shortest text that reads back as exactly `value` ("0.1",
// "1e+300", "5e-324", "-0"). `value` must be finite.
char* write_number(char* out, double value);

// Room write_column needs.
constexpr std::size_t kColumnRoom = 3;
// Writes the letters of the 0-based `column` ("A", "Z", "AA", "XFD").
char* write_column(char* out, std::uint32_t column);

// Room write_text needs for `bytes` bytes of input.
constexpr std::size_t text_room(std::size_t bytes) { return 7 * bytes; }

struct WrittenText {
    char* end;
    std::size_t utf16_units;  // the text's length as a spreadsheet counts characters
};

// Writes UTF-8 text as XML character data that reads back as the same text:
// markup characters as entities; characters XML 1.0 cannot carry (controls
// other than tab and line feed, carriage return, U+FFFE, U+FFFF) as the
// _xHHHH_ escapes of the workbook format, and an underscore that would start
// such an escape as _x005F_; each byte that is not part of valid UTF-8 as
// U+FFFD. With `in_attribute` the double quote is escaped too.
WrittenText write_text(char* out, std::string_view utf8, bool in_attribute = false);

// The same appended to a string.
void append_text(std::string& out, std::string_view utf8, bool in_attribute = false);

// The length of the text as a spreadsheet counts characters (UTF-16 units);
// nothing when it is not valid UTF-8 or holds U+FFFE or U+FFFF.
std::optional<std::size_t> utf16_length(std::string_view utf8);

// Whether the text needs xml:space="preserve" to keep its leading or trailing blanks.
bool needs_space_preserved(std::string_view utf8);

}  // namespace corvex::xlsx
