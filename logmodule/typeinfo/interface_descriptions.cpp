#include "logmodule/typeinfo/interface_descriptions.h"

#include <type_traits>

namespace corvex::typeinfo {
namespace {

using platform::AutoType;
using platform::InterfaceDesc;
using platform::MemberDesc;
using platform::MemberKind;
using platform::ParamDesc;

// ---- how a coerced argument becomes the C++ argument ----------------------
template <class T>
struct In;
template <>
struct In<std::int32_t> {
    static std::int32_t get(const VARIANT& v) { return v.lVal; }
};
template <>
struct In<std::int16_t> {
    static std::int16_t get(const VARIANT& v) { return v.iVal; }
};
template <>
struct In<double> {
    static double get(const VARIANT& v) { return v.dblVal; }
};
template <>
struct In<BSTR> {
    static BSTR get(const VARIANT& v) { return v.vt == VT_BSTR ? v.bstrVal : nullptr; }
};

// ---- where an out/retval value goes in the result VARIANT -----------------
template <class T>
struct Out {
    T value{};
    void store(VARIANT* r) {
        if constexpr (std::is_same_v<T, std::int32_t>) {
            r->vt = VT_I4;
            r->lVal = value;
        } else if constexpr (std::is_same_v<T, std::int16_t>) {
            r->vt = VT_I2;
            r->iVal = value;
        } else if constexpr (std::is_same_v<T, double>) {
            r->vt = VT_R8;
            r->dblVal = value;
        } else if constexpr (std::is_same_v<T, BSTR>) {
            r->vt = VT_BSTR;
            r->bstrVal = value;
        } else if constexpr (std::is_same_v<T, IUnknown*>) {
            r->vt = VT_UNKNOWN;
            r->punkVal = value;
        } else {
            static_assert(std::is_base_of_v<IDispatch, std::remove_pointer_t<T>>);
            r->vt = VT_DISPATCH;
            r->pdispVal = value;
        }
    }
};
template <>
struct Out<VARIANT> {
    VARIANT value;
    Out() { VariantInit(&value); }
    void store(VARIANT* r) { *r = value; }
};

template <class I, class R, HRESULT (I::*M)(R*)>
HRESULT thunk0(IDispatch* self, VARIANT*, VARIANT* result) {
    Out<R> out;
    const HRESULT hr = (static_cast<I*>(self)->*M)(&out.value);
    out.store(result);
    return hr;
}
template <class I, class A, class R, HRESULT (I::*M)(A, R*)>
HRESULT thunk1(IDispatch* self, VARIANT* args, VARIANT* result) {
    Out<R> out;
    const HRESULT hr = (static_cast<I*>(self)->*M)(In<A>::get(args[0]), &out.value);
    out.store(result);
    return hr;
}
template <class I, class A, class B, class R, HRESULT (I::*M)(A, B, R*)>
HRESULT thunk2(IDispatch* self, VARIANT* args, VARIANT* result) {
    Out<R> out;
    const HRESULT hr = (static_cast<I*>(self)->*M)(In<A>::get(args[0]), In<B>::get(args[1]), &out.value);
    out.store(result);
    return hr;
}
template <class I, class A, HRESULT (I::*M)(A)>
HRESULT thunk_put(IDispatch* self, VARIANT* args, VARIANT*) {
    return (static_cast<I*>(self)->*M)(In<A>::get(args[0]));
}

// Automation type of each type name, and its spelling in the type library.
#define CVX_AUTO_long AutoType::Long
#define CVX_AUTO_int AutoType::Long
#define CVX_AUTO_short AutoType::Short
#define CVX_AUTO_double AutoType::Double
#define CVX_AUTO_BSTR AutoType::Bstr
#define CVX_AUTO_VARIANT AutoType::Variant
#define CVX_AUTO_IUnknown AutoType::Unknown
#define CVX_AUTO_ILogRecord AutoType::Interface
#define CVX_AUTO_ILogUnit AutoType::Interface
#define CVX_AUTO_ILogInfo AutoType::Interface
#define CVX_AUTO_ILogItem AutoType::Interface
#define CVX_PARAM(t, n) ParamDesc{#n, CVX_AUTO_##t, CVX_TNAME_##t}
#define CVX_TNAME_long "long"
#define CVX_TNAME_int "int"
#define CVX_TNAME_short "short"
#define CVX_TNAME_double "double"
#define CVX_TNAME_BSTR "BSTR"
#define CVX_TNAME_VARIANT "VARIANT"
#define CVX_TNAME_IUnknown "IUnknown*"
#define CVX_TNAME_ILogRecord "ILogRecord*"
#define CVX_TNAME_ILogUnit "ILogUnit*"
#define CVX_TNAME_ILogInfo "ILogInfo*"
#define CVX_TNAME_ILogItem "ILogItem*"

// Pass 1: argument lists.
#define CVX_GET1(I, M, id, help, T1, N1, R, RN) constexpr ParamDesc params_##I##_##M[] = {CVX_PARAM(T1, N1)};
#define CVX_PUT(I, M, id, help, T1, N1) constexpr ParamDesc params_##I##_##M[] = {CVX_PARAM(T1, N1)};
#define CVX_METHOD1(I, M, id, help, T1, N1, R, RN) constexpr ParamDesc params_##I##_##M[] = {CVX_PARAM(T1, N1)};
#define CVX_METHOD2(I, M, id, help, T1, N1, T2, N2, R, RN) \
    constexpr ParamDesc params_##I##_##M[] = {CVX_PARAM(T1, N1), CVX_PARAM(T2, N2)};
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

// Pass 2: member tables.
constexpr ParamDesc kNoResult{"", AutoType::Void, "void"};
#define CVX_INTERFACE(I, iid, help) constexpr MemberDesc members_##I[] = {
#define CVX_END(I) \
    }              \
    ;
#define CVX_GET(I, M, id, help, R, RN) \
    MemberDesc{#M, id, MemberKind::PropertyGet, help, {}, CVX_PARAM(R, RN), &thunk0<I, CVX_CTYPE(R), &I::get_##M>},
#define CVX_GET1(I, M, id, help, T1, N1, R, RN)                                      \
    MemberDesc{#M, id, MemberKind::PropertyGet, help, params_##I##_##M, CVX_PARAM(R, RN), \
               &thunk1<I, CVX_CTYPE(T1), CVX_CTYPE(R), &I::get_##M>},
#define CVX_PUT(I, M, id, help, T1, N1) \
    MemberDesc{#M, id, MemberKind::PropertyPut, help, params_##I##_##M, kNoResult, &thunk_put<I, CVX_CTYPE(T1), &I::put_##M>},
#define CVX_METHOD0(I, M, id, help, R, RN) \
    MemberDesc{#M, id, MemberKind::Method, help, {}, CVX_PARAM(R, RN), &thunk0<I, CVX_CTYPE(R), &I::M>},
#define CVX_METHOD1(I, M, id, help, T1, N1, R, RN)                                   \
    MemberDesc{#M, id, MemberKind::Method, help, params_##I##_##M, CVX_PARAM(R, RN), \
               &thunk1<I, CVX_CTYPE(T1), CVX_CTYPE(R), &I::M>},
#define CVX_METHOD2(I, M, id, help, T1, N1, T2, N2, R, RN)                           \
    MemberDesc{#M, id, MemberKind::Method, help, params_##I##_##M, CVX_PARAM(R, RN), \
               &thunk2<I, CVX_CTYPE(T1), CVX_CTYPE(T2), CVX_CTYPE(R), &I::M>},
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

// Pass 3: interface descriptions.
#define CVX_INTERFACE(I, iid, help) constexpr InterfaceDesc desc_##I{#I, IID_##I, help, members_##I};
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

#define CVX_INTERFACE(I, iid, help) &desc_##I,
constexpr const InterfaceDesc* kInterfaces[] = {
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"
};

#define CVX_CLASS(Name, clsid, progid, viprogid, description, help, Itf, resource) \
    ClassDesc{#Name, CLSID_##Name, progid, viprogid, description, help, &desc_##Itf, resource},
constexpr ClassDesc kClasses[] = {
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"
};

#define CVX_LIBRARY(Name, libid, help, major, minor) constexpr LibraryDesc kLibrary{#Name, LIBID_##Name, help, major, minor};
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

// The extensions: member lists, then the descriptions.
#define CVX_EXTENSION(I, iid, help) constexpr ExtensionMemberDesc ext_members_##I[] = {
#define CVX_CALL(I, M, help, params) ExtensionMemberDesc{#M, help, #params},
#define CVX_EXTENSION_END(I) };
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

#define CVX_EXTENSION(I, iid, help) ExtensionDesc{#I, IID_##I, help, ext_members_##I},
constexpr ExtensionDesc kExtensions[] = {
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"
};

}  // namespace

const LibraryDesc& library() { return kLibrary; }
std::span<const ExtensionDesc> extensions() { return kExtensions; }
std::span<const ClassDesc> classes() { return kClasses; }
std::span<const platform::InterfaceDesc* const> interfaces() { return kInterfaces; }

}  // namespace corvex::typeinfo

#define CVX_INTERFACE(I, iid, help)                                                       \
    const corvex::platform::InterfaceDesc* corvex::platform::InterfaceDescription<I>::get() { \
        return &corvex::typeinfo::desc_##I;                                             \
    }
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"
