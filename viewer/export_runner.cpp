#include "viewer/export_runner.h"

#include <filesystem>
#include <string>

#include <QProgressBar>

#include "corvex/platform/text.h"

#include "export/csv_export.h"
#include "export/export_error.h"
#include "export/workbook_export.h"
#include "viewer/export_progress.h"
#include "viewer/log_path.h"
#include "viewer/main_window.h"
#include "viewer/path_text.h"
#include "viewer/settings_store.h"
#include "viewer/user_dialogs.h"
#include "viewer/viewer_identity.h"

namespace corvex::viewer {

FileDialogRequest ExportRunner::save_request(const QString& title, const QString& filter) const {
    const std::string& log_path = window_.file_path();
    FileDialogRequest request;
    request.filters = {filter, QStringLiteral("All Files (*)")};
    request.filter_index = 0;
    // The folder of the last log opened, else the open log's own.
    std::string folder = window_.settings().get("Paths", "oFilePath", "");
    if (folder.empty()) folder = log_folder(log_path);
    request.folder = dialog_text(folder);
    request.file_name = dialog_text(proposed_export_name(log_path));
    request.title = title;
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
                          const std::string& path, ExportKind kind) {
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

void ExportRunner::export_csv() {
    exporting::ExportOptions opts = options();
    opts.delimiter = window_.settings().get("DELIMITER", "DELIMITER", ",");
    FileDialogRequest request =
        save_request(QStringLiteral("Export *.log to *.csv"), QStringLiteral("Comma Separated Value File (*.csv)"));
    request.confirm_overwrite = true;
    const auto path = ask_for_path(request);
    if (!path) return;
    const auto result = exporting::export_csv(window_.log(), opts, std::filesystem::path(*path), progress());
    report(result, *path, ExportKind::Csv);
}

void ExportRunner::export_workbook() {
    const FileDialogRequest request =
        save_request(QStringLiteral("Export *.log to *.xls"), QStringLiteral("Excel File (*.xls)"));
    const auto path = ask_for_path(request);
    if (!path) return;
    const auto result =
        exporting::export_workbook(window_.log(), options(), std::filesystem::path(*path), progress());
    report(result, *path, ExportKind::Excel);
    if (!result && result.error().number == exporting::error_number::kFileOpenElsewhere) {
        const QString close_text = QString::fromStdString(please_close_text(text::path_display_text(*path)));
        window_.dialogs().message(&window_, close_text, QString::fromLatin1(kApplicationTitle));
        window_.update_status_text(close_text);
    }
}

}  // namespace corvex::viewer
