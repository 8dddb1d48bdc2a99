// A span of log times, as the viewer's range and the tool's --from/--to give
// it: both ends included, each end a second as the texts show it.
//
// Times are compared by the second they show as (round_log_time: the nearest
// second, halves up), so a range typed as "08:00:00" to "08:59:59" takes in
// exactly the records whose date texts read 08:00:00 to 08:59:59, whatever
// digits their times carry beyond the second. A time that shows as no date
// (not finite, outside the years 100 to 9999) lies outside every range.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "corvex/platform/expected.h"

namespace corvex::exporting {

// Seconds since 1899-12-30 00:00, the start of log time.
using LogSecond = std::int64_t;

struct TimeRange {
    LogSecond first = std::numeric_limits<LogSecond>::min();  // no lower end
    LogSecond last = std::numeric_limits<LogSecond>::max();   // no upper end

    bool contains_second(LogSecond second) const { return second >= first && second <= last; }
    bool contains(double log_time) const;
};

// The second `log_time` shows as; empty for a time that shows as no date.
std::optional<LogSecond> log_second(double log_time);

// The log time of the start of `second`.
double second_log_time(LogSecond second);

// A time as typed: general date text in the C form ("2024-03-05 08:00:00",
// the date alone "2024-03-05", the time alone "08:00:00" for a time on
// 1899-12-30, as the general date shows it) or a log time as a number
// ("45356.3333", rounded to its second). On failure one line saying what is
// expected.
Expected<LogSecond, std::string> parse_time_bound(std::string_view text);

// "2024-03-05 08:00:00": a second in the C form that parse_time_bound reads.
std::string time_bound_text(LogSecond second);

}  // namespace corvex::exporting
