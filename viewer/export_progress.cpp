#include "viewer/export_progress.h"

#include <algorithm>
#include <limits>

namespace corvex::viewer {

std::int32_t progress_step(std::int64_t record_count) {
    if (record_count < 500) return 1;
    if (record_count < 1000) return 10;
    return 100;
}

ProgressPosition progress_position(std::int64_t done, std::int64_t total) {
    constexpr std::int64_t kLimit = std::numeric_limits<int>::max();
    if (total <= 0) return {1, 1};
    total = std::min(total, kLimit);
    done = std::clamp<std::int64_t>(done, 0, total);
    if (done < total) done -= done % progress_step(total);
    return {static_cast<int>(total), static_cast<int>(done)};
}

}  // namespace corvex::viewer
