#include "export/delimited_field.h"

#include <algorithm>

namespace corvex::exporting {

bool needs_quotes(std::string_view field, std::string_view delimiter) {
    if (field.find_first_of("\"\r\n") != std::string_view::npos) return true;
    if (delimiter.empty()) return false;
    if (field.find(delimiter) != std::string_view::npos) return true;
    if (delimiter.size() == 1) return false;
    // A reader splits at the first occurrence of the delimiter, which may
    // begin inside the field's tail when the delimiter repeats itself.
    const std::size_t keep = std::min(field.size(), delimiter.size() - 1);
    std::string joined(field.substr(field.size() - keep));
    joined += delimiter;
    if (joined.find(delimiter) != keep) return true;
    return false;
}

bool never_needs_quotes(std::string_view alphabet, std::string_view delimiter) {
    return alphabet.find_first_of("\"\r\n") == std::string_view::npos &&
           (delimiter.empty() || alphabet.find_first_of(delimiter) == std::string_view::npos);
}

void append_field(std::string& line, std::string_view field, std::string_view delimiter) {
    if (!needs_quotes(field, delimiter)) {
        line += field;
        return;
    }
    line += '"';
    for (const char c : field) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

}  // namespace corvex::exporting
