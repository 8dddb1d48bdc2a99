#include "viewer/export_runner.h"

#include <filesystem>
#include <string>

#include <QProgressBar>

#include "corvex/platform/text.h"

#include "export/export_error.h"
#include "viewer/export_progress.h"
#include "viewer/log_path.h"
#include "viewer/main_window.h"
#include "viewer/path_text.h"
#include "viewer/settings_store.h"
#include "viewer/user_dialogs.h"
#include "viewer/viewer_identity.h"

namespace corvex::viewer {

namespace {
QString qt_text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
}  // namespace

FileDialogRequest ExportRunner::save_request(const exporting::ExportFormat& format) const {
    const std::string& log_path = window_.file_path();
    FileDialogRequest request;
    request.filters = {qt_text(format.filter), QStringLiteral("All Files (*)")};
    request.filter_index = 0;
    // The folder of the last log opened, else the open log's own.
    std::string folder = window_.settings().get("Paths", "oFilePath", "");
    if (folder.empty()) folder = log_folder(log_path);
    request.folder = dialog_text(folder);
    request.file_name = dialog_text(proposed_export_name(log_path));
    request.title = qt_text(format.dialog_title);
    request.confirm_overwrite = format.confirm_overwrite;
    return request;
}

std::optional<std::string> ExportRunner::ask_for_path(const FileDialogRequest& request) {
    auto path = window_.dialogs().save_file(&window_, request);
    if (!path || path->isEmpty()) {
        window_.update_status_text(error_line(kCancelErrorNumber, kCancelErrorText));
        return std::nullopt;
    }
    window_.chosen_save_path = *path;
    window_.export_file = *path;
    auto bytes = dialog_path_bytes(*path, true);
    if (!bytes) {
        window_.update_status_text(error_line(exporting::error_number::kPathNotFound, bytes.error()));
        return std::nullopt;
    }
    return std::move(*bytes);
}

exporting::ExportOptions ExportRunner::options() const {
    exporting::ExportOptions options;
    options.include_log_info = window_.export_choice().include_log_info;
    options.include_errors = window_.export_choice().include_errors;
    options.file_title = window_.file_title().toStdString();
    options.file_name = window_.file_name().toStdString();
    options.selected = window_.unit_selection();
    return options;
}

exporting::ProgressFn ExportRunner::progress() const {
    return [this](std::int64_t done, std::int64_t total) {
        const ProgressPosition at = progress_position(done, total);
        QProgressBar* bar = window_.progress_bar();
        bar->setMaximum(at.maximum);
        bar->setValue(at.value);
        window_.repaint();
    };
}

void ExportRunner::report(const Expected<exporting::ExportOutcome, exporting::ExportError>& result,
                          const std::string& path, std::string_view kind) {
    const std::string shown = text::path_display_text(path);
    if (!result) {
        window_.update_status_text(error_line(result.error().number, result.error().description));
        return;
    }
    if (result->unreadable_record) {
        // The records before it are in the file, but the export is not whole.
        window_.update_status_text(error_line(
            exporting::error_number::kLogModule,
            "Record " + std::to_string(*result->unreadable_record) + " (counting from 0) of " +
                std::to_string(result->record_count) + " could not be read; '" + shown + "' holds the " +
                std::to_string(result->records_written) + " records before it"));
        return;
    }
    QProgressBar* bar = window_.progress_bar();
    bar->setValue(bar->maximum());
    window_.update_status_text(exported_line(shown, kind));
}

void ExportRunner::run(const exporting::ExportFormat& format) {
    exporting::ExportOptions opts = options();
    if (format.takes_delimiter) opts.delimiter = window_.settings().get("DELIMITER", "DELIMITER", ",");
    const auto path = ask_for_path(save_request(format));
    if (!path) return;
    const auto result = format.run(window_.log(), opts, std::filesystem::path(*path), progress());
    report(result, *path, format.kind);
    if (!result && result.error().number == exporting::error_number::kFileOpenElsewhere) {
        const QString close_text = QString::fromStdString(please_close_text(text::path_display_text(*path)));
        window_.dialogs().message(&window_, close_text, QString::fromLatin1(kApplicationTitle));
        window_.update_status_text(close_text);
    }
}

}  // namespace corvex::viewer
