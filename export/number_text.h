// Numbers as the exported files show them, written without printf.
#pragma once

#include <cstddef>
#include <string_view>

namespace corvex::exporting {

// Room that write_number may fill (the longest text is "-1.23456789012346E-308").
inline constexpr std::size_t kNumberTextCapacity = 32;

// Writes `value` to `out` with the bytes of std::snprintf("%.15G") in the C
// locale: at most 15 significant digits, trailing zeros and a trailing point
// removed, fixed notation from 1E-4 to below 1E+15, otherwise "d.dddE+XX" with
// at least two exponent digits. -0 is written "0", NaN "NaN" and the
// infinities "Inf" and "-Inf". `out` must have room for kNumberTextCapacity
// characters; returns the end of the text written (no terminating zero).
char* write_number(char* out, double value);

// Every byte write_number may write.
inline constexpr std::string_view kNumberTextBytes = "0123456789+-.EINafn";

}  // namespace corvex::exporting
