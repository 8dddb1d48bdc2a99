#include "corvex/platform/dispatch.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "corvex/platform/oleauto.h"

namespace corvex::platform {
namespace {

constexpr HRESULT kParamNotFound = static_cast<HRESULT>(0x80020004u);  // DISP_E_PARAMNOTFOUND

bool equals_ignore_case(const char* ascii, const OLECHAR* name) {
    if (!ascii || !name) return false;
    std::size_t i = 0;
    for (; ascii[i] && name[i]; ++i) {
        char16_t a = static_cast<unsigned char>(ascii[i]);
        char16_t b = name[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char16_t>(a + 32);
        if (b >= 'A' && b <= 'Z') b = static_cast<char16_t>(b + 32);
        if (a != b) return false;
    }
    return ascii[i] == 0 && name[i] == 0;
}

VARTYPE vartype_of(AutoType t) {
    switch (t) {
        case AutoType::Short: return VT_I2;
        case AutoType::Long: return VT_I4;
        case AutoType::Double: return VT_R8;
        case AutoType::Bstr: return VT_BSTR;
        case AutoType::Unknown: return VT_UNKNOWN;
        case AutoType::Interface: return VT_DISPATCH;
        case AutoType::Variant:
        case AutoType::Void: break;
    }
    return VT_EMPTY;
}

bool is_missing(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == kParamNotFound; }

const MemberDesc* find_member(const InterfaceDesc& desc, DISPID id, WORD flags, bool& id_known) {
    id_known = false;
    for (const MemberDesc& m : desc.members) {
        if (m.dispid != id) continue;
        id_known = true;
        const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
        if (put) {
            if (m.kind == MemberKind::PropertyPut) return &m;
        } else if ((m.kind == MemberKind::Method && (flags & DISPATCH_METHOD)) ||
                   (m.kind == MemberKind::PropertyGet && (flags & DISPATCH_PROPERTYGET))) {
            return &m;
        }
    }
    return nullptr;
}

}  // namespace

HRESULT dispatch_get_ids_of_names(const InterfaceDesc& desc, LPOLESTR* names, UINT count, DISPID* ids) {
    if (count == 0) return S_OK;
    if (!names || !ids) return E_POINTER;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const MemberDesc* member = nullptr;
    for (const MemberDesc& m : desc.members) {
        if (equals_ignore_case(m.name, names[0])) {
            // Prefer the member with arguments to name (a get beside a put of the same name).
            if (!member || m.params.size() > member->params.size()) member = &m;
        }
    }
    if (!member) return DISP_E_UNKNOWNNAME;
    ids[0] = member->dispid;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < count; ++i) {
        for (std::size_t p = 0; p < member->params.size(); ++p)
            if (equals_ignore_case(member->params[p].name, names[i])) ids[i] = static_cast<DISPID>(p);
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT dispatch_invoke(const InterfaceDesc& desc, IDispatch* self, DISPID dispid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excep, UINT* arg_err) {
    DISPPARAMS empty{nullptr, nullptr, 0, 0};
    if (!params) params = &empty;
    if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
    if (params->cNamedArgs > params->cArgs || (params->cNamedArgs > 0 && !params->rgdispidNamedArgs))
        return E_INVALIDARG;

    bool id_known = false;
    const MemberDesc* m = find_member(desc, dispid, flags, id_known);
    if (!m) return DISP_E_MEMBERNOTFOUND;

    const std::size_t n = m->params.size();
    // Slot k holds the index into rgvarg of the argument for parameter k.
    std::vector<int> slot(n, -1);
    // Named arguments count too: a named one beside a full positional list
    // would otherwise silently replace a positional value.
    if (params->cArgs > n) return DISP_E_BADPARAMCOUNT;
    const UINT positional = params->cArgs - params->cNamedArgs;
    for (UINT j = 0; j < positional; ++j) slot[j] = static_cast<int>(params->cArgs - 1 - j);
    for (UINT i = 0; i < params->cNamedArgs; ++i) {
        DISPID named = params->rgdispidNamedArgs[i];
        if (named == DISPID_PROPERTYPUT && m->kind == MemberKind::PropertyPut && n > 0)
            named = static_cast<DISPID>(n - 1);
        if (named < 0 || static_cast<std::size_t>(named) >= n) {
            if (arg_err) *arg_err = i;
            return kParamNotFound;
        }
        slot[static_cast<std::size_t>(named)] = static_cast<int>(i);
    }
    if (params->cNamedArgs == 0 && positional < n) return DISP_E_BADPARAMCOUNT;

    std::vector<VARIANT> args(n);
    for (VARIANT& a : args) VariantInit(&a);
    auto clear_args = [&] {
        for (VARIANT& a : args) VariantClear(&a);
    };
    for (std::size_t k = 0; k < n; ++k) {
        if (slot[k] < 0 || is_missing(params->rgvarg[slot[k]])) {
            clear_args();
            if (arg_err && slot[k] >= 0) *arg_err = static_cast<UINT>(slot[k]);
            return DISP_E_PARAMNOTOPTIONAL;
        }
        const VARIANT& given = params->rgvarg[slot[k]];
        HRESULT hr;
        if (m->params[k].type == AutoType::Variant)
            hr = VariantCopy(&args[k], &given);
        else
            hr = VariantChangeType(&args[k], &given, 0, vartype_of(m->params[k].type));
        if (FAILED(hr)) {
            clear_args();
            if (arg_err) *arg_err = static_cast<UINT>(slot[k]);
            return hr == E_OUTOFMEMORY ? hr : DISP_E_TYPEMISMATCH;
        }
    }

    VARIANT ret;
    VariantInit(&ret);
    const HRESULT hr = m->invoke(self, args.data(), &ret);
    clear_args();
    if (result) {
        VariantClear(result);
        *result = ret;
    } else {
        VariantClear(&ret);
    }
    if (FAILED(hr) && excep) {
        std::memset(excep, 0, sizeof *excep);
        excep->scode = hr;
        excep->bstrSource = SysAllocString(u"Corvex");
        return DISP_E_EXCEPTION;
    }
    return hr;
}

}  // namespace corvex::platform
