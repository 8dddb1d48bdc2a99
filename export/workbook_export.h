// Workbook export: the open log, restricted to the selected units, as an
// Office Open XML workbook.
//
// Sheets, in order:
//   - "Log Info" with include_log_info (rows 1-8 the header, A1:A8 bold; the
//     table of the selected items from row 10, A10:K10 bold), otherwise an
//     empty sheet with the default name;
//   - "Log Data", the active sheet: a bold header row ("Date/Time", then
//     "Label (Symbol)" per selected item, with "Error #" columns as the error
//     flags call for), then one row per record: its time as a date cell
//     ("m/d/yyyy h:mm:ss"), the values as numbers, the errors.
//   - "Log Data 2", "Log Data 3", ...: the records that do not fit on one
//     sheet, each with the same header row.
// Columns A to Z of the data sheets are as wide as their contents.
// Values that are not finite are written as the texts "NaN", "Inf", "-Inf";
// record times a spreadsheet cannot hold as dates as their general-date text.
#pragma once

#include <cstdint>
#include <filesystem>

#include "corvex/corvex.h"
#include "corvex/platform/expected.h"
#include "export/export_options.h"

namespace corvex::exporting {

struct WorkbookLayout {
    // Rows per sheet, the header row included: the spreadsheet's limit.
    // Tests make it small to see the records continue on further sheets.
    std::int32_t rows_per_sheet = 1'048'576;
};

// Writes the workbook under exactly `out`. Fails with number 1004 while a
// spreadsheet application holds the file open (its lock file ".~lock.NAME#"
// or "~$NAME" lies beside it). A record Log.Item cannot read ends the export
// there: the records before it are kept and it is named in the outcome. On
// failure nothing is left under `out`.
Expected<ExportOutcome, ExportError> export_workbook(ILog* log, const ExportOptions& options,
                                                     const std::filesystem::path& out, const ProgressFn& progress = {});
Expected<ExportOutcome, ExportError> export_workbook(ILog* log, const ExportOptions& options,
                                                     const std::filesystem::path& out, const ProgressFn& progress,
                                                     const WorkbookLayout& layout);

}  // namespace corvex::exporting
