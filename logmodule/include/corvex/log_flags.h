// Flag bits of a log header, as ILogInfo.ErrorFlags and ILogInfo.CyclicFlags
// answer them. Part of the published header corvex.h.
#pragma once

#include <cstdint>

namespace corvex::log_flags {

// ErrorFlags: one 16-bit error word per channel in each record.
inline constexpr std::int16_t kDetailedErrors = 0x1000;
// ErrorFlags: one 16-bit error word per record.
inline constexpr std::int16_t kBasicErrors = 0x2000;
// ErrorFlags: the log was written in the instrument's error-hold mode.
inline constexpr std::int16_t kErrorLogHold = 0x4000;
// CyclicFlags: the log was written cyclically.
inline constexpr std::int16_t kCyclicLog = 0x0001;

}  // namespace corvex::log_flags
