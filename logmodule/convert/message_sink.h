// Where the converter's messages go.
//
// The log module has no windows of its own: a host that shows messages (the
// viewer's message box, the command-line tool's error stream) installs a sink,
// and the converter hands every message to it. Nothing here waits for a user.
#pragma once

#include <functional>
#include <string_view>

namespace corvex::convert {

using MessageSink = std::function<void(std::string_view text, std::string_view caption)>;

// Installs the sink for every later message of this process. An empty sink
// restores the default, which writes one line to standard error:
// caption ": " text.
void set_message_sink(MessageSink sink);

// Hands one message to the current sink. A sink that throws is not allowed to
// take the caller down: the exception is swallowed.
void report_message(std::string_view text, std::string_view caption) noexcept;

}  // namespace corvex::convert
