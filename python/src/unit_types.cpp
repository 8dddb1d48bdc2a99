#include "python/src/unit_types.h"

#include "corvex/platform/bstr.h"
#include "logmodule/units/unit_catalogue.h"
#include "python/src/module_access.h"

namespace corvex::python {

Expected<std::vector<UnitTypeText>, std::string> read_unit_types() {
    auto info = create_module_object<IUnitTypeInfo>(CLSID_UnitTypeInfo, "Corvex.UnitTypeInfo");
    if (!info) return Unexpected{info.error()};
    std::vector<UnitTypeText> rows;
    for (const units::UnitTypeRow& known : units::unit_types()) {
        UnitTypeText row;
        row.id = known.id;
        platform::Bstr mode, short_name, name, mnemonic;
        const HRESULT results[] = {
            (*info)->get_ModeName(row.id, mode.put()),       (*info)->get_ShortName(row.id, short_name.put()),
            (*info)->get_Name(row.id, name.put()),           (*info)->get_Mneumonic(row.id, mnemonic.put()),
            (*info)->get_Width(row.id, &row.width),          (*info)->get_Decimal(row.id, &row.decimals),
        };
        for (HRESULT hr : results)
            if (FAILED(hr))
                return Unexpected{"UnitTypeInfo failed for unit type " + std::to_string(row.id) + ": " +
                                  status_text(hr)};
        row.mode_name = mode.utf8();
        row.short_name = short_name.utf8();
        row.name = name.utf8();
        row.mnemonic = mnemonic.utf8();
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace corvex::python
