// A table of small logs, one row per layout worth covering: every format,
// each value width, each combination of the error flags, channel gaps, end
// marks. The tests read each row back field by field, and the fuzzers start
// from the same rows, so a new row is a regression test and a fuzz seed at once.
#pragma once

#include <string>
#include <vector>

#include "tools/logwriter/log_writer.h"

namespace corvex::logwriter {

struct LogCase {
    std::string name;  // usable as a file name
    LogDescription desc;
    bool readable = true;  // false for layouts the readers refuse (the converted log)
};

const std::vector<LogCase>& reference_log_cases();

}  // namespace corvex::logwriter
