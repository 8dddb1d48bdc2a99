// Delimited-text export: the open log, restricted to the selected units.
//
// The file, UTF-8 without a byte-order mark, lines ending in CR LF:
//   - with include_log_info, nine lines of log information (the last empty);
//   - the header line: "Date/Time", the column name of each selected item
//     ("Label" or "Label (Symbol)") and, with include_errors in a
//     detailed-errors log, "Error #" for every item, selected or not; a
//     basic-errors log closes the line with "Error #";
//   - one line per record: its general date, each selected unit's value, the
//     error fields matching the header.
// The information lines are caption, delimiter, value. Header and record
// lines end with the delimiter unless the basic-errors column closes them.
// Fields that contain the delimiter, a double quote, CR or LF are quoted.
#pragma once

#include <filesystem>

#include "corvex/corvex.h"
#include "corvex/platform/expected.h"
#include "export/export_options.h"

namespace corvex::exporting {

// Writes the file under exactly `out`. A record Log.Item cannot read ends the
// export there: the records before it are kept and it is named in the outcome.
// On failure nothing is left under `out`.
Expected<ExportOutcome, ExportError> export_csv(ILog* log, const ExportOptions& options,
                                                const std::filesystem::path& out, const ProgressFn& progress = {});

}  // namespace corvex::exporting
