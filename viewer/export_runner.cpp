#include "viewer/export_runner.h"

#include <filesystem>
#include <string>
#include <system_error>

#include <QProgressBar>

#include "corvex/platform/text.h"

#include "export/export_error.h"
#include "viewer/delimiter_dialog.h"
#include "viewer/export_progress.h"
#include "viewer/log_path.h"
#include "viewer/main_window.h"
#include "viewer/path_text.h"
#include "viewer/settings_store.h"
#include "viewer/user_dialogs.h"
#include "viewer/viewer_identity.h"
#include "viewer/work/background_job.h"
#include "viewer/work/export_job.h"

namespace corvex::viewer {

namespace {
QString qt_text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
}  // namespace

ExportRunner::ExportRunner(MainWindow& window) : window_(window) {
    progress_timer_.setInterval(100);
    QObject::connect(&progress_timer_, &QTimer::timeout, &window_, [this] { show_progress(); });
}

ExportRunner::~ExportRunner() = default;  // a running export is stopped and waited for

FileDialogRequest ExportRunner::save_request(const exporting::ExportFormat& format) const {
    const std::string& log_path = window_.file_path();
    FileDialogRequest request;
    request.filters = {qt_text(format.filter), QStringLiteral("All Files (*)")};
    request.filter_index = 0;
    // The folder of the last log opened, else the open log's own.
    std::string folder = window_.settings().get("Paths", "oFilePath", "");
    if (folder.empty()) folder = log_folder(log_path);
    request.folder = dialog_text(folder);
    request.file_name = dialog_text(proposed_export_name(log_path, format.extensions.front()));
    request.title = qt_text(format.dialog_title);
    request.confirm_overwrite = format.confirm_overwrite;
    request.confirm_create = format.confirm_create;
    return request;
}

std::optional<std::string> ExportRunner::ask_for_path(const FileDialogRequest& request) {
    for (;;) {
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
        std::error_code ec;
        // Asked as the save dialog of the delimited export has always asked;
        // No goes back to the dialog.
        if (request.confirm_create && !std::filesystem::exists(std::filesystem::path(*bytes), ec) &&
            !window_.dialogs().confirm(&window_, QString::fromStdString(create_prompt_text(path->toStdString())), request.title))
            continue;
        return std::move(*bytes);
    }
}

exporting::ExportOptions ExportRunner::options() const {
    exporting::ExportOptions options;
    options.include_log_info = window_.export_choice().include_log_info;
    options.include_errors = window_.export_choice().include_errors;
    options.file_title = window_.file_title().toStdString();
    options.file_name = window_.file_name().toStdString();
    options.selected = window_.unit_selection();
    options.range = window_.time_range();
    return options;
}

void ExportRunner::show_progress() {
    if (!progress_ || progress_->total < 0) return;  // nothing reported yet
    const ProgressPosition at = progress_position(progress_->done, progress_->total);
    QProgressBar* bar = window_.progress_bar();
    bar->setMaximum(at.maximum);
    bar->setValue(at.value);
}

void ExportRunner::run(const exporting::ExportFormat& format) {
    if (job_) return;
    exporting::ExportOptions opts = options();
    if (format.takes_delimiter) opts.delimiter = stored_delimiter(window_.settings());
    const auto path = ask_for_path(save_request(format));
    if (!path) return;

    window_.set_exporting(true);
    progress_ = std::make_shared<WorkProgress>();
    progress_->total = -1;
    progress_timer_.start();
    job_ = std::make_unique<BackgroundJob>(
        &window_, [this, open = window_.log_opener(), &format, opts = std::move(opts), out = *path,
                   progress = progress_](std::stop_token stop) {
            auto result = std::make_shared<Expected<exporting::ExportOutcome, exporting::ExportError>>(
                run_export(open, format, opts, std::filesystem::path(out), *progress, stop));
            return BackgroundJob::Then([this, result, out, &format] { finish(*result, out, format); });
        });
}

void ExportRunner::cancel() {
    if (job_) job_->request_stop();
}

void ExportRunner::finish(const Expected<exporting::ExportOutcome, exporting::ExportError>& result,
                          const std::string& path, const exporting::ExportFormat& format) {
    // The thread has ended its work; let it go.
    job_.reset();
    progress_timer_.stop();
    show_progress();
    window_.set_exporting(false);

    const std::string shown = text::path_display_text(path);
    if (!result) {
        if (result.error().number == exporting::error_number::kCancelled) {
            window_.update_status_text(cancelled_line());
            return;
        }
        window_.update_status_text(error_line(result.error().number, result.error().description));
        if (result.error().number == exporting::error_number::kFileOpenElsewhere) {
            const QString close_text = QString::fromStdString(please_close_text(shown));
            window_.dialogs().message(&window_, close_text, QString::fromLatin1(kApplicationTitle));
            window_.update_status_text(close_text);
        }
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
    window_.update_status_text(exported_line(shown, format.kind));
}

}  // namespace corvex::viewer
