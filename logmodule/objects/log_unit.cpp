#include "logmodule/objects/log_unit.h"

namespace corvex::objects {
namespace {

template <class T>
HRESULT copy_out(T* out, T value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

}  // namespace

HRESULT LogUnit::get_Value(VARIANT* pVal) {
    if (!pVal) return E_POINTER;
    VariantInit(pVal);
    pVal->vt = VT_R8;
    pVal->dblVal = values_.value;
    return S_OK;
}

HRESULT LogUnit::get_Error(std::int16_t* pVal) { return copy_out(pVal, values_.error); }
HRESULT LogUnit::get_Time(double* pVal) { return copy_out(pVal, values_.time); }
HRESULT LogUnit::get_Enum(std::int32_t* pVal) { return copy_out(pVal, values_.unit_type); }
HRESULT LogUnit::get_Input(std::int16_t* pVal) { return copy_out(pVal, values_.input); }
HRESULT LogUnit::get_Channel(std::int16_t* pVal) { return copy_out(pVal, values_.channel); }

}  // namespace corvex::objects
