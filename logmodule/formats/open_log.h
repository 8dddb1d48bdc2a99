// Opening a log file of any readable format: recognition, the matching
// reader, its checks, and the rewind to the first record. The verdict is a
// result code; explain_rejection gives a readable reason for a rejection.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <variant>

#include "corvex/platform/expected.h"
#include "logmodule/formats/byte_source.h"
#include "logmodule/formats/log_reader.h"
#include "logmodule/formats/recognition.h"

namespace corvex::formats {

struct OpenedLog {
    LogFormat format;
    std::int32_t header_offset;                  // meter log: 0, 68 or 40; otherwise 0
    std::unique_ptr<LogReader> reader;           // opened and rewound
    std::variant<PcHeader, MeterHeader> header;  // a compact meter log's header comes in the meter layout (inputs 0)
};

enum class OpenError { CannotOpen, Rejected };

// Opens the file at `utf8_path`: probe its first bytes, create the reader the
// recognition names, open it, rewind it.
corvex::Expected<OpenedLog, OpenError> open_log(const std::string& utf8_path);

// The same steps over bytes in memory (fuzzers, tests). The bytes must
// outlive the returned reader.
corvex::Expected<OpenedLog, OpenError> open_log_bytes(std::span<const std::uint8_t> bytes);

// One line: why the file is not a readable log (the format its first bytes
// suggest, the check that failed, the byte offset); empty when it is readable.
std::string explain_rejection(const std::string& utf8_path);
std::string explain_rejection_bytes(std::span<const std::uint8_t> bytes);

// A fresh source over the same bytes each call, or nullptr when the bytes
// cannot be reached; the common ground of the two ways in above.
using SourceOpener = std::function<std::unique_ptr<ByteSource>()>;
corvex::Expected<OpenedLog, OpenError> open_log_from(const SourceOpener& open_source);
std::string explain_rejection_from(const SourceOpener& open_source);

}  // namespace corvex::formats
