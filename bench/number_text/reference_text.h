// Number and date texts written the slow way, with snprintf and strftime_l
// for every value: the reference that the exporters' text forms are checked
// and measured against.
#pragma once

#include <locale.h>

#include <string>

namespace corvex::bench {

// "%.15G" under the C locale (switched to and back for each value), the
// first point replaced by `separator`; -0 is "0", NaN "NaN", infinities "Inf"
// and "-Inf".
std::string printf_number(double value, const std::string& separator);

// General date text with strftime_l for the date and the time of each value,
// in the forms of the LC_TIME locale `locale_name` (yyyy-MM-dd HH:mm:ss for
// the C locales and for a locale the C library does not have).
class StrftimeDates {
public:
    explicit StrftimeDates(const std::string& locale_name);
    ~StrftimeDates();
    StrftimeDates(const StrftimeDates&) = delete;
    StrftimeDates& operator=(const StrftimeDates&) = delete;

    // A log time outside the calendar is written as a number with `separator`.
    std::string general_date(double log_time, const std::string& separator) const;

private:
    locale_t locale_ = static_cast<locale_t>(nullptr);
    std::string date_format_;
    std::string time_format_;
};

}  // namespace corvex::bench
