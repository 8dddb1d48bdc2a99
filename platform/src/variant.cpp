#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "corvex/platform/oleauto.h"
#include "corvex/platform/text.h"

namespace {

bool holds_object(VARTYPE vt) { return vt == VT_DISPATCH || vt == VT_UNKNOWN; }

// Reads a numeric variant (by value or by reference) as a double.
bool numeric_value(const VARIANT& v, double& out) {
    const bool ref = (v.vt & VT_BYREF) != 0;
    if (ref && !v.byref) return false;
    switch (v.vt & ~VT_BYREF) {
        case VT_I2: out = ref ? *v.piVal : v.iVal; return true;
        case VT_I4:
        case VT_INT: out = ref ? *v.plVal : v.lVal; return true;
        case VT_R8:
        case VT_DATE: out = ref ? *v.pdblVal : v.dblVal; return true;
        case VT_R4: out = ref ? *static_cast<const float*>(v.byref) : v.fltVal; return true;
        case VT_BOOL: out = (ref ? *static_cast<const VARIANT_BOOL*>(v.byref) : v.boolVal) ? -1.0 : 0.0; return true;
        case VT_UI1: out = ref ? *static_cast<const std::uint8_t*>(v.byref) : v.bVal; return true;
        case VT_I1: out = ref ? *static_cast<const std::int8_t*>(v.byref) : v.cVal; return true;
        case VT_UI2: out = ref ? *static_cast<const std::uint16_t*>(v.byref) : v.uiVal; return true;
        case VT_UI4:
        case VT_UINT: out = ref ? *static_cast<const std::uint32_t*>(v.byref) : v.ulVal; return true;
        case VT_I8: out = static_cast<double>(ref ? *static_cast<const std::int64_t*>(v.byref) : v.llVal); return true;
        case VT_UI8: out = static_cast<double>(ref ? *static_cast<const std::uint64_t*>(v.byref) : v.ullVal); return true;
        default: return false;
    }
}

// Integer conversion rounds half to even, as automation does.
HRESULT to_integer(double d, double lo, double hi, double& out) {
    if (std::isnan(d)) return DISP_E_TYPEMISMATCH;
    const double r = std::nearbyint(d);
    if (r < lo || r > hi) return DISP_E_OVERFLOW;
    out = r;
    return S_OK;
}

BSTR number_text(double d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", d);
    const std::u16string s = corvex::text::utf8_to_utf16(buf);
    return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

bool parse_number(BSTR s, double& out) {
    const std::string t = corvex::text::utf16_to_utf8(s ? std::u16string_view(s, SysStringLen(s)) : u"");
    if (t.empty()) return false;
    char* end = nullptr;
    out = std::strtod(t.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    return end && *end == '\0';
}

}  // namespace

extern "C" {

void VariantInit(VARIANT* pvarg) {
    if (!pvarg) return;
    std::memset(pvarg, 0, sizeof *pvarg);
    pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* pvarg) {
    if (!pvarg) return E_INVALIDARG;
    switch (pvarg->vt) {
        case VT_BSTR: SysFreeString(pvarg->bstrVal); break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (pvarg->punkVal) pvarg->punkVal->Release();
            break;
        default: break;
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    VARIANT tmp = *src;
    if (src->vt == VT_BSTR && src->bstrVal) {
        tmp.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(src->bstrVal), SysStringByteLen(src->bstrVal));
        if (!tmp.bstrVal) return E_OUTOFMEMORY;
    } else if (holds_object(src->vt) && src->punkVal) {
        src->punkVal->AddRef();
    }
    VariantClear(dest);
    *dest = tmp;
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, WORD, VARTYPE vt) {
    if (!dest || !src) return E_INVALIDARG;
    // Follow a reference to a variant or a by-reference value first.
    VARIANT value;
    VariantInit(&value);
    if (src->vt == (VT_VARIANT | VT_BYREF)) {
        // The variant referred to may not be such a reference itself, so a
        // loop of them cannot recurse without end.
        if (!src->pvarVal || src->pvarVal->vt == (VT_VARIANT | VT_BYREF)) return DISP_E_TYPEMISMATCH;
        return VariantChangeType(dest, src->pvarVal, 0, vt);
    }
    if ((src->vt & VT_BYREF) != 0) {
        if (!src->byref) return DISP_E_TYPEMISMATCH;
        switch (src->vt & ~VT_BYREF) {
            case VT_BSTR: value.vt = VT_BSTR; value.bstrVal = *src->pbstrVal; break;
            case VT_DISPATCH: value.vt = VT_DISPATCH; value.pdispVal = *src->ppdispVal; break;
            case VT_UNKNOWN: value.vt = VT_UNKNOWN; value.punkVal = *src->ppunkVal; break;
            default: {
                double d;
                if (!numeric_value(*src, d)) return DISP_E_TYPEMISMATCH;
                value.vt = VT_R8;
                value.dblVal = d;
            }
        }
        // `value` borrows: copy it so the result owns its own string or reference.
        VARIANT owned;
        VariantInit(&owned);
        HRESULT hr = VariantCopy(&owned, &value);
        if (FAILED(hr)) return hr;
        hr = VariantChangeType(dest, &owned, 0, vt);
        VariantClear(&owned);
        return hr;
    }

    VARIANT result;
    VariantInit(&result);
    if (src->vt == vt) return VariantCopy(dest, src);
    double d = 0;
    switch (vt) {
        case VT_I2:
        case VT_I4:
        case VT_R8:
        case VT_DATE:
        case VT_BOOL: {
            if (src->vt == VT_BSTR) {
                if (!parse_number(src->bstrVal, d)) return DISP_E_TYPEMISMATCH;
            } else if (src->vt == VT_EMPTY) {
                d = 0;
            } else if (!numeric_value(*src, d)) {
                return DISP_E_TYPEMISMATCH;
            }
            double r;
            result.vt = vt;
            if (vt == VT_I2) {
                if (HRESULT hr = to_integer(d, -32768.0, 32767.0, r); FAILED(hr)) return hr;
                result.iVal = static_cast<std::int16_t>(r);
            } else if (vt == VT_I4) {
                if (HRESULT hr = to_integer(d, -2147483648.0, 2147483647.0, r); FAILED(hr)) return hr;
                result.lVal = static_cast<std::int32_t>(r);
            } else if (vt == VT_BOOL) {
                result.boolVal = d != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            } else {
                result.dblVal = d;
            }
            break;
        }
        case VT_BSTR: {
            if (src->vt == VT_EMPTY) {
                result.bstrVal = SysAllocStringLen(u"", 0);
            } else if (numeric_value(*src, d)) {
                result.bstrVal = number_text(d);
            } else {
                return DISP_E_TYPEMISMATCH;
            }
            if (!result.bstrVal) return E_OUTOFMEMORY;
            result.vt = VT_BSTR;
            break;
        }
        case VT_UNKNOWN:
        case VT_DISPATCH: {
            if (!holds_object(src->vt)) return DISP_E_TYPEMISMATCH;
            void* p = nullptr;
            if (src->punkVal) {
                const GUID& iid = vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
                if (FAILED(src->punkVal->QueryInterface(iid, &p))) return DISP_E_TYPEMISMATCH;
            }
            result.vt = vt;
            result.punkVal = static_cast<IUnknown*>(p);
            break;
        }
        default: return DISP_E_BADVARTYPE;
    }
    VariantClear(dest);
    *dest = result;
    return S_OK;
}

}  // extern "C"
