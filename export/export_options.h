// What the caller chooses for one export, and what an export reports back.
//
// Both exporters take the same options, so the viewer and the corvex tool give
// byte-for-byte the same file for the same log and options.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "export/time_range.h"

namespace corvex::exporting {

struct RecordBlock;

struct ExportOptions {
    bool include_log_info = true;   // the information block / the "Log Info" sheet
    bool include_errors = true;     // the error columns that the log's error flags call for
    std::string delimiter = ",";    // UTF-8, taken exactly as stored: empty, one or several characters
    std::string file_title;         // UTF-8: "File Title" / "Log Title"
    std::string file_name;          // UTF-8: "File Name" / "Log Name"
    std::vector<bool> selected;     // per item index 0..LogInfo.Count-1 (missing entries = not selected)
    // Only the records whose time lies inside are written (the information
    // block still describes the whole log); none: every record.
    std::optional<TimeRange> range;
    // A stop request ends the export between blocks of records with
    // error_number::kCancelled, and nothing is left under the file's name.
    std::stop_token stop;

    bool selects(std::int32_t index) const {
        return index >= 0 && static_cast<std::size_t>(index) < selected.size() &&
               selected[static_cast<std::size_t>(index)];
    }
    // Whether record i of `block` is written: inside the range, when there is
    // one (a record without a time, of a log without units, is not).
    bool takes(const RecordBlock& block, std::int32_t i) const;
};

// The error columns an export writes, decided once from the options and the
// log's error flags: an "Error #" after each unit (detailed errors) and one at
// the end of the line (basic errors).
struct ErrorColumns {
    bool per_unit = false;
    bool per_record = false;
    // Whether the units' errors update the record error: with both flags the
    // record column stays 0.
    bool record_follows_units() const { return per_record && !per_unit; }
};
ErrorColumns error_columns(std::int16_t error_flags, const ExportOptions& options);

// Called as records are written; `done` of `total` records. May be empty.
using ProgressFn = std::function<void(std::int64_t done, std::int64_t total)>;

// How often progress is reported: every record below 500 records, every
// 10th below 1000, every 100th from then on.
std::int32_t progress_step(std::int32_t record_count);

// A failure: a number (see export_error.h) and a one-line description.
struct ExportError {
    int number;
    std::string description;
};

struct ExportOutcome {
    std::int32_t record_count = 0;     // Log.Count
    std::int32_t records_written = 0;
    // First record Log.Item could not read; the records before it were written
    // and the file kept.
    std::optional<std::int32_t> unreadable_record;
};

}  // namespace corvex::exporting
