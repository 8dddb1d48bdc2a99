#include "viewer/export_runner.h"

#include <filesystem>
#include <string>

#include <QFile>
#include <QProgressBar>

#include "viewer/export/csv_export.h"
#include "viewer/export/export_error.h"
#include "viewer/export/workbook_export.h"
#include "viewer/export_progress.h"
#include "viewer/log_path.h"
#include "viewer/main_window.h"
#include "viewer/settings_store.h"
#include "viewer/user_dialogs.h"
#include "viewer/viewer_identity.h"

namespace corvex::viewer {

namespace {

std::filesystem::path file_system_path(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

}  // namespace

FileDialogRequest ExportRunner::save_request(const QString& title, const QString& filter) const {
    const std::string log_path = window_.file_name().toStdString();
    FileDialogRequest request;
    request.filters = {filter, QStringLiteral("All Files (*)")};
    request.filter_index = 0;
    // The folder of the last log opened, else the open log's own.
    std::string folder = window_.settings().get("Paths", "oFilePath", "");
    if (folder.empty()) folder = log_folder(log_path);
    request.folder = QString::fromStdString(folder);
    request.file_name = QString::fromStdString(proposed_export_name(log_path));
    request.title = title;
    return request;
}

std::optional<QString> ExportRunner::ask_for_path(const FileDialogRequest& request) {
    auto path = window_.dialogs().save_file(&window_, request);
    if (!path || path->isEmpty()) {
        window_.update_status_text(error_line(kCancelErrorNumber, kCancelErrorText));
        return std::nullopt;
    }
    window_.chosen_save_path = *path;
    window_.export_file = *path;
    return path;
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
                          const QString& path, ExportKind kind) {
    if (!result) {
        window_.update_status_text(error_line(result.error().number, result.error().description));
        return;
    }
    if (result->unreadable_record) {
        // The records before it are in the file, but the export is not whole.
        window_.update_status_text(error_line(
            exporting::error_number::kLogModule,
            "Record " + std::to_string(*result->unreadable_record) + " (counting from 0) of " +
                std::to_string(result->record_count) + " could not be read; '" + path.toStdString() + "' holds the " +
                std::to_string(result->records_written) + " records before it"));
        return;
    }
    QProgressBar* bar = window_.progress_bar();
    bar->setValue(bar->maximum());
    window_.update_status_text(exported_line(path.toStdString(), kind));
}

void ExportRunner::export_csv() {
    exporting::ExportOptions opts = options();
    opts.delimiter = window_.settings().get("DELIMITER", "DELIMITER", ",");
    FileDialogRequest request =
        save_request(QStringLiteral("Export *.log to *.csv"), QStringLiteral("Comma Separated Value File (*.csv)"));
    request.confirm_overwrite = true;
    const auto path = ask_for_path(request);
    if (!path) return;
    const auto result = exporting::export_csv(window_.log(), opts, file_system_path(*path), progress());
    report(result, *path, ExportKind::Csv);
}

void ExportRunner::export_workbook() {
    const FileDialogRequest request =
        save_request(QStringLiteral("Export *.log to *.xls"), QStringLiteral("Excel File (*.xls)"));
    const auto path = ask_for_path(request);
    if (!path) return;
    const auto result = exporting::export_workbook(window_.log(), options(), file_system_path(*path), progress());
    report(result, *path, ExportKind::Excel);
    if (!result && result.error().number == exporting::error_number::kFileOpenElsewhere) {
        const QString text = QString::fromStdString(please_close_text(path->toStdString()));
        window_.dialogs().message(&window_, text, QString::fromLatin1(kApplicationTitle));
        window_.update_status_text(text);
    }
}

}  // namespace corvex::viewer
