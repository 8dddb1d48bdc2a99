#include "export/unit_type_text.h"

#include "corvex/platform/bstr.h"

namespace corvex::exporting {

Expected<UnitTypeText, std::string> read_unit_type(IUnitTypeInfo* info, std::int32_t id,
                                                   std::string (*status_text)(HRESULT)) {
    UnitTypeText row;
    row.id = id;
    platform::Bstr mode, short_name, name, mnemonic;
    const HRESULT results[] = {
        info->get_ModeName(id, mode.put()),  info->get_ShortName(id, short_name.put()),
        info->get_Name(id, name.put()),      info->get_Mneumonic(id, mnemonic.put()),
        info->get_Width(id, &row.width),     info->get_Decimal(id, &row.decimals),
    };
    for (HRESULT hr : results)
        if (FAILED(hr))
            return Unexpected{"UnitTypeInfo failed for unit type " + std::to_string(id) + ": " + status_text(hr)};
    row.mode_name = mode.utf8();
    row.short_name = short_name.utf8();
    row.name = name.utf8();
    row.mnemonic = mnemonic.utf8();
    return row;
}

}  // namespace corvex::exporting
