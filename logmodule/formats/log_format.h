// A log format as one descriptor: its names, how its first bytes are
// recognised, how its reader opens a file, and how a rejection is explained.
// The descriptors are registered in one list (log_formats.cpp); recognition
// walks it in order and the first match decides (no other format is tried when
// the chosen reader rejects the file).
//
// Adding a format: a new file with its descriptor (and its reader), and its
// line in log_formats.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "logmodule/formats/byte_source.h"
#include "logmodule/formats/log_header.h"
#include "logmodule/formats/log_reader.h"

namespace corvex::formats {

// A fresh source over the same bytes each call, or nullptr when the bytes
// cannot be reached (a file that does not open).
using SourceOpener = std::function<std::unique_ptr<ByteSource>()>;

// A reader that opened its file, rewound, with the log's header.
struct OpenedReader {
    std::unique_ptr<LogReader> reader;
    LogHeader header;
};

struct LogFormat {
    std::string_view name;   // for people: "PC log"
    std::string_view key;    // for programs: "pc"
    // Where the header may start, in the order recognition tries them.
    std::span<const std::int32_t> header_offsets;
    // Whether the first bytes name this format with its header at
    // `header_offset`. Bytes beyond the end of the file read as 0.
    bool (*recognise)(ByteSource& probe, std::int32_t header_offset);
    // Opens the format's reader on the recognised file; `probe` is the source
    // recognition read, for the format to close when its steps say so. Empty
    // when the reader rejects the file.
    std::optional<OpenedReader> (*open)(const SourceOpener& open_source, std::unique_ptr<ByteSource> probe,
                                        std::int32_t header_offset);
    // One line for a file the reader rejected: the check that failed and the
    // byte offset.
    std::string (*explain)(ByteSource& source, std::int64_t length, std::int32_t header_offset);
};

// Every format, in the order recognition tries them.
std::span<const LogFormat* const> log_formats();

// The format whose key is `key`; null when there is none.
const LogFormat* find_log_format(std::string_view key);

}  // namespace corvex::formats
