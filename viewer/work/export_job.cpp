#include "viewer/work/export_job.h"

#include "export/export_error.h"

namespace corvex::viewer {

Expected<exporting::ExportOutcome, exporting::ExportError> run_export(const LogOpener& open,
                                                                      const exporting::ExportFormat& format,
                                                                      exporting::ExportOptions options,
                                                                      const std::filesystem::path& out,
                                                                      WorkProgress& progress, std::stop_token stop) {
    auto log = open();
    if (!log) return Unexpected(exporting::ExportError{exporting::error_number::kLogModule, log.error()});
    if (stop.stop_requested()) return Unexpected(exporting::cancelled_error());
    options.stop = stop;
    return format.run(log->get(), options, out, [&progress](std::int64_t done, std::int64_t total) {
        progress.total = total;
        progress.done = done;
    });
}

}  // namespace corvex::viewer
