// Log times as calendar moments.
//
// A log time counts days since 1899-12-30 00:00 in a double, the fraction being
// the time of day, as the automation date does. Log times are wall-clock
// values: no time zone is ever applied.
#pragma once

#include <cstdint>
#include <optional>

namespace corvex::exporting {

inline constexpr std::int64_t kSecondsPerDay = 86400;

// A log time rounded to the nearest second.
struct LogMoment {
    std::int64_t day = 0;      // days since 1899-12-30 (the calendar day, after rounding)
    std::int32_t second = 0;   // seconds after midnight, 0..86399
    std::int32_t year = 0, month = 0, mday = 0;   // the calendar date of `day`
    std::int32_t weekday = 0;                      // 0 = Sunday
    std::int32_t yearday = 0;                      // 0 = 1 January
};

// A log time rounded to the nearest second, without its calendar date.
struct LogInstant {
    std::int64_t day = 0;      // days since 1899-12-30
    std::int32_t second = 0;   // seconds after midnight, 0..86399
};

// The day and second of round_log_time(log_time), and empty exactly when it
// is, without working out the calendar date: for comparing times.
std::optional<LogInstant> round_to_second(double log_time);

// Splits `log_time` into day and time of day as the automation date does (for
// a negative value the fraction is still the time after midnight: -1.25 is
// 1899-12-29 06:00) and rounds to the nearest second, halves up, carrying into
// the date. The rounding is exact: no value below a half second rounds up
// through the error of a multiplication by 86,400. Empty for a value that is
// not finite or whose rounded moment lies outside the years 100 to 9999.
std::optional<LogMoment> round_log_time(double log_time);

// The day since 1899-12-30 of the calendar date year-month-mday; empty when
// there is no such date in the years 100 to 9999.
std::optional<std::int64_t> log_day(std::int64_t year, std::int64_t month, std::int64_t mday);

// The spreadsheet's serial date for the same calendar moment, or empty when a
// spreadsheet cannot hold it: when the moment rounded to the second is not
// one (see round_log_time) or lies before 1900-01-01. Equal to the log time
// from 1900-03-01 on; before, the spreadsheet counts its fictitious
// 1900-02-29, so the serial is one less; never below 1 (1900-01-01).
std::optional<double> spreadsheet_serial(double log_time);

}  // namespace corvex::exporting
