#include "export/date_text.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdio>
#include <ctime>

#include "export/c_locale.h"

namespace corvex::exporting {

struct DateForms::Locale {
    explicit Locale(locale_t l) : handle(l) {}
    ~Locale() { freelocale(handle); }
    Locale(const Locale&) = delete;
    Locale& operator=(const Locale&) = delete;
    locale_t handle;
};

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

namespace {

// strftime_l lower-cases %P byte by byte under the locale object's LC_CTYPE,
// which is "C" for an object made for LC_TIME alone.
std::string ascii_lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

void append_two_digits(std::string& out, int value, char pad) {
    out += value < 10 ? pad : static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

DateForms::DateForms() : time_format_("%H:%M:%S") { clock_read_ = read_clock(time_format_, 0); }

DateForms::DateForms(std::shared_ptr<const Locale> locale, std::string date_format, std::string time_format)
    : locale_(std::move(locale)), date_format_(std::move(date_format)), time_format_(std::move(time_format)) {
    clock_read_ = read_clock(time_format_, 0);
    if (!clock_read_) clock_.clear();
}

std::optional<DateForms> DateForms::for_locale(const std::string& name) {
    const locale_t l = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (!l) return std::nullopt;
    auto owned = std::make_shared<const Locale>(l);
    std::string date = without_zone(nl_langinfo_l(D_FMT, l));
    std::string time = without_zone(nl_langinfo_l(T_FMT, l));
    if (date.empty() || time.empty()) return std::nullopt;
    return DateForms(std::move(owned), std::move(date), std::move(time));
}

// Reads `format` into clock_; false when it uses a conversion (or a flag,
// width or modifier) that is not read here.
bool DateForms::read_clock(std::string_view format, int depth) {
    const locale_t locale = locale_ ? locale_->handle : c_locale();
    const auto literal = [this](std::string_view text) {
        if (clock_.empty() || clock_.back().conversion != 0) clock_.emplace_back();
        clock_.back().text[0] += text;
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            literal(format.substr(i, 1));
            continue;
        }
        if (++i == format.size()) return false;
        switch (const char conversion = format[i]) {
        case '%':
            literal("%");
            break;
        case 'H':
        case 'I':
        case 'k':
        case 'l':
        case 'M':
        case 'S':
            clock_.push_back(Piece{conversion, {}});
            break;
        case 'p':
        case 'P': {
            Piece piece{'p', {nl_langinfo_l(AM_STR, locale), nl_langinfo_l(PM_STR, locale)}};
            if (conversion == 'P') {
                for (std::string& text : piece.text) text = ascii_lower(std::move(text));
            }
            clock_.push_back(std::move(piece));
            break;
        }
        case 'T':
            if (!read_clock("%H:%M:%S", depth + 1)) return false;
            break;
        case 'R':
            if (!read_clock("%H:%M", depth + 1)) return false;
            break;
        case 'r': {
            // The locale's 12-hour form, or strftime's own when it has none.
            const std::string_view twelve_hour = nl_langinfo_l(T_FMT_AMPM, locale);
            if (depth > 0 || !read_clock(twelve_hour.empty() ? "%I:%M:%S %p" : twelve_hour, depth + 1)) return false;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

void DateForms::append_date(std::string& out, const LogMoment& m) const {
    if (locale_) {
        out += format_moment(date_format_, m, locale_->handle);
        return;
    }
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", m.year, m.month, m.mday);
    if (n > 0) out.append(buffer, static_cast<std::size_t>(n));
}

void DateForms::append_time(std::string& out, const LogMoment& m) const {
    if (!clock_read_) {
        out += format_moment(time_format_, m, locale_ ? locale_->handle : c_locale());
        return;
    }
    const int hour = m.second / 3600;
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    for (const Piece& piece : clock_) {
        switch (piece.conversion) {
        case 0: out += piece.text[0]; break;
        case 'H': append_two_digits(out, hour, '0'); break;
        case 'I': append_two_digits(out, hour12, '0'); break;
        case 'k': append_two_digits(out, hour, ' '); break;
        case 'l': append_two_digits(out, hour12, ' '); break;
        case 'M': append_two_digits(out, m.second / 60 % 60, '0'); break;
        case 'S': append_two_digits(out, m.second % 60, '0'); break;
        case 'p': out += piece.text[hour >= 12 ? 1 : 0]; break;
        default: break;
        }
    }
}

}  // namespace corvex::exporting
