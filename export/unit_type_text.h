// One row of the unit-type catalogue as the module's UnitTypeInfo answers it,
// for the clients that list the catalogue (the tool's `units`, the Python
// package). The identifiers come from the catalogue linked into the client:
// the published interface cannot list its rows.
#pragma once

#include <cstdint>
#include <string>

#include "corvex/corvex.h"
#include "corvex/platform/expected.h"

namespace corvex::exporting {

struct UnitTypeText {
    std::int32_t id = 0;
    std::string mode_name, short_name, name, mnemonic;  // UTF-8
    std::int16_t width = 0, decimals = 0;
};

// The texts and widths of unit type `id`; on failure one line, with the
// failed call's status worded by `status_text`.
Expected<UnitTypeText, std::string> read_unit_type(IUnitTypeInfo* info, std::int32_t id,
                                                   std::string (*status_text)(HRESULT));

}  // namespace corvex::exporting
