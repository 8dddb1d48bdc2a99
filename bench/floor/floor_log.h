// What the floor programs share: a log decoded record by record with the
// readers alone (no objects, no interfaces), and the texts of its header.
// The floor is what a plain one-thread program costs; the benchmarks divide
// the project's times by it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "logmodule/formats/open_log.h"
#include "logmodule/units/unit_catalogue.h"

namespace corvex::bench {

class FloorLog {
public:
    // Exits with a message when the file is no readable log.
    explicit FloorLog(const std::string& path);

    const formats::LogHeader& header() const { return opened_.header; }
    std::int32_t record_count() const { return count_; }
    int units() const { return static_cast<int>(opened_.header.channels.size()); }
    // "Label (Symbol)" of channel k, as the exports name its column.
    std::string column_name(int k, bool parentheses_when_empty) const;
    std::string label(int k) const;
    std::string symbol(int k) const;

    // The next record: its time, values (widened) and error words; false at the end.
    bool next(double& time, double* values, std::int16_t* errors);

private:
    formats::OpenedLog opened_;
    std::int32_t count_ = 0;
};

}  // namespace corvex::bench
