#include "cli/output/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cinttypes>

namespace corvex::cli {

Progress::Progress(std::string what, bool wanted)
    : Progress(std::move(what), stderr, wanted && isatty(STDERR_FILENO) == 1) {}

Progress::Progress(std::string what, std::FILE* stream, bool enabled)
    : what_(std::move(what)), stream_(stream), enabled_(enabled) {}

Progress::~Progress() { finish(); }

void Progress::update(std::int64_t done, std::int64_t total) {
    if (!enabled_ || total <= 0) return;
    done = std::clamp<std::int64_t>(done, 0, total);
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == last_percent_) return;
    last_percent_ = percent;
    std::fprintf(stream_, "\r%s %3d%% (%" PRId64 " of %" PRId64 ")", what_.c_str(), percent, done, total);
    std::fflush(stream_);
    drawn_ = true;
}

void Progress::finish() {
    if (drawn_) {
        // Carriage return, erase to the end of the line.
        std::fputs("\r\x1b[K", stream_);
        std::fflush(stream_);
    }
    drawn_ = false;
    enabled_ = false;
}

}  // namespace corvex::cli
