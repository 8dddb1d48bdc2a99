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

std::string open_failed_line(std::string_view title, std::string_view reason) {
    return quoted("ERROR: Log File ", title, " failed to open: " + std::string(reason));
}

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

std::string create_prompt_text(std::string_view path) {
    return std::string(path) + "\nThis file does not exist.\nDo you want to create it?";
}

std::string cancelled_line() { return "Cancelled"; }

std::string range_status_text(const std::optional<exporting::TimeRange>& range, std::optional<std::int64_t> records) {
    std::string text;
    const exporting::TimeRange whole;
    if (!range) {
        text = "Whole log";
    } else if (range->last == whole.last) {
        text = "From " + exporting::time_bound_text(range->first);
    } else if (range->first == whole.first) {
        text = "Up to " + exporting::time_bound_text(range->last);
    } else {
        text = exporting::time_bound_text(range->first) + " to " + exporting::time_bound_text(range->last);
    }
    text += ": ";
    if (!records) return text + "counting records";
    return text + std::to_string(*records) + (*records == 1 ? " record" : " records");
}

}  // namespace corvex::viewer
