// The unit-type catalogue: one constant row per unit type an instrument logs.
//
// Every channel of a log names a unit type by a 16-bit identifier. The catalogue
// answers, for an identifier, the measured quantity (mode name), the engineering
// unit (short name), a long name, a mnemonic, and the display width and decimals.
// The table is constant data built at compile time; lookups never allocate.
// Texts are Windows-1252 bytes (the catalogue uses 0xB0 '°', 0xB3 '³', 0xB5 'µ').
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace corvex::units {

// One unit type. Identifier 0 is the empty row: all texts empty, width and decimals 0.
struct UnitTypeRow {
    std::uint16_t id;
    std::string_view mode_name, short_name, name, mnemonic;  // Windows-1252
    std::uint8_t width, decimals;
};

// A Windows-1252 text held in place, so formatting needs no allocation. Room for
// any catalogue text (at most 41 bytes) and any fallback (at most 25 bytes).
struct UnitText {
    std::array<char, 128> bytes{};
    std::size_t size = 0;
    std::string_view view() const { return {bytes.data(), size}; }
};

// The row with this identifier, or nullptr. Only 0..65535 can match: the
// identifiers are 16-bit, so 65536 + 137 is not 137.
const UnitTypeRow* FindUnitType(std::int32_t id);

// Each writes the row's text and answers true, or writes the fallback and answers
// false. The fallbacks print the identifier as an unsigned 32-bit number
// (-1 prints as 4294967295).
bool FormatUnitName(std::int32_t id, UnitText& out);       // fallback "Unknown Unit (%u)"
bool FormatUnitShortName(std::int32_t id, UnitText& out);  // fallback "#%u"
bool FormatUnitModeName(std::int32_t id, UnitText& out);   // fallback "#%u"

// The number of rows, the empty row included (380); not a bound on identifiers.
int UnitTypeCount();

// Every row in ascending order of identifier.
std::span<const UnitTypeRow> unit_types();

}  // namespace corvex::units
