// What the viewer knows of a whole log after reading it once: per block of
// records the span of their times and, per unit, minimum, maximum, sum and
// the records with an error word. From it the records and statistics of any
// time range follow at once; only a block that straddles an end of the range
// is read again. It also finds the first record at or after a time.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <stop_token>
#include <vector>

#include "export/record_source.h"
#include "export/time_range.h"
#include "viewer/records/block_cache.h"

namespace corvex::viewer {

struct UnitStatistics {
    double minimum = std::numeric_limits<double>::infinity();
    double maximum = -std::numeric_limits<double>::infinity();
    double sum = 0;
    std::int64_t values = 0;         // values counted (a NaN, or no number, is not)
    std::int64_t error_records = 0;  // records whose error word for the unit is not 0

    void add(double value, std::int16_t error);
    void add(const UnitStatistics& other);
    // Empty when no value was counted.
    std::optional<double> mean() const;
};

struct RangeStatistics {
    std::int64_t records = 0;
    std::vector<UnitStatistics> units;  // one per unit of the log
};

class LogSummary {
public:
    explicit LogSummary(std::int32_t units) : units_(units) {}

    // The next block of records, in record order.
    void add(const exporting::RecordBlock& block);

    std::int32_t units() const { return units_; }
    // Records summarised so far.
    std::int32_t records() const { return records_; }

    // The records inside `range` (every record summarised when it is empty)
    // and their statistics. Blocks that straddle an end of the range are read
    // again through `read`; a stop request ends the work early with what was
    // counted so far (the caller drops it).
    RangeStatistics statistics(const std::optional<exporting::TimeRange>& range, const BlockReader& read,
                               std::stop_token stop = {}) const;

    // The first record, in record order, whose time shows at or after
    // `second`; empty when no record summarised does.
    std::optional<std::int32_t> first_at_or_after(exporting::LogSecond second, const BlockReader& read) const;

private:
    struct Block {
        std::int32_t first = 0, count = 0;
        std::int32_t timed = 0;  // records whose time shows as a date
        exporting::LogSecond earliest = 0, latest = 0;  // over those records
        std::vector<UnitStatistics> units;
    };

    std::int32_t units_;
    std::int32_t records_ = 0;
    std::vector<Block> blocks_;
};

}  // namespace corvex::viewer
