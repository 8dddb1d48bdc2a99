// Converting a log into the converted log layout, as the corvex tool does it:
// the source is opened as a log first (a file that is not one is refused with
// the module's reason and nothing is written), the destination is opened here
// by the rules every writer follows and handed to ConvertLog as its
// descriptor's /dev/fd name, so a failure comes back as a reason instead of a
// line on the process's standard error, and is committed once the converter
// has finished.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "corvex/platform/expected.h"

namespace corvex::python {

struct ConvertRequest {
    std::string source, destination;  // file-name bytes
    std::string computer;             // UTF-8, stamped into every item
    std::int16_t comport = 0, node_id = 0;
};

struct ConvertOutcome {
    std::int32_t record_count = 0;
    // The first record the converter could not read: the converted log holds
    // the records before it.
    std::optional<std::int32_t> unreadable_record;
};

// One line starting with the file it concerns, and whether that is the destination.
struct ConvertError {
    std::string message;
    bool destination = false;
};

Expected<ConvertOutcome, ConvertError> convert_log_file(const ConvertRequest& request);

}  // namespace corvex::python
