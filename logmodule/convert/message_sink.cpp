#include "logmodule/convert/message_sink.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

namespace corvex::convert {
namespace {

std::mutex& sink_mutex() {
    static std::mutex m;
    return m;
}

MessageSink& installed_sink() {
    static MessageSink sink;
    return sink;
}

void write_to_standard_error(std::string_view text, std::string_view caption) {
    std::string line;
    line.reserve(caption.size() + text.size() + 3);
    line.append(caption).append(": ").append(text).append("\n");
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void set_message_sink(MessageSink sink) {
    std::lock_guard lock(sink_mutex());
    installed_sink() = std::move(sink);
}

void report_message(std::string_view text, std::string_view caption) noexcept {
    try {
        MessageSink sink;
        {
            // Called outside the lock, so a sink may itself install another sink.
            std::lock_guard lock(sink_mutex());
            sink = installed_sink();
        }
        if (sink)
            sink(text, caption);
        else
            write_to_standard_error(text, caption);
    } catch (...) {
        // A message that cannot be delivered must not turn into a crash.
    }
}

}  // namespace corvex::convert
