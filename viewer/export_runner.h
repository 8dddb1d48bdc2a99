// The two exports as the viewer runs them around the export engines: the save
// dialog, the progress bar, the status lines and the message box. The files
// themselves are the engines' work (export/), so the viewer and the
// corvex tool write the same file for the same log and options.
#pragma once

#include <optional>
#include <string>

#include <QString>

#include "corvex/platform/expected.h"
#include "export/export_formats.h"
#include "export/export_options.h"
#include "viewer/status_lines.h"

namespace corvex::viewer {

class MainWindow;
struct FileDialogRequest;

// The error a cancelled save dialog reports.
inline constexpr int kCancelErrorNumber = 32755;
inline constexpr char kCancelErrorText[] = "Cancel was selected.";

class ExportRunner {
public:
    explicit ExportRunner(MainWindow& window) : window_(window) {}

    // The open log in `format`: the save dialog, then "Exported '<path>' as
    // <kind>"; a file open elsewhere (1004) also gets "Please close <path>
    // before exporting...".
    void run(const exporting::ExportFormat& format);

private:
    FileDialogRequest save_request(const exporting::ExportFormat& format) const;
    // Shows the save dialog and answers the chosen path as bytes; a cancelled
    // dialog, or a name that cannot be told apart, is reported as an error.
    std::optional<std::string> ask_for_path(const FileDialogRequest& request);
    exporting::ExportOptions options() const;
    exporting::ProgressFn progress() const;
    // The status line of a finished export.
    void report(const Expected<exporting::ExportOutcome, exporting::ExportError>& result, const std::string& path,
                std::string_view kind);

    MainWindow& window_;
};

}  // namespace corvex::viewer
