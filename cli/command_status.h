// Exit statuses and the one-line failure report every command uses.
#pragma once

#include <string_view>

namespace corvex::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
// The command did its work up to a record the module could not read; what was
// written before it is kept.
inline constexpr int kExitUnreadableRecord = 2;
// The command line itself was wrong (sysexits' EX_USAGE).
inline constexpr int kExitUsage = 64;

// Writes "corvex COMMAND: MESSAGE" as one line on standard error (control
// characters and invalid UTF-8 in the message, which may echo paths and texts
// from files, are shown escaped: visible_text.h) and answers `status`.
int report_failure(std::string_view command, std::string_view message, int status = kExitFailure);

}  // namespace corvex::cli
