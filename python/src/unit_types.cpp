#include "python/src/unit_types.h"

#include "logmodule/units/unit_catalogue.h"
#include "python/src/module_access.h"

namespace corvex::python {

Expected<std::vector<UnitTypeText>, std::string> read_unit_types() {
    auto info = create_module_object<IUnitTypeInfo>(CLSID_UnitTypeInfo, "Corvex.UnitTypeInfo");
    if (!info) return Unexpected{info.error()};
    std::vector<UnitTypeText> rows;
    for (const units::UnitTypeRow& known : units::unit_types()) {
        auto row = exporting::read_unit_type(info->get(), known.id, status_text);
        if (!row) return Unexpected{row.error()};
        rows.push_back(std::move(row).value());
    }
    return rows;
}

}  // namespace corvex::python
