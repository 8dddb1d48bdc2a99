#include "export/xlsx/sheet_name.h"

#include "export/xlsx/cell_text.h"

namespace corvex::xlsx {

namespace {

constexpr std::size_t kMaxNameLength = 31;

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::optional<std::string> sheet_name_problem(std::string_view name) {
    const std::string quoted = "'" + std::string(name) + "'";
    if (name.empty()) return std::string("A sheet name cannot be empty");
    const std::optional<std::size_t> length = utf16_length(name);
    if (!length) return "The sheet name " + quoted + " is not valid text";
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return "The sheet name " + quoted + " holds a control character";
        if (std::string_view(":\\/?*[]").find(c) != std::string_view::npos) {
            return "The sheet name " + quoted + " holds one of the characters : \\ / ? * [ ]";
        }
    }
    if (*length > kMaxNameLength) return "The sheet name " + quoted + " is longer than 31 characters";
    if (name.front() == '\'' || name.back() == '\'') {
        return "The sheet name " + quoted + " begins or ends with an apostrophe";
    }
    if (same_sheet_name(name, "History")) return std::string("A sheet cannot be named 'History'");
    return std::nullopt;
}

bool same_sheet_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

}  // namespace corvex::xlsx
