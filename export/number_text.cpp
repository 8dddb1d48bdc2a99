#include "export/number_text.h"

#include <bit>
#include <cfloat>
#include <cstdint>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace corvex::exporting {

namespace {

constexpr int kSignificantDigits = 15;

char* copy(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// Lays out `count` significant digits (the last one not zero) with decimal
// exponent `exponent` as %G does with a precision of 15.
char* lay_out(char* out, const char* digits, int count, int exponent) {
    if (exponent < -4 || exponent >= kSignificantDigits) {
        *out++ = digits[0];
        if (count > 1) {
            *out++ = '.';
            out = copy(out, std::string_view(digits + 1, static_cast<std::size_t>(count - 1)));
        }
        *out++ = 'E';
        *out++ = exponent < 0 ? '-' : '+';
        const int magnitude = std::abs(exponent);
        if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100);
        *out++ = static_cast<char>('0' + magnitude / 10 % 10);
        *out++ = static_cast<char>('0' + magnitude % 10);
        return out;
    }
    if (exponent < 0) {
        *out++ = '0';
        *out++ = '.';
        for (int i = -1; i > exponent; --i) *out++ = '0';
        return copy(out, std::string_view(digits, static_cast<std::size_t>(count)));
    }
    for (int i = 0; i <= exponent; ++i) *out++ = i < count ? digits[i] : '0';
    if (count > exponent + 1) {
        *out++ = '.';
        out = copy(out, std::string_view(digits + exponent + 1, static_cast<std::size_t>(count - exponent - 1)));
    }
    return out;
}

// A double widened from a float (its low 29 mantissa bits zero) that is not
// a whole number nearly always needs more than 15 shortest digits (0.333f is
// 0.333000004291534...), so trying them first would only cost time. Either
// way gives the same text: the choice is one of speed alone.
bool widened_fraction(double value) {
    constexpr std::uint64_t kBelowFloat = (std::uint64_t{1} << 29) - 1;
    return (std::bit_cast<std::uint64_t>(value) & kBelowFloat) == 0 && value < 0x1p52 && value != std::trunc(value);
}

}  // namespace

char* write_number(char* out, double value) {
    if (std::isnan(value)) return copy(out, "NaN");
    if (std::isinf(value)) return copy(out, value > 0 ? "Inf" : "-Inf");
    if (value == 0) return copy(out, "0");  // also -0
    if (std::signbit(value)) {
        *out++ = '-';
        value = -value;
    }

    // The shortest digits that read back as the value. When there are at most
    // 15 of them they are also what rounding the exact value to 15 digits
    // gives, because every decimal of up to 15 digits survives the way through
    // a normal double and back; a subnormal double holds fewer bits than that.
    if (value >= DBL_MIN && !widened_fraction(value)) {
        char shortest[kNumberTextCapacity];
        const char* const end =
            std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific).ptr;
        // d[.ddd]e(+|-)XX[X]
        char digits[20];
        int count = 0;
        const char* p = shortest;
        digits[count++] = *p++;
        if (*p == '.') {
            for (++p; *p != 'e'; ++p) digits[count++] = *p;
        }
        ++p;  // 'e'
        const bool negative_exponent = *p++ == '-';
        int exponent = 0;
        for (; p != end; ++p) exponent = exponent * 10 + (*p - '0');
        if (count <= kSignificantDigits) return lay_out(out, digits, count, negative_exponent ? -exponent : exponent);
    }

    // More digits than 15: round the exact binary value. Rounding the shortest
    // digits instead would round twice: shortest digits ending in 5 at the
    // 16th place may stand for an exact value just below that half.
    char* const end = std::to_chars(out, out + kNumberTextCapacity - 1, value, std::chars_format::general,
                                    kSignificantDigits).ptr;
    for (char* p = out; p != end; ++p) {
        if (*p == 'e') *p = 'E';
    }
    return end;
}

}  // namespace corvex::exporting
