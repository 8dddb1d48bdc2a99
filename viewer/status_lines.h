// The lines the main window's status box collects, one per event.
#pragma once

#include <string>
#include <string_view>

namespace corvex::viewer {

std::string opened_line(std::string_view title);          // "Opened Log File '<title>'"
std::string open_failed_line(std::string_view title);     // "ERROR: Log File '<title>' failed to open"
std::string load_failed_line(std::string_view title);     // "ERROR: Log File '<title>' failed to load correctly!"

// "Exported '<path>' as <kind>": kind is the format's, "CSV file" or "Excel file".
std::string exported_line(std::string_view path, std::string_view kind);

// "ERROR: (<number>) <description>": every failure of an export.
std::string error_line(int number, std::string_view description);

// "Please close <path> before exporting...": a workbook that is open elsewhere.
std::string please_close_text(std::string_view path);

}  // namespace corvex::viewer
