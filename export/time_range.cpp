#include "export/time_range.h"

#include <charconv>

#include "export/date_text.h"
#include "export/log_time.h"

namespace corvex::exporting {

namespace {

const char kExpected[] = "give a date and time as yyyy-MM-dd HH:mm:ss, a date as yyyy-MM-dd, a time as HH:mm:ss, "
                         "or a log time as a number of days";

// Reads exactly `width` digits at the front of `text`.
bool digits(std::string_view& text, std::size_t width, std::int64_t& out) {
    if (text.size() < width) return false;
    out = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    text.remove_prefix(width);
    return true;
}

bool literal(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

// "yyyy-MM-dd": the day since 1899-12-30; empty when it is not a date.
std::optional<std::int64_t> read_date(std::string_view& text) {
    std::int64_t y = 0, m = 0, d = 0;
    if (!digits(text, 4, y) || !literal(text, '-') || !digits(text, 2, m) || !literal(text, '-') || !digits(text, 2, d))
        return std::nullopt;
    return log_day(y, m, d);
}

// "HH:mm:ss": seconds after midnight; empty when it is not a time of day.
std::optional<LogSecond> read_time(std::string_view& text) {
    std::int64_t h = 0, m = 0, s = 0;
    if (!digits(text, 2, h) || !literal(text, ':') || !digits(text, 2, m) || !literal(text, ':') || !digits(text, 2, s))
        return std::nullopt;
    if (h > 23 || m > 59 || s > 59) return std::nullopt;
    return h * 3600 + m * 60 + s;
}

std::optional<LogSecond> read_general_date(std::string_view text) {
    std::string_view rest = text;
    if (const auto day = read_date(rest)) {
        if (rest.empty()) return *day * kSecondsPerDay;
        if (!literal(rest, ' ') && !literal(rest, 'T')) return std::nullopt;
        const auto time = read_time(rest);
        if (!time || !rest.empty()) return std::nullopt;
        return *day * kSecondsPerDay + *time;
    }
    rest = text;
    const auto time = read_time(rest);
    if (!time || !rest.empty()) return std::nullopt;
    return *time;
}

}  // namespace

bool TimeRange::contains(double log_time) const {
    const auto second = log_second(log_time);
    return second && contains_second(*second);
}

std::optional<LogSecond> log_second(double log_time) {
    const auto instant = round_to_second(log_time);
    if (!instant) return std::nullopt;
    return instant->day * kSecondsPerDay + instant->second;
}

double second_log_time(LogSecond second) {
    // The day and the time of day apart, as log times count them: the
    // fraction is the time after midnight also before 1899-12-30.
    LogSecond day = second / kSecondsPerDay;
    LogSecond of_day = second % kSecondsPerDay;
    if (of_day < 0) {
        day -= 1;
        of_day += kSecondsPerDay;
    }
    const double fraction = static_cast<double>(of_day) / static_cast<double>(kSecondsPerDay);
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

Expected<LogSecond, std::string> parse_time_bound(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (const auto second = read_general_date(text)) return *second;
    double number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (!text.empty() && ec == std::errc() && end == text.data() + text.size()) {
        if (const auto second = log_second(number)) return *second;
        return Unexpected{"'" + std::string(text) + "' lies outside the calendar (years 100 to 9999)"};
    }
    return Unexpected{"'" + std::string(text) + "' is not a time: " + kExpected};
}

std::string time_bound_text(LogSecond second) {
    const auto moment = round_log_time(second_log_time(second));
    if (!moment) return std::to_string(second_log_time(second));
    const DateForms c_forms;
    std::string text;
    c_forms.append_date(text, *moment);
    text += ' ';
    c_forms.append_time(text, *moment);
    return text;
}

}  // namespace corvex::exporting
