// Lookups in the catalogue: rows found by identifier, the fallbacks outside
// the table, and no allocation on the way.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "corvex/platform/text.h"
#include "logmodule/units/unit_catalogue.h"
#include "allocation_counter.h"

namespace {

using namespace corvex::units;

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
