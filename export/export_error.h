// The failure numbers the exporters report.
//
// The numbers are those of the viewer's status line "ERROR: (number) text";
// file-system failures keep the numbers the viewer's users know.
#pragma once

#include <filesystem>
#include <string_view>

#include "corvex/platform/output_file.h"
#include "export/export_options.h"
#include "export/record_source.h"

namespace corvex::exporting {

namespace error_number {
inline constexpr int kCancelled = 18;          // stopped on the user's request
inline constexpr int kDeviceIo = 57;           // a write or close failed
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kFileAccess = 75;         // the path names no writable file (a folder, ...)
inline constexpr int kPathNotFound = 76;
inline constexpr int kLogModule = 440;         // a call into the log module failed
inline constexpr int kFileOpenElsewhere = 1004;
inline constexpr int kWorkbook = 1005;         // the workbook writer refused (its own reason follows)
}  // namespace error_number

// A failure of `action` ("create", "write", ...) on `path` with the errno `err`,
// numbered by the kind of failure.
ExportError file_error(int err, std::string_view action, const std::filesystem::path& path);
// The same for a failure of the output file written to `path`.
ExportError file_error(const platform::OutputError& error, const std::filesystem::path& path);

// An export stopped on request: number kCancelled, "Cancelled".
ExportError cancelled_error();

// What the log module did not answer, numbered 440.
ExportError source_error(const SourceError& error);

}  // namespace corvex::exporting
