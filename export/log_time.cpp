#include "export/log_time.h"

#include <algorithm>
#include <cmath>

namespace corvex::exporting {

namespace {

// The calendar's range, years 100 to 9999, as log times: 0100-01-01 and
// 10000-01-01. Times outside it are shown as numbers.
constexpr double kFirstLogDay = -657434.0;
constexpr double kEndLogDay = 2958466.0;
constexpr std::int32_t kFirstYear = 100;
constexpr std::int32_t kLastYear = 9999;
// The spreadsheet's dates begin on 1900-01-01 (serial 1); from 1900-03-01 on
// its serials equal log times, before it counts a 1900-02-29 that never was.
constexpr std::int64_t kFirstSpreadsheetDay = 2;
constexpr std::int64_t kSpreadsheetLeapDayEnd = 61;
// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kLogEpochInUnixDays = -25569;

// Civil date of a day count since 1970-01-01 (proleptic Gregorian calendar).
void civil_from_days(std::int64_t z, LogMoment& m) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;                                 // [0, 146096]
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);          // [0, 365], from 1 March
    const std::int64_t mp = (5 * doy + 2) / 153;                               // [0, 11]
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t mon = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (mon <= 2 ? 1 : 0);
    m.year = static_cast<std::int32_t>(y);
    m.month = static_cast<std::int32_t>(mon);
    m.mday = static_cast<std::int32_t>(d);
}

bool is_leap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t days_from_civil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;                                    // [0, 399]
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
    return era * 146097 + doe - 719468;
}

std::int32_t day_of_year(const LogMoment& m) {
    static constexpr int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    return kBefore[m.month - 1] + m.mday - 1 + (m.month > 2 && is_leap(m.year) ? 1 : 0);
}

// floor(fraction * 86400 + 1/2), exactly. The product needs up to 70 bits, so
// a double product can land on the wrong side of a half second; the candidate
// from the rounded product is corrected with fused multiply-adds, whose single
// rounding keeps the sign of the exact difference.
std::int64_t round_seconds(double fraction) {
    const double product = fraction * static_cast<double>(kSecondsPerDay);
    double candidate = std::floor(product + 0.5);
    if (std::fma(fraction, static_cast<double>(kSecondsPerDay), -(candidate - 0.5)) < 0) {
        candidate -= 1;
    } else if (std::fma(fraction, static_cast<double>(kSecondsPerDay), -(candidate + 0.5)) >= 0) {
        candidate += 1;
    }
    return static_cast<std::int64_t>(candidate);
}

}  // namespace

std::optional<LogInstant> round_to_second(double log_time) {
    // Rounding moves a time by at most one day boundary: anything further out
    // cannot land inside the calendar (and keeps the day count small).
    if (!std::isfinite(log_time) || log_time <= kFirstLogDay - 2 || log_time >= kEndLogDay) return std::nullopt;
    // The whole-day part counts towards zero; the fraction is the time after
    // midnight of that day, also for negative values. Both are exact.
    const double whole = std::trunc(log_time);
    const double fraction = std::fabs(log_time - whole);
    std::int64_t day = static_cast<std::int64_t>(whole);
    std::int64_t seconds = round_seconds(fraction);
    if (seconds >= kSecondsPerDay) {
        day += 1;
        seconds -= kSecondsPerDay;
    }
    // Decided after rounding: 9999-12-31 23:59:59.7 is 10000-01-01 00:00:00,
    // which the calendar cannot show, and 0099-12-31 23:59:59.7 is in year 100.
    if (day < static_cast<std::int64_t>(kFirstLogDay) || day >= static_cast<std::int64_t>(kEndLogDay))
        return std::nullopt;
    return LogInstant{day, static_cast<std::int32_t>(seconds)};
}

std::optional<LogMoment> round_log_time(double log_time) {
    const auto instant = round_to_second(log_time);
    if (!instant) return std::nullopt;
    LogMoment m;
    m.day = instant->day;
    m.second = instant->second;
    const std::int64_t unix_day = m.day + kLogEpochInUnixDays;
    civil_from_days(unix_day, m);
    m.weekday = static_cast<std::int32_t>(((unix_day % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
    m.yearday = day_of_year(m);
    return m;
}

std::optional<std::int64_t> log_day(std::int64_t year, std::int64_t month, std::int64_t mday) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || mday < 1) return std::nullopt;
    const int days = month == 2 && is_leap(year) ? 29 : kDays[month - 1];
    if (mday > days) return std::nullopt;
    return days_from_civil(year, month, mday) - kLogEpochInUnixDays;
}

std::optional<double> spreadsheet_serial(double log_time) {
    // The cell shows the moment to the second, so the rounded moment decides.
    const std::optional<LogInstant> m = round_to_second(log_time);
    if (!m || m->day < kFirstSpreadsheetDay) return std::nullopt;
    const double serial = m->day >= kSpreadsheetLeapDayEnd ? log_time : log_time - 1.0;
    // A time a fraction of a second before 1900-01-01 that rounds up to it.
    return std::max(serial, 1.0);
}

}  // namespace corvex::exporting
