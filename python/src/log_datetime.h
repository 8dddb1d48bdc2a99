// Log times as the moments the general date text shows: rounded to the
// second (exactly, halves up, see export/log_time.h), wall-clock, no zone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

namespace corvex::python {

// NumPy's "not a time".
inline constexpr std::int64_t kNotATime = std::numeric_limits<std::int64_t>::min();

// Microseconds from 1970-01-01 00:00 to the moment `log_time` shows; empty
// where the general date text shows a number instead (not finite, or outside
// the years 100 to 9999).
std::optional<std::int64_t> log_time_microseconds(double log_time);

// The same for `n` times into `out`, kNotATime where there is no moment.
void log_times_to_microseconds(const double* times, std::size_t n, std::int64_t* out);

}  // namespace corvex::python
