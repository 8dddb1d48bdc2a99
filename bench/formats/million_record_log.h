// The benchmarks' logs: a million records of one format, written once to a
// temporary file (which stays in the page cache for the runs that read it).
#pragma once

#include <filesystem>

#include "tools/logwriter/log_writer.h"

namespace corvex::bench {

inline constexpr int kMillion = 1'000'000;

// A flow log of `format` with `channels` channels (1 to 12) and `records`
// records: the PC log, the meter log with doubles and an error word per
// channel, the compact meter log with floats and a record error word. Times
// rise from 45356.0 one second a record, so none reads as the end mark.
class MillionRecordLog {
public:
    MillionRecordLog(logwriter::Format format, int channels, int records = kMillion);
    ~MillionRecordLog();
    MillionRecordLog(const MillionRecordLog&) = delete;
    MillionRecordLog& operator=(const MillionRecordLog&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace corvex::bench
