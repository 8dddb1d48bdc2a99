// UnitTypeInfo: the unit-type catalogue as an automation object.
//
// Stateless: every instance answers alike. Unknown identifiers get the
// catalogue's fallbacks ("Unknown Unit (%u)", "#%u", width 12, decimals 4, and
// empty Unit and Mneumonic). Texts reach the caller as new automation strings,
// converted from the catalogue's Windows-1252.
#pragma once

#include "corvex/corvex.h"
#include "corvex/platform/object.h"
#include "logmodule/typeinfo/interface_descriptions.h"

namespace corvex::units {

class UnitTypeInfo final : public platform::DispatchObject<UnitTypeInfo, IUnitTypeInfo> {
public:
    UnitTypeInfo() = default;

    HRESULT get_Name(std::int32_t eID, BSTR* pVal) override;
    HRESULT get_ShortName(std::int32_t eID, BSTR* pVal) override;
    HRESULT get_Width(std::int32_t eID, std::int16_t* pVal) override;
    HRESULT get_Decimal(std::int32_t eID, std::int16_t* pVal) override;
    HRESULT get_Unit(std::int32_t eID, BSTR* pVal) override;
    HRESULT get_UnitCount(std::int16_t* pVal) override;
    HRESULT get_Mneumonic(std::int32_t eID, BSTR* pVal) override;
    HRESULT get_ModeName(std::int32_t eID, BSTR* pVal) override;
};

}  // namespace corvex::units
