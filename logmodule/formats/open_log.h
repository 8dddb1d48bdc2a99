// Opening a log file of any readable format: recognition walks the list of
// formats (log_format.h), the first whose first bytes match opens its reader,
// checks and rewinds it. The verdict is a result code; explain_rejection gives
// a readable reason for a rejection.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "corvex/platform/expected.h"
#include "logmodule/formats/log_format.h"

namespace corvex::formats {

struct Recognition {
    const LogFormat* format = nullptr;
    std::int32_t header_offset = 0;  // the meter log's 0, 68 or 40; otherwise 0
};

// The format the first bytes name (bytes beyond the end read as 0). Only a
// guess: the chosen reader still checks the file, and a file it rejects is not
// tried as another format.
Recognition recognise_log(ByteSource& probe);

struct OpenedLog {
    const LogFormat* format = nullptr;
    std::int32_t header_offset = 0;
    std::unique_ptr<LogReader> reader;   // opened and rewound
    LogHeader header;
};

enum class OpenError { CannotOpen, Rejected };

// Opens the file at `path` (file-name bytes).
corvex::Expected<OpenedLog, OpenError> open_log_file(const std::string& path);
// The same steps over bytes in memory (fuzzers, tests). The bytes must outlive
// the returned reader.
corvex::Expected<OpenedLog, OpenError> open_log_bytes(std::span<const std::uint8_t> bytes);
corvex::Expected<OpenedLog, OpenError> open_log_from(const SourceOpener& open_source);

// One line: why the file is not a readable log (the format its first bytes
// suggest, the check that failed, the byte offset); empty when it is readable.
std::string explain_rejection(const std::string& path);
std::string explain_rejection_bytes(std::span<const std::uint8_t> bytes);
std::string explain_rejection_from(const SourceOpener& open_source);

// The whole one-line reason a file at `path` does not open as a log, for
// people: "cannot open: <why>", "is a directory", or "not a readable log: "
// and explain_rejection's line. Empty when it opens.
std::string rejection_reason(const std::string& path);

}  // namespace corvex::formats
