#include "viewer/export_command.h"

#include <string>

#include <QCheckBox>
#include <QProgressBar>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "export/export_error.h"
#include "export/export_formats.h"
#include "viewer/export_runner.h"
#include "viewer/main_window.h"
#include "viewer/status_lines.h"
#include "viewer/user_dialogs.h"
#include "viewer/viewer_identity.h"

namespace corvex::viewer {

void ExportCommand::click() {
    ExportChoice& choice = window_.export_choice();
    // A greyed box counts as checked.
    choice.include_log_info = window_.include_log_info_box()->checkState() != Qt::Unchecked;
    choice.include_errors = window_.include_errors_box()->checkState() != Qt::Unchecked;
    window_.store_setting("ExportOptions", "IncludeErrors", choice.include_errors ? "1" : "0");
    window_.store_setting("ExportOptions", "IncludeLogInfo", choice.include_log_info ? "1" : "0");
    const int format = window_.selected_format_index();
    window_.store_setting("ExportOptions", "ExportFormat", std::to_string(format));
    choice.format = format;
    window_.progress_bar()->setValue(0);
    window_.repaint();
    export_log();
}

void ExportCommand::export_log() {
    // The header object is held while the export runs. A session that gives
    // none (it never opened) must not be exported from.
    platform::ComPtr<ILogInfo> info;
    ILog* log = window_.log();
    if (!log || FAILED(log->GetLogInfo(info.put())) || !info) {
        window_.update_status_text(
            error_line(exporting::error_number::kLogModule, "There is no open log to export: the log module gave no log information"));
        return;
    }

    const QString title = QString::fromLatin1(kApplicationTitle);
    if (window_.selected_unit_count() > 0) {
        const int format = window_.export_choice().format;
        const auto formats = exporting::export_formats();
        if (format >= 0 && static_cast<std::size_t>(format) < formats.size()) {
            runner_.run(formats[static_cast<std::size_t>(format)]);
        } else {
            window_.dialogs().message(&window_, QStringLiteral("Please select a valid export format from the list"),
                                      title);
        }
    } else {
        window_.dialogs().message(&window_, QStringLiteral("Please select atleast 1 unit from the list"), title);
    }
}

}  // namespace corvex::viewer
