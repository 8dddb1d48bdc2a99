// One export as it runs off the window's thread: the log opened again in a
// session of its own, the engine of the chosen format, progress for the
// window to show and a stop the window can request.
#pragma once

#include <filesystem>
#include <stop_token>

#include "corvex/platform/expected.h"
#include "export/export_formats.h"
#include "export/export_options.h"
#include "viewer/work/log_scan.h"

namespace corvex::viewer {

// A session that cannot be opened is error 440 with the reason; a stop
// request ends the export with error_number::kCancelled and no file.
Expected<exporting::ExportOutcome, exporting::ExportError> run_export(const LogOpener& open,
                                                                      const exporting::ExportFormat& format,
                                                                      exporting::ExportOptions options,
                                                                      const std::filesystem::path& out,
                                                                      WorkProgress& progress, std::stop_token stop);

}  // namespace corvex::viewer
