// The two exports as the viewer runs them around the export engines: the save
// dialog, the progress bar, the status lines and the message box. The files
// themselves are the engines' work (export/), so the viewer and the
// corvex tool write the same file for the same log and options.
//
// The export runs on a thread of its own, reading the log through a session
// of its own, so the window goes on painting and the progress bar moves.
// Meanwhile the window takes no input but Cancel (and Esc), which stops the
// export with the status line "Cancelled" and leaves no file behind.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QString>
#include <QTimer>

#include "corvex/platform/expected.h"
#include "export/export_formats.h"
#include "export/export_options.h"
#include "viewer/status_lines.h"
#include "viewer/work/log_scan.h"

namespace corvex::viewer {

class BackgroundJob;
class MainWindow;
struct FileDialogRequest;

// The error a cancelled save dialog reports.
inline constexpr int kCancelErrorNumber = 32755;
inline constexpr char kCancelErrorText[] = "Cancel was selected.";

class ExportRunner {
public:
    explicit ExportRunner(MainWindow& window);
    ~ExportRunner();

    // The open log in `format`: the save dialog, then the export off the
    // window's thread; when it ends, "Exported '<path>' as <kind>" or the
    // failure; a file open elsewhere (1004) also gets "Please close <path>
    // before exporting...".
    void run(const exporting::ExportFormat& format);
    // Asks a running export to stop.
    void cancel();
    bool running() const { return job_ != nullptr; }

private:
    FileDialogRequest save_request(const exporting::ExportFormat& format) const;
    // Shows the save dialog and answers the chosen path as bytes; a cancelled
    // dialog, or a name that cannot be told apart, is reported as an error.
    std::optional<std::string> ask_for_path(const FileDialogRequest& request);
    exporting::ExportOptions options() const;
    void show_progress();
    void finish(const Expected<exporting::ExportOutcome, exporting::ExportError>& result, const std::string& path,
                const exporting::ExportFormat& format);

    MainWindow& window_;
    std::shared_ptr<WorkProgress> progress_;
    QTimer progress_timer_;
    std::unique_ptr<BackgroundJob> job_;
};

}  // namespace corvex::viewer
