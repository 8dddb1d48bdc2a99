// The text forms of dates and numbers in exported files.
//
// They follow the user's locale as the C library knows it from the
// environment (LC_ALL, then LC_TIME / LC_NUMERIC, then LANG), whatever the
// process has set with setlocale, so that the viewer and the corvex tool write
// the same text. Under the C, C.UTF-8 and POSIX locales the short date is
// "yyyy-MM-dd" and the long time "HH:mm:ss".
#pragma once

#include <cstdint>
#include <string>

#include "export/date_text.h"

namespace corvex::exporting {

// A snapshot of the locale's date, time and number conventions.
class TextForms {
public:
    // Reads the environment now.
    static TextForms from_environment();

    // "<short date> <long time>"; the date is left out when the rounded time
    // lies on 1899-12-30, the time when it is midnight; the value 0 gives
    // "00:00:00". "NaN", "Inf", "-Inf" for values that are not finite, and the
    // number itself for one outside the years 100 to 9999. Writers of many
    // dates use GeneralDateWriter.
    std::string general_date(double log_time) const;

    // 15 significant digits as "%.15G" gives them, with the locale's decimal
    // separator; -0 is "0", NaN "NaN", infinities "Inf" and "-Inf".
    std::string number(double value) const;
    // The same, appended to `out`.
    void append_number(std::string& out, double value) const;

    const std::string& decimal_separator() const { return decimal_separator_; }
    const DateForms& date_forms() const { return dates_; }

private:
    TextForms() = default;

    DateForms dates_;
    std::string decimal_separator_ = ".";
};

// Appends general date texts (TextForms::general_date) one after another,
// keeping the text of the last day, so that the records of one day format
// their date once. Holds on to `forms`.
class GeneralDateWriter {
public:
    explicit GeneralDateWriter(const TextForms& forms) : forms_(forms) {}

    void append(std::string& out, double log_time);

private:
    const TextForms& forms_;
    std::int64_t day_ = 0;
    bool has_day_ = false;
    std::string day_text_;
};

// The general date with the locale read from the environment now.
std::string general_date_text(double log_time);

}  // namespace corvex::exporting
