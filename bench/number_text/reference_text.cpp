#include "bench/number_text/reference_text.h"

#include <langinfo.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string_view>

#include "export/c_locale.h"
#include "export/log_time.h"

namespace corvex::bench {

namespace {

using exporting::LogMoment;

std::string without_zone(std::string_view format) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 'Z' || format[i + 1] == 'z') {
                while (!out.empty() && out.back() == ' ') out.pop_back();
            } else {
                out += format.substr(i, 2);
            }
            ++i;
            continue;
        }
        out += format[i];
    }
    return out;
}

std::string strftime_moment(const std::string& format, const LogMoment& m, locale_t locale) {
    std::tm tm{};
    tm.tm_year = m.year - 1900;
    tm.tm_mon = m.month - 1;
    tm.tm_mday = m.mday;
    tm.tm_wday = m.weekday;
    tm.tm_yday = m.yearday;
    tm.tm_hour = m.second / 3600;
    tm.tm_min = m.second / 60 % 60;
    tm.tm_sec = m.second % 60;
    char buffer[256];
    return std::string(buffer, strftime_l(buffer, sizeof buffer, format.c_str(), &tm, locale));
}

std::string iso_date(const LogMoment& m) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", m.year, m.month, m.mday);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string iso_time(const LogMoment& m) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", m.second / 3600, m.second / 60 % 60,
                                m.second % 60);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

std::string printf_number(double value, const std::string& separator) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Inf" : "-Inf";
    if (value == 0) return "0";
    char buffer[64];
    int n;
    {
        exporting::CLocaleScope c;
        n = std::snprintf(buffer, sizeof buffer, "%.15G", value);
    }
    std::string text(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (const std::size_t point = text.find('.'); separator != "." && point != std::string::npos) {
        text.replace(point, 1, separator);
    }
    return text;
}

StrftimeDates::StrftimeDates(const std::string& locale_name) {
    if (locale_name == "C" || locale_name == "POSIX" || locale_name == "C.UTF-8" || locale_name == "C.utf8") return;
    locale_ = newlocale(LC_TIME_MASK, locale_name.c_str(), static_cast<locale_t>(nullptr));
    if (!locale_) return;
    date_format_ = without_zone(nl_langinfo_l(D_FMT, locale_));
    time_format_ = without_zone(nl_langinfo_l(T_FMT, locale_));
    if (date_format_.empty() || time_format_.empty()) {
        freelocale(locale_);
        locale_ = static_cast<locale_t>(nullptr);
    }
}

StrftimeDates::~StrftimeDates() {
    if (locale_) freelocale(locale_);
}

std::string StrftimeDates::general_date(double log_time, const std::string& separator) const {
    if (std::isnan(log_time)) return "NaN";
    if (std::isinf(log_time)) return log_time > 0 ? "Inf" : "-Inf";
    const std::optional<LogMoment> m = exporting::round_log_time(log_time);
    if (!m) return printf_number(log_time, separator);
    const bool with_date = m->day != 0;
    const bool with_time = m->second != 0 || !with_date;
    std::string text;
    if (with_date) {
        text = locale_ ? strftime_moment(date_format_, *m, locale_) : iso_date(*m);
    }
    if (with_date && with_time) text += ' ';
    if (with_time) {
        text += locale_ ? strftime_moment(time_format_, *m, locale_) : iso_time(*m);
    }
    return text;
}

}  // namespace corvex::bench
