#include "viewer/export_progress.h"

#include <algorithm>
#include <limits>

#include "export/export_options.h"

namespace corvex::viewer {

ProgressPosition progress_position(std::int64_t done, std::int64_t total) {
    constexpr std::int64_t kLimit = std::numeric_limits<int>::max();
    if (total <= 0) return {1, 1};
    total = std::min(total, kLimit);
    done = std::clamp<std::int64_t>(done, 0, total);
    if (done < total) done -= done % exporting::progress_step(static_cast<std::int32_t>(total));
    return {static_cast<int>(total), static_cast<int>(done)};
}

}  // namespace corvex::viewer
