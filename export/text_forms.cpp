#include "export/text_forms.h"

#include <langinfo.h>
#include <locale.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "export/c_locale.h"
#include "export/log_time.h"
#include "export/number_text.h"

namespace corvex::exporting {

locale_t c_locale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

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

}  // namespace

TextForms TextForms::from_environment() {
    TextForms forms;

    const std::string time_name = locale_name("LC_TIME");
    if (!is_c_locale(time_name)) {
        if (std::optional<DateForms> dates = DateForms::for_locale(time_name)) forms.dates_ = std::move(*dates);
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
    std::string text;
    GeneralDateWriter(*this).append(text, log_time);
    return text;
}

void GeneralDateWriter::append(std::string& out, double log_time) {
    if (std::isnan(log_time)) {
        out += "NaN";
        return;
    }
    if (std::isinf(log_time)) {
        out += log_time > 0 ? "Inf" : "-Inf";
        return;
    }
    const std::optional<LogMoment> m = round_log_time(log_time);
    if (!m) {
        forms_.append_number(out, log_time);
        return;
    }
    const bool with_date = m->day != 0;
    const bool with_time = m->second != 0 || !with_date;
    if (with_date) {
        if (!has_day_ || day_ != m->day) {
            day_text_.clear();
            forms_.date_forms().append_date(day_text_, *m);
            day_ = m->day;
            has_day_ = true;
        }
        out += day_text_;
    }
    if (with_date && with_time) out += ' ';
    if (with_time) forms_.date_forms().append_time(out, *m);
}

std::string TextForms::number(double value) const {
    std::string text;
    append_number(text, value);
    return text;
}

void TextForms::append_number(std::string& out, double value) const {
    char buffer[kNumberTextCapacity];
    const std::string_view text(buffer, static_cast<std::size_t>(write_number(buffer, value) - buffer));
    const std::size_t point = decimal_separator_ == "." ? std::string_view::npos : text.find('.');
    if (point == std::string_view::npos) {
        out += text;
        return;
    }
    out += text.substr(0, point);
    out += decimal_separator_;
    out += text.substr(point + 1);
}

std::string general_date_text(double log_time) { return TextForms::from_environment().general_date(log_time); }

}  // namespace corvex::exporting
