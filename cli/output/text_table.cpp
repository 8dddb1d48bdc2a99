#include "cli/output/text_table.h"

#include <algorithm>

#include "cli/output/visible_text.h"

namespace corvex::cli {

void append_tsv_field(std::string& line, std::string_view field) { append_visible(line, field); }

std::string tsv_line(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += '\t';
        append_tsv_field(line, fields[i]);
    }
    line += '\n';
    return line;
}

std::size_t display_width(std::string_view utf8) {
    // Continuation bytes (10xxxxxx) do not start a character.
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void AlignedTable::add_row(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }

std::string AlignedTable::text() const {
    std::vector<std::vector<std::string>> shown;
    shown.reserve(rows_.size());
    std::vector<std::size_t> widths;
    for (const auto& row : rows_) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        auto& cells = shown.emplace_back();
        for (std::size_t c = 0; c < row.size(); ++c) {
            cells.push_back(visible(row[c]));
            widths[c] = std::max(widths[c], display_width(cells.back()));
        }
    }
    std::string out;
    for (const auto& row : shown) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c) line.append(2, ' ');
            line += row[c];
            line.append(widths[c] - display_width(row[c]), ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out += line;
        out += '\n';
    }
    return out;
}

}  // namespace corvex::cli
