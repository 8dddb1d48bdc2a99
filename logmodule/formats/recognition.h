// Which log format a file holds, decided from its first bytes.
#pragma once

#include <cstdint>

#include "logmodule/formats/byte_source.h"

namespace corvex::formats {

enum class LogFormat { CompactMeter, Meter, Pc };

struct Recognition {
    LogFormat format = LogFormat::Pc;
    std::int32_t header_offset = 0;  // meter log: 0, 68 or 40; otherwise 0
};

// The steps, in this order, the first match winning (bytes beyond the end of
// the file read as 0):
//   1. byte 0 is 0xA5 and byte 1 is below 25:  compact meter log;
//   2. byte 2 is 0xA6:                          meter log, header at 0;
//   3. byte 70 is 0xA6:                         meter log, header at 68;
//   4. byte 42 is 0xA6:                         meter log, header at 40;
//   5. anything else:                           PC log.
// Only a guess: the chosen reader still checks the file, and a file it
// rejects is not tried as another format.
Recognition recognise_log(ByteSource& probe);

inline constexpr std::int32_t kMeterHeaderOffsets[] = {0, 68, 40};
inline constexpr std::uint8_t kCompactTypeCodeLimit = 25;

}  // namespace corvex::formats
