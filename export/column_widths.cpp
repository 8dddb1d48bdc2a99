#include "export/column_widths.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "export/c_locale.h"
#include "export/log_time.h"

namespace corvex::exporting {

namespace {

constexpr double kBoldFactor = 1.1;     // bold glyphs run wider
constexpr double kPadding = 1.0;        // the cell's margins
constexpr double kMaxWidth = 255.0;     // the spreadsheet's limit
constexpr int kGeneralCharacters = 11;  // the General format shows at most 11 characters

int digits(int value) { return value >= 10 ? 2 : 1; }

}  // namespace

void ColumnWidths::widen(int column, double characters) {
    if (column < 0 || column >= kColumns) return;
    characters_[static_cast<std::size_t>(column)] = std::max(characters_[static_cast<std::size_t>(column)], characters);
}

void ColumnWidths::text(int column, std::string_view utf8, bool bold) {
    // Characters, not bytes: continuation bytes do not count.
    const auto count = std::count_if(utf8.begin(), utf8.end(),
                                     [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    widen(column, static_cast<double>(count) * (bold ? kBoldFactor : 1.0));
}

void ColumnWidths::number(int column, double value) {
    // No number in the General format takes more than its 11 characters and a
    // sign: a column that wide needs no printing of further numbers.
    if (column < 0 || column >= kColumns ||
        characters_[static_cast<std::size_t>(column)] >= kGeneralCharacters + 1)
        return;
    // A whole number below 10^10 shows as its digits: counted, not printed
    // (every error word of every record comes here).
    if (value == std::trunc(value) && std::fabs(value) < 1e10) {
        int n = std::signbit(value) ? 2 : 1;
        for (auto rest = static_cast<std::uint64_t>(std::fabs(value)); rest >= 10; rest /= 10) ++n;
        return widen(column, n);
    }
    char buffer[32];
    int n;
    {
        CLocaleScope c;
        n = std::snprintf(buffer, sizeof buffer, "%.10G", value);
    }
    widen(column, std::min(n, kGeneralCharacters + (value < 0 ? 1 : 0)));
}

void ColumnWidths::date(int column, double log_time) {
    const auto m = round_log_time(log_time);
    if (!m) return;
    // m/d/yyyy h:mm:ss
    const int hours = m->second / 3600;
    widen(column, digits(m->month) + 1 + digits(m->mday) + 1 + 4 + 1 + digits(hours) + 6);
}

double ColumnWidths::width(int column) const {
    if (column < 0 || column >= kColumns) return 0;
    const double characters = characters_[static_cast<std::size_t>(column)];
    if (characters <= 0) return 0;
    return std::min(std::ceil(characters + kPadding), kMaxWidth);
}

}  // namespace corvex::exporting
