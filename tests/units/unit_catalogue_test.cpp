// The catalogue's shape, rows of its groups, and the lookups at the edges of
// the identifier range.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "corvex/platform/text.h"
#include "logmodule/units/unit_catalogue.h"
#include "allocation_counter.h"

namespace {

using namespace corvex::units;

// Rows keep the catalogue's rules: identifiers ascend, and a plain row (its
// name is its mode name, no mnemonic) shows 12 characters with 4 decimals, a
// described one 3 to 10 with at most 4.
TEST(UnitCatalogue, RowsAscendAndKeepTheirShapes) {
    const auto rows = unit_types();
    ASSERT_EQ(rows.size(), 380u);
    EXPECT_EQ(UnitTypeCount(), 380);
    int plain = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const UnitTypeRow& row = rows[i];
        SCOPED_TRACE("row " + std::to_string(row.id));
        if (i > 0) {
            EXPECT_LT(rows[i - 1].id, row.id);
        }
        if (row.mnemonic.empty() && row.name == row.mode_name && row.width >= 12) {
            ++plain;
            EXPECT_EQ(row.width, 12);
            EXPECT_EQ(row.decimals, 4);
        } else if (row.id != 0) {
            EXPECT_GE(row.width, 3);
            EXPECT_LE(row.width, 10);
            EXPECT_LE(row.decimals, 4);
        }
    }
    EXPECT_EQ(plain, 127);  // and the empty row 0
}

TEST(UnitCatalogue, ModeNamesGroupRowsByQuantity) {
    std::map<std::string_view, int> sizes;
    std::set<int> unnamed;
    for (const UnitTypeRow& row : unit_types()) {
        ++sizes[row.mode_name];
        if (row.mode_name.empty()) unnamed.insert(row.id);
    }
    const std::map<std::string_view, int> want = {
        {"Volume", 46},      {"Pressure", 21},    {"Power", 11},       {"(+)Total", 9},    {"(-)Total", 9},
        {"(+)STD Tot", 9},   {"(-)STD Tot", 9},   {"Dew Point", 6},    {"Test", 6},        {"Fwd Energy", 5},
        {"Rev Energy", 5},   {"H20", 5},          {"Temp A", 4},       {"Temp B", 4},      {"Delta", 4},
        {"Temp", 4},         {"Oxygen", 4},       {"Volts", 4},        {"AuxIn A", 3},     {"AuxIn B", 3},
        {"Temperature", 3},  {"Velocity", 2},     {"Thickness", 2},    {"Sndspd", 2},      {"", 16}};
    for (const auto& [mode, size] : want) EXPECT_EQ(sizes[mode], size) << "mode name \"" << mode << '"';
    EXPECT_EQ(unnamed, (std::set<int>{0, 132, 300, 301, 302, 303, 304, 305, 385, 386, 387, 388, 389, 390, 391, 392}));
}

TEST(UnitCatalogue, KeepsTheInstrumentsIrregularTexts) {
    for (int kelvin : {139, 143, 147, 7008, 7067}) EXPECT_EQ(FindUnitType(kelvin)->short_name, "\xB0K") << kelvin;
    for (int id : {7010, 7011, 7012}) EXPECT_EQ(FindUnitType(id)->mode_name, "H2O") << id;
    for (auto [a, b] : {std::pair{1023, 1024}, std::pair{1087, 1088}}) {
        const UnitTypeRow& x = *FindUnitType(a);
        const UnitTypeRow& y = *FindUnitType(b);
        EXPECT_NE(&x, &y);
        EXPECT_EQ(std::tie(x.mode_name, x.short_name, x.name, x.mnemonic, x.width, x.decimals),
                  std::tie(y.mode_name, y.short_name, y.name, y.mnemonic, y.width, y.decimals));
    }
}

TEST(UnitCatalogue, LookupsFallBackOutsideTheTable) {
    struct Case {
        std::int32_t id;
        bool known;
        std::string_view name, short_name, mode_name;
    };
    const Case cases[] = {
        {0, true, "", "", ""},
        {137, true, "Temp A \xB0" "C", "\xB0" "C", "Temp A"},
        {2052, true, "P# Up", "", "P# Up"},
        {2166, true, "FFT Up", "", "FFT Up"},
        {8005, true, "Ramp Down", "Ramp Down", "Test"},
        {1, true, "Oxygen", "%", "Oxygen"},
        {74, true, "H20 (Nat Gas)", "PPMv/NG", "H20 (Nat Gas)"},
        {577, true, "m/s", "m/s", "Velocity"},
        {9999, false, "Unknown Unit (9999)", "#9999", "#9999"},
        {-1, false, "Unknown Unit (4294967295)", "#4294967295", "#4294967295"},
        {INT32_MIN, false, "Unknown Unit (2147483648)", "#2147483648", "#2147483648"},
        {65536 + 137, false, "Unknown Unit (65673)", "#65673", "#65673"},
        {65535, false, "Unknown Unit (65535)", "#65535", "#65535"},
        {8006, false, "Unknown Unit (8006)", "#8006", "#8006"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        UnitText text;
        EXPECT_EQ(FindUnitType(c.id) != nullptr, c.known);
        EXPECT_EQ(FormatUnitName(c.id, text), c.known);
        EXPECT_EQ(text.view(), c.name);
        EXPECT_EQ(FormatUnitShortName(c.id, text), c.known);
        EXPECT_EQ(text.view(), c.short_name);
        EXPECT_EQ(FormatUnitModeName(c.id, text), c.known);
        EXPECT_EQ(text.view(), c.mode_name);
    }
}

TEST(UnitCatalogue, LookupsAllocateNothing) {
    const long before = allocations_so_far();
    std::size_t found = 0;
    UnitText text;
    for (std::int32_t id = -2; id <= 9000; ++id) {
        found += FindUnitType(id) != nullptr;
        FormatUnitName(id, text);
        FormatUnitShortName(id, text);
        FormatUnitModeName(id, text);
    }
    EXPECT_EQ(allocations_so_far(), before);
    EXPECT_EQ(found, 380u);
}

}  // namespace
