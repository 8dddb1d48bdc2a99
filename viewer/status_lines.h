// The lines the main window's status box collects, one per event.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "export/time_range.h"

namespace corvex::viewer {

std::string opened_line(std::string_view title);          // "Opened Log File '<title>'"
// "ERROR: Log File '<title>' failed to open: <reason>"
std::string open_failed_line(std::string_view title, std::string_view reason);
std::string load_failed_line(std::string_view title);     // "ERROR: Log File '<title>' failed to load correctly!"

// "Exported '<path>' as <kind>": kind is the format's, "CSV file" or "Excel file".
std::string exported_line(std::string_view path, std::string_view kind);

// "ERROR: (<number>) <description>": every failure of an export.
std::string error_line(int number, std::string_view description);

// "Please close <path> before exporting...": a workbook that is open elsewhere.
std::string please_close_text(std::string_view path);

// The question before an export creates a new file: "<path>\nThis file does
// not exist.\nDo you want to create it?".
std::string create_prompt_text(std::string_view path);

// "Cancelled": an export stopped by the user.
std::string cancelled_line();

// The status bar's line for the records the data views and the exports keep
// to: "Whole log: 299 records", "2024-03-05 08:00:00 to 2024-03-05 09:00:00:
// 61 records", "From ...", "Up to ..."; "counting records" while the count is
// not known.
std::string range_status_text(const std::optional<exporting::TimeRange>& range, std::optional<std::int64_t> records);

}  // namespace corvex::viewer
