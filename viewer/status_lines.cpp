#include "viewer/status_lines.h"

namespace corvex::viewer {

namespace {

std::string quoted(std::string_view before, std::string_view name, std::string_view after) {
    std::string line(before);
    line += '\'';
    line += name;
    line += '\'';
    line += after;
    return line;
}

}  // namespace

std::string opened_line(std::string_view title) { return quoted("Opened Log File ", title, ""); }

std::string open_failed_line(std::string_view title) { return quoted("ERROR: Log File ", title, " failed to open"); }

std::string load_failed_line(std::string_view title) {
    return quoted("ERROR: Log File ", title, " failed to load correctly!");
}

std::string exported_line(std::string_view path, std::string_view kind) {
    return quoted("Exported ", path, " as " + std::string(kind));
}

std::string error_line(int number, std::string_view description) {
    return "ERROR: (" + std::to_string(number) + ") " + std::string(description);
}

std::string please_close_text(std::string_view path) {
    return "Please close " + std::string(path) + " before exporting...";
}

}  // namespace corvex::viewer
