// Reading a whole log once, off the window's thread, in a session of its own:
// the summary behind the statistics, the range counts and "go to a time",
// and the blocks the plot is built from.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"
#include "export/record_source.h"
#include "viewer/records/log_summary.h"
#include "viewer/work/block_sink.h"

namespace corvex::viewer {

// Opens the loaded log again in a new session: every thread that reads the
// log reads it through a session of its own.
using LogOpener = std::function<Expected<platform::ComPtr<ILog>, std::string>()>;

// The records of a session opened by `open`; on failure one line saying why.
Expected<exporting::RecordSource, std::string> open_records(const LogOpener& open);

// Records done of total, written by the scan and read by the window.
struct WorkProgress {
    std::atomic<std::int64_t> done{0};
    std::atomic<std::int64_t> total{0};
};

struct ScanOutcome {
    std::shared_ptr<const LogSummary> summary;  // null when the log could not be read at all
    std::int32_t record_count = 0;              // Log.Count of the scan's session
    std::optional<std::int32_t> unreadable_record;
    std::string failure;                        // why the log could not be read at all
    bool stopped = false;
};

inline constexpr std::int32_t kScanBlockRecords = 4096;

// Reads every record in blocks, summarising them and handing each block to
// `sinks`; ends early, `stopped`, on a stop request.
ScanOutcome scan_log(const LogOpener& open, const std::vector<std::shared_ptr<BlockSink>>& sinks, WorkProgress& progress,
                     std::stop_token stop);

// The records and statistics of `range` from a complete summary; a session is
// opened only when blocks must be read again. After a stop request the answer
// is partial, for the caller to drop.
Expected<RangeStatistics, std::string> range_statistics(const LogOpener& open, const LogSummary& summary,
                                                        const std::optional<exporting::TimeRange>& range,
                                                        std::stop_token stop);

}  // namespace corvex::viewer
