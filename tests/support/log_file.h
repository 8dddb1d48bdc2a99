// A log written by the log writer into a scratch folder.
#pragma once

#include <string>

#include "tests/support/scratch_dir.h"
#include "tools/logwriter/log_writer.h"

namespace corvex::testing {

// Writes the log described by `desc` to `name` in `dir` and answers its path.
inline std::string write_log(const ScratchDir& dir, const std::string& name, const logwriter::LogDescription& desc) {
    return dir.write(name, logwriter::build_log(desc));
}

}  // namespace corvex::testing
