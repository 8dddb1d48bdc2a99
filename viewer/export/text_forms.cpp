#include "viewer/export/text_forms.h"

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "viewer/export/c_locale.h"
#include "viewer/export/log_time.h"

namespace corvex::exporting {

locale_t c_locale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

struct TextForms::TimeLocale {
    explicit TimeLocale(locale_t l) : handle(l) {}
    ~TimeLocale() { freelocale(handle); }
    TimeLocale(const TimeLocale&) = delete;
    TimeLocale& operator=(const TimeLocale&) = delete;
    locale_t handle;
};

namespace {

// The locale name that governs `category` (LC_ALL wins, LANG is the fallback).
std::string locale_name(const char* category_variable) {
    for (const char* variable : {"LC_ALL", category_variable, "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return "C";
}

bool is_c_locale(std::string_view name) {
    return name == "C" || name == "POSIX" || name == "C.UTF-8" || name == "C.utf8";
}

// A time form without any time zone: log times are wall-clock values.
std::string without_zone(std::string_view format) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char next = format[i + 1];
            if (next == 'Z' || next == 'z') {
                while (!out.empty() && out.back() == ' ') out.pop_back();
                ++i;
                continue;
            }
            out += format.substr(i, 2);
            ++i;
            continue;
        }
        out += format[i];
    }
    return out;
}

// The C forms, written out so that years below 1000 keep four digits.
std::string iso_date(const LogMoment& m) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", m.year, m.month, m.mday);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string iso_time(const LogMoment& m) {
    char buffer[16];
    const int n = std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", m.second / 3600, m.second / 60 % 60,
                                m.second % 60);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string format_moment(const std::string& format, const LogMoment& m, locale_t locale) {
    std::tm tm{};
    tm.tm_year = m.year - 1900;
    tm.tm_mon = m.month - 1;
    tm.tm_mday = m.mday;
    tm.tm_wday = m.weekday;
    tm.tm_yday = m.yearday;
    tm.tm_hour = m.second / 3600;
    tm.tm_min = m.second / 60 % 60;
    tm.tm_sec = m.second % 60;
    tm.tm_isdst = 0;
    char buffer[256];
    const std::size_t n = strftime_l(buffer, sizeof buffer, format.c_str(), &tm, locale);
    return std::string(buffer, n);
}

}  // namespace

TextForms TextForms::from_environment() {
    TextForms forms;

    const std::string time_name = locale_name("LC_TIME");
    if (!is_c_locale(time_name)) {
        if (locale_t l = newlocale(LC_TIME_MASK, time_name.c_str(), static_cast<locale_t>(nullptr))) {
            auto owned = std::make_shared<TimeLocale>(l);
            const std::string date = without_zone(nl_langinfo_l(D_FMT, l));
            const std::string time = without_zone(nl_langinfo_l(T_FMT, l));
            if (!date.empty() && !time.empty()) {
                forms.time_locale_ = std::move(owned);
                forms.date_format_ = date;
                forms.time_format_ = time;
            }
        }
    }

    const std::string numeric_name = locale_name("LC_NUMERIC");
    if (!is_c_locale(numeric_name)) {
        if (locale_t l = newlocale(LC_NUMERIC_MASK, numeric_name.c_str(), static_cast<locale_t>(nullptr))) {
            const char* radix = nl_langinfo_l(RADIXCHAR, l);
            if (radix && *radix) forms.decimal_separator_ = radix;
            freelocale(l);
        }
    }
    return forms;
}

std::string TextForms::general_date(double log_time) const {
    if (std::isnan(log_time)) return "NaN";
    if (std::isinf(log_time)) return log_time > 0 ? "Inf" : "-Inf";
    const std::optional<LogMoment> m = round_log_time(log_time);
    if (!m) return number(log_time);
    const bool with_date = m->day != 0;
    const bool with_time = m->second != 0 || !with_date;
    std::string text;
    if (with_date) text = time_locale_ ? format_moment(date_format_, *m, time_locale_->handle) : iso_date(*m);
    if (with_date && with_time) text += ' ';
    if (with_time) text += time_locale_ ? format_moment(time_format_, *m, time_locale_->handle) : iso_time(*m);
    return text;
}

std::string TextForms::number(double value) const {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Inf" : "-Inf";
    if (value == 0) return "0";  // also -0
    char buffer[64];
    int n;
    {
        CLocaleScope c;
        n = std::snprintf(buffer, sizeof buffer, "%.15G", value);
    }
    std::string text(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (decimal_separator_ != ".") {
        if (const std::size_t dot = text.find('.'); dot != std::string::npos) {
            text.replace(dot, 1, decimal_separator_);
        }
    }
    return text;
}

std::string general_date_text(double log_time) { return TextForms::from_environment().general_date(log_time); }

std::string number_text(double value) { return TextForms::from_environment().number(value); }

}  // namespace corvex::exporting
