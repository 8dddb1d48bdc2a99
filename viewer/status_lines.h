// The lines the main window's status box collects, one per event.
#pragma once

#include <string>
#include <string_view>

namespace corvex::viewer {

std::string opened_line(std::string_view title);          // "Opened Log File '<title>'"
std::string open_failed_line(std::string_view title);     // "ERROR: Log File '<title>' failed to open"
std::string load_failed_line(std::string_view title);     // "ERROR: Log File '<title>' failed to load correctly!"

enum class ExportKind { Csv, Excel };
std::string exported_line(std::string_view path, ExportKind kind);  // "Exported '<path>' as CSV file" / "... as Excel file"

// "ERROR: (<number>) <description>": every failure of an export.
std::string error_line(int number, std::string_view description);

// "Please close <path> before exporting...": a workbook that is open elsewhere.
std::string please_close_text(std::string_view path);

}  // namespace corvex::viewer
