// Replacing a whole file so that a reader, or a crash, sees the old bytes or
// the new ones, never half of them: a temporary file beside it is written and
// synced, renamed over it, and the rename is made durable.
#pragma once

#include <filesystem>
#include <string_view>

#include "corvex/platform/expected.h"

namespace corvex::platform {

struct AtomicWriteError {
    enum class Step { CreateTemporary, Write, Replace };
    Step step;
    int error;  // the errno of the failed step
};

// Replaces `path` with `text`; its folder must exist. The new file has
// permissions 0600. On failure `path` is unchanged and no temporary file is left.
Expected<void, AtomicWriteError> replace_file_atomically(const std::filesystem::path& path, std::string_view text);

}  // namespace corvex::platform
