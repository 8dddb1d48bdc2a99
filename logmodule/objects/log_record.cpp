#include "logmodule/objects/log_record.h"

#include "logmodule/objects/unit_enumerator.h"

namespace corvex::objects {

HRESULT LogRecord::get_Item(std::int32_t index, ILogUnit** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= units_.size()) return E_INVALIDARG;
    ILogUnit* unit = units_[static_cast<std::size_t>(index)].get();
    unit->AddRef();
    *pVal = unit;
    return S_OK;
}

HRESULT LogRecord::get__NewEnum(IUnknown** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    auto enumerator = make_unit_enumerator(platform::ComPtr<LogRecord>(this));
    if (!enumerator) return E_OUTOFMEMORY;
    *pVal = enumerator.detach();
    return S_OK;
}

HRESULT LogRecord::GetNextUnit(IUnknown** ppUnit) {
    if (!ppUnit) return E_POINTER;
    *ppUnit = nullptr;
    if (cursor_ >= units_.size()) {
        cursor_ = 0;
        return S_OK;
    }
    ILogUnit* unit = units_[cursor_++].get();
    unit->AddRef();
    *ppUnit = unit;
    return S_OK;
}

HRESULT LogRecord::get_Count(std::int32_t* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = static_cast<std::int32_t>(units_.size());
    return S_OK;
}

}  // namespace corvex::objects
