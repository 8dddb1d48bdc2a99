#include "logmodule/units/unit_type_info.h"

#include <string_view>

#include "corvex/platform/oleauto.h"
#include "corvex/platform/text.h"
#include "logmodule/units/unit_catalogue.h"

namespace corvex::units {
namespace {

constexpr std::int16_t kFallbackWidth = 12;
constexpr std::int16_t kFallbackDecimals = 4;

// Hands out Windows-1252 text as a new automation string. Converts in place in
// the string's own block, so the string is the only allocation.
HRESULT put_text(std::string_view text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (!*out) return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < text.size(); ++i)
        (*out)[i] = text::cp1252_to_utf16_unit(static_cast<unsigned char>(text[i]));
    return S_OK;
}

using Formatter = bool (*)(std::int32_t, UnitText&);

HRESULT put_formatted(Formatter format, std::int32_t id, BSTR* out) {
    if (!out) return E_POINTER;
    UnitText text;
    format(id, text);
    return put_text(text.view(), out);
}

}  // namespace

HRESULT UnitTypeInfo::get_Name(std::int32_t eID, BSTR* pVal) { return put_formatted(FormatUnitName, eID, pVal); }

HRESULT UnitTypeInfo::get_ShortName(std::int32_t eID, BSTR* pVal) {
    return put_formatted(FormatUnitShortName, eID, pVal);
}

HRESULT UnitTypeInfo::get_ModeName(std::int32_t eID, BSTR* pVal) {
    return put_formatted(FormatUnitModeName, eID, pVal);
}

// Unit is the short name without the "#n" fallback: unknown types have no unit.
HRESULT UnitTypeInfo::get_Unit(std::int32_t eID, BSTR* pVal) {
    const UnitTypeRow* row = FindUnitType(eID);
    return put_text(row ? row->short_name : std::string_view(), pVal);
}

HRESULT UnitTypeInfo::get_Mneumonic(std::int32_t eID, BSTR* pVal) {
    const UnitTypeRow* row = FindUnitType(eID);
    return put_text(row ? row->mnemonic : std::string_view(), pVal);
}

HRESULT UnitTypeInfo::get_Width(std::int32_t eID, std::int16_t* pVal) {
    if (!pVal) return E_POINTER;
    const UnitTypeRow* row = FindUnitType(eID);
    *pVal = row ? std::int16_t{row->width} : kFallbackWidth;
    return S_OK;
}

HRESULT UnitTypeInfo::get_Decimal(std::int32_t eID, std::int16_t* pVal) {
    if (!pVal) return E_POINTER;
    const UnitTypeRow* row = FindUnitType(eID);
    *pVal = row ? std::int16_t{row->decimals} : kFallbackDecimals;
    return S_OK;
}

HRESULT UnitTypeInfo::get_UnitCount(std::int16_t* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = static_cast<std::int16_t>(UnitTypeCount());
    return S_OK;
}

}  // namespace corvex::units
