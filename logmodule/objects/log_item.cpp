#include "logmodule/objects/log_item.h"

namespace corvex::objects {
namespace {

HRESULT copy_out(std::int16_t* out, std::int16_t value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

// A new automation string, owned by the caller.
HRESULT copy_out(BSTR* out, const std::u16string& text) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT LogItem::get_UnitType(std::int16_t* pVal) { return copy_out(pVal, values_.unit_type); }
HRESULT LogItem::get_Input(std::int16_t* pVal) { return copy_out(pVal, values_.input); }
HRESULT LogItem::get_Channel(std::int16_t* pVal) { return copy_out(pVal, values_.channel); }
HRESULT LogItem::get_Computer(BSTR* pVal) { return copy_out(pVal, values_.computer); }
HRESULT LogItem::get_Label(BSTR* pVal) { return copy_out(pVal, values_.label); }
HRESULT LogItem::get_Comport(std::int16_t* pVal) { return copy_out(pVal, values_.comport); }
HRESULT LogItem::get_NodeID(std::int16_t* pVal) { return copy_out(pVal, values_.node_id); }
HRESULT LogItem::get_Width(std::int16_t* pVal) { return copy_out(pVal, values_.width); }
HRESULT LogItem::get_Decimal(std::int16_t* pVal) { return copy_out(pVal, values_.decimal); }
HRESULT LogItem::get_Symbol(BSTR* pVal) { return copy_out(pVal, values_.symbol); }

}  // namespace corvex::objects
