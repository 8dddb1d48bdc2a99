// What the caller chooses for one export, and what an export reports back.
//
// Both exporters take the same options, so the viewer and the corvex tool give
// byte-for-byte the same file for the same log and options.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvex::exporting {

struct ExportOptions {
    bool include_log_info = true;   // the information block / the "Log Info" sheet
    bool include_errors = true;     // the error columns that the log's error flags call for
    std::string delimiter = ",";    // UTF-8, taken exactly as stored: empty, one or several characters
    std::string file_title;         // UTF-8: "File Title" / "Log Title"
    std::string file_name;          // UTF-8: "File Name" / "Log Name"
    std::vector<bool> selected;     // per item index 0..LogInfo.Count-1 (missing entries = not selected)

    bool selects(std::int32_t index) const {
        return index >= 0 && static_cast<std::size_t>(index) < selected.size() &&
               selected[static_cast<std::size_t>(index)];
    }
};

// Called as records are written; `done` of `total` records. May be empty.
using ProgressFn = std::function<void(std::int64_t done, std::int64_t total)>;

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
