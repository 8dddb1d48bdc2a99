#include "python/src/log_datetime.h"

#include <optional>

#include "export/log_time.h"

namespace corvex::python {

namespace {

// 1970-01-01 counted from 1899-12-30.
constexpr std::int64_t kUnixEpochLogDay = 25569;
constexpr std::int64_t kMicrosecondsPerSecond = 1'000'000;
constexpr std::int64_t kSecondsPerDay = 86'400;

std::optional<std::int64_t> log_time_microseconds(double log_time) {
    const auto moment = exporting::round_log_time(log_time);
    if (!moment) return std::nullopt;
    return ((moment->day - kUnixEpochLogDay) * kSecondsPerDay + moment->second) * kMicrosecondsPerSecond;
}

}  // namespace

void log_times_to_microseconds(const double* times, std::size_t n, std::int64_t* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = log_time_microseconds(times[i]).value_or(kNotATime);
}

}  // namespace corvex::python
