// The unit-type catalogue as the module's UnitTypeInfo answers it, row by
// row. The identifiers come from the catalogue linked in (the published
// interface cannot list its rows), the texts from UnitTypeInfo, as the corvex
// tool's `units` lists them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvex/platform/expected.h"

namespace corvex::python {

struct UnitTypeText {
    std::int32_t id = 0;
    std::string mode_name, short_name, name, mnemonic;  // UTF-8
    std::int16_t width = 0, decimals = 0;
};

// Every row in ascending order of identifier; the error is one line.
Expected<std::vector<UnitTypeText>, std::string> read_unit_types();

}  // namespace corvex::python
