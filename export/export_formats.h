// The export formats, described once: the tool's --format, the viewer's
// format box, its save dialog and its status lines all read this list. A new
// export format is one engine and one entry here.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>

#include "corvex/corvex.h"
#include "corvex/platform/expected.h"
#include "export/export_options.h"

namespace corvex::exporting {

using ExportEngine = Expected<ExportOutcome, ExportError> (*)(ILog* log, const ExportOptions& options,
                                                               const std::filesystem::path& out,
                                                               const ProgressFn& progress);

struct ExportFormat {
    std::string_view id;            // the tool's --format: "csv"
    std::string_view noun;          // for help texts: "delimited text"
    std::string_view label;         // the viewer's format box entry: "CSV (*.csv)"
    std::string_view kind;          // the status line's "Exported '...' as CSV file"
    std::string_view dialog_title;  // the save dialog's title
    std::string_view filter;        // the save dialog's filter
    // File-name extensions (lower case) that name this format; the first is
    // the one proposed.
    std::span<const std::string_view> extensions;
    bool takes_delimiter;           // the field delimiter applies
    bool confirm_overwrite;         // the save dialog asks before replacing a file
    bool confirm_create;            // the save dialog asks before creating a new file
    ExportEngine run;
};

// In the order of the viewer's format box (its stored index is a position here).
std::span<const ExportFormat> export_formats();

// The format whose id is `id`; null when none is.
const ExportFormat* find_export_format(std::string_view id);

// The format whose extensions hold `path`'s (case-insensitively); the first
// format when none does.
const ExportFormat& export_format_for(const std::filesystem::path& path);

}  // namespace corvex::exporting
