#include "bench/number_text/reference_text.h"

#include <langinfo.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string_view>

#include "export/c_locale.h"
#include "export/date_text.h"
#include "export/log_time.h"

namespace corvex::bench {

namespace {

using exporting::LogMoment;

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
    date_format_ = exporting::without_zone(nl_langinfo_l(D_FMT, locale_));
    time_format_ = exporting::without_zone(nl_langinfo_l(T_FMT, locale_));
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
        text = locale_ ? exporting::format_moment(date_format_, *m, locale_) : iso_date(*m);
    }
    if (with_date && with_time) text += ' ';
    if (with_time) {
        text += locale_ ? exporting::format_moment(time_format_, *m, locale_) : iso_time(*m);
    }
    return text;
}

}  // namespace corvex::bench
