// One open log for the Python module: the log module's Log, its header and
// items read once, and the reads that fill caller-owned buffers block by
// block. No Python in here: the bindings release the interpreter lock around
// every call, and each call holds the log's own mutex, so one LogFile can be
// handed from thread to thread and several can be read side by side.
#pragma once

#include <cstdint>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"
#include "export/export_formats.h"
#include "export/log_opening.h"
#include "export/record_source.h"

namespace corvex::python {

// Where a read stopped.
struct ReadOutcome {
    std::int32_t delivered = 0;  // records written into the buffers
    bool closed = false;         // the log was closed: nothing was read
    bool interrupted = false;    // between_blocks asked to stop
    // The record the module could not read; the buffers end before it.
    std::optional<std::int32_t> unreadable_record;
};

// Buffers for records first .. first + count - 1 of the chosen units; any
// pointer may be null. Values and errors are record-major, units.size() per
// record. A log without units gives its records no time: NaN.
struct ReadRequest {
    std::int32_t first = 0;
    std::int32_t count = 0;
    std::span<const std::int32_t> units;  // item indexes, each 0 .. item count - 1
    double* times = nullptr;
    double* values = nullptr;
    std::int16_t* errors = nullptr;
    // Called after each block; answering false stops the read.
    std::function<bool()> between_blocks;
};

class LogFile {
public:
    // Creates a Log through activation and opens `path` (file-name bytes). The
    // error is one line: the module's reason for refusing the file, or why no
    // Log could be made or read.
    static Expected<std::unique_ptr<LogFile>, std::string> open(const std::string& path);

    // Read once at open; they stay after close().
    const exporting::HeaderFields& header() const { return header_; }
    const std::vector<exporting::ItemFields>& items() const { return items_; }
    const std::optional<exporting::LogFormatName>& format() const { return format_; }

    ReadOutcome read(const ReadRequest& request);

    // Writes the log with `format`'s engine. Fails with one line; the
    // outcome names a record the module could not read. Empty when closed.
    std::optional<Expected<exporting::ExportOutcome, exporting::ExportError>> export_to(
        const exporting::ExportFormat& format, const exporting::ExportOptions& options, const std::string& path);

    // Releases the Log and its file (after a read in another thread has
    // finished); reads answer `closed` from then on.
    void close();
    // Takes no lock, so a caller that holds another lock can ask.
    bool closed() const { return closed_.load(); }

private:
    LogFile() = default;

    std::mutex mutex_;
    platform::ComPtr<ILog> log_;
    std::optional<exporting::RecordSource> source_;
    exporting::RecordBlock block_;
    exporting::HeaderFields header_;
    std::vector<exporting::ItemFields> items_;
    std::optional<exporting::LogFormatName> format_;
    std::atomic<bool> closed_{false};
};

}  // namespace corvex::python
