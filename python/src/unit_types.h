// The unit-type catalogue as the module's UnitTypeInfo answers it, row by
// row. The identifiers come from the catalogue linked in (the published
// interface cannot list its rows), the texts from UnitTypeInfo, as the corvex
// tool's `units` lists them.
#pragma once

#include <string>
#include <vector>

#include "corvex/platform/expected.h"
#include "export/unit_type_text.h"

namespace corvex::python {

using exporting::UnitTypeText;

// Every row in ascending order of identifier; the error is one line.
Expected<std::vector<UnitTypeText>, std::string> read_unit_types();

}  // namespace corvex::python
