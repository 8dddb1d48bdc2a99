// Dates and times of day in the forms of a locale's LC_TIME.
//
// A date is formatted with strftime_l; a writer of many dates keeps the text
// of the last day. The time of day changes with every record, so the locale's
// time format is read once into its literal text and conversions and each
// time is then built by arithmetic, with the same bytes strftime_l writes. A
// time format with conversions not read here is left to strftime_l.
#pragma once

#include <locale.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/log_time.h"

namespace corvex::exporting {

// A strftime format without any time zone: log times are wall-clock values.
std::string without_zone(std::string_view format);

// The moment `m` in `format`, as strftime_l writes it under `locale`.
std::string format_moment(const std::string& format, const LogMoment& m, locale_t locale);

class DateForms {
public:
    // The C forms: "yyyy-MM-dd" (four-digit years also below 1000) and "HH:mm:ss".
    DateForms();

    // The short date (D_FMT) and long time (T_FMT) of the locale `name`, with
    // any time zone left out (log times are wall-clock values); empty when the
    // C library does not have the locale or it lacks either format.
    static std::optional<DateForms> for_locale(const std::string& name);

    void append_date(std::string& out, const LogMoment& m) const;
    void append_time(std::string& out, const LogMoment& m) const;

private:
    struct Locale;
    // A run of literal text (conversion 0, in text[0]) or one conversion; for
    // 'p' text holds the morning and afternoon strings.
    struct Piece {
        char conversion = 0;
        std::string text[2];
    };

    DateForms(std::shared_ptr<const Locale> locale, std::string date_format, std::string time_format);
    bool read_clock(std::string_view format, int depth);

    std::shared_ptr<const Locale> locale_;  // null: the C forms
    std::string date_format_;
    std::string time_format_;
    std::vector<Piece> clock_;
    bool clock_read_ = false;  // false: every time goes through strftime_l
};

}  // namespace corvex::exporting
