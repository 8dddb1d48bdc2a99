// Log times as the moments the general date text shows: rounded to the
// second (exactly, halves up, see export/log_time.h), wall-clock, no zone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace corvex::python {

// NumPy's "not a time".
inline constexpr std::int64_t kNotATime = std::numeric_limits<std::int64_t>::min();

// Microseconds from 1970-01-01 00:00 to the moment each of the `n` times
// shows, into `out`; kNotATime where the general date text shows a number
// instead (not finite, or outside the years 100 to 9999).
void log_times_to_microseconds(const double* times, std::size_t n, std::int64_t* out);

}  // namespace corvex::python
