// Opening a log file in a Log object of the module, and what the module's
// ILogFormat tells about it, for every client (the tool, the viewer, the
// Python package).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "corvex/corvex.h"

namespace corvex::exporting {

// Opens `path` (as file-name bytes) in `log`. Empty when the log is open;
// otherwise one line saying why: the module's own reason when it gives one,
// "the log module does not accept it" when it gives none, or the failure of
// Open itself worded by `status_text`.
std::optional<std::string> open_log_file(ILog* log, const std::string& path, std::string (*status_text)(HRESULT));

// The format the module recognised in the open log.
struct LogFormatName {
    std::string name;                           // "PC log", "meter log", "compact meter log"
    std::string key;                            // "pc", "meter", "compact_meter"
    std::optional<std::int32_t> header_offset;  // meter logs only
};
// Empty when the module offers no ILogFormat or no log is open.
std::optional<LogFormatName> describe_format(ILog* log);

}  // namespace corvex::exporting
