// Lookups in the catalogue allocate nothing; what they answer is checked
// through UnitTypeInfo.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "logmodule/units/unit_catalogue.h"
#include "allocation_counter.h"

namespace {

using namespace corvex::units;

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
