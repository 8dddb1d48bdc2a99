// Tables for people and for scripts.
//
// Tab-separated lines are for scripts (`cut`, spreadsheets, `awk -F'\t'`): a
// field never contains the separator or a line end. Aligned tables are for
// people reading a terminal. Both show control characters escaped
// (visible_text.h), so a text from a log file cannot drive the terminal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvex::cli {

// Appends `field` to `line` with its control characters escaped (a tab as
// "\x09", a line feed as "\x0A", ...), so that it stays one cell of a
// tab-separated line.
void append_tsv_field(std::string& line, std::string_view field);

// The fields joined by tabs (each passed through append_tsv_field), with a line feed.
std::string tsv_line(const std::vector<std::string>& fields);

// Rows of cells printed in columns two blanks apart, each column as wide as its
// widest cell (counted in characters of UTF-8 text, after escaping). Trailing
// blanks are cut.
class AlignedTable {
public:
    void add_row(std::vector<std::string> cells);
    std::string text() const;

private:
    std::vector<std::vector<std::string>> rows_;
};

// The number of characters (code points) in UTF-8 text.
std::size_t display_width(std::string_view utf8);

}  // namespace corvex::cli
