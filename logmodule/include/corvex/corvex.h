// Corvex log module: the published interfaces and identifiers.
//
// A client needs only this header, the platform headers it includes, and the
// platform library (automation strings, variants and class activation). The
// interfaces are dual: each derives from IDispatch and lists its own members in
// call-table order. Automation `long` and `int` are 32-bit, `short` 16-bit.
//
// The declarations are expanded from corvex_interfaces.inc, which also feeds
// the library's type information. Besides the dual interfaces, the library's
// objects answer extensions of our own (call-table only, like IEnumVARIANT):
// ILogFormat and ILogBlocks on Log. A client asks for them with QueryInterface and works
// without them when a module does not offer them.
#pragma once

#include <cstdint>

#include "corvex/platform/com_ptr.h"
#include "corvex/platform/dispatch.h"
#include "corvex/platform/oleauto.h"
#include "corvex/platform/types.h"
#include "corvex/log_flags.h"

// C++ spelling of each automation type name used in corvex_interfaces.inc.
#define CVX_CTYPE_long std::int32_t
#define CVX_CTYPE_int std::int32_t
#define CVX_CTYPE_short std::int16_t
#define CVX_CTYPE_double double
#define CVX_CTYPE_BSTR BSTR
#define CVX_CTYPE_VARIANT VARIANT
#define CVX_CTYPE_IUnknown IUnknown*
#define CVX_CTYPE_ILog ILog*
#define CVX_CTYPE_ILogRecord ILogRecord*
#define CVX_CTYPE_ILogUnit ILogUnit*
#define CVX_CTYPE_ILogInfo ILogInfo*
#define CVX_CTYPE_ILogItem ILogItem*
#define CVX_CTYPE_IUnitTypeInfo IUnitTypeInfo*
#define CVX_CTYPE_IConvertLog IConvertLog*
#define CVX_CTYPE(t) CVX_CTYPE_##t

// ---- forward declarations ---------------------------------------------------
#define CVX_INTERFACE(I, iid, help) struct I;
#define CVX_EXTENSION(I, iid, help) struct I;
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

// ---- identifiers ------------------------------------------------------------
#define CVX_LIBRARY(Name, libid, help, major, minor) inline constexpr GUID LIBID_##Name = make_guid(libid);
#define CVX_INTERFACE(I, iid, help) inline constexpr IID IID_##I = make_guid(iid);
#define CVX_EXTENSION(I, iid, help) inline constexpr IID IID_##I = make_guid(iid);
#define CVX_CLASS(Name, clsid, progid, viprogid, description, help, Itf, resource) \
    inline constexpr CLSID CLSID_##Name = make_guid(clsid);
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

// ---- interfaces ---------------------------------------------------------------
#define CVX_INTERFACE(I, iid, help) struct I : IDispatch {
#define CVX_END(I) \
    }            \
    ;
#define CVX_GET(I, M, id, help, R, RN) virtual HRESULT get_##M(CVX_CTYPE(R) * RN) = 0;
#define CVX_GET1(I, M, id, help, T1, N1, R, RN) virtual HRESULT get_##M(CVX_CTYPE(T1) N1, CVX_CTYPE(R) * RN) = 0;
#define CVX_PUT(I, M, id, help, T1, N1) virtual HRESULT put_##M(CVX_CTYPE(T1) N1) = 0;
#define CVX_METHOD0(I, M, id, help, R, RN) virtual HRESULT M(CVX_CTYPE(R) * RN) = 0;
#define CVX_METHOD1(I, M, id, help, T1, N1, R, RN) virtual HRESULT M(CVX_CTYPE(T1) N1, CVX_CTYPE(R) * RN) = 0;
#define CVX_METHOD2(I, M, id, help, T1, N1, T2, N2, R, RN) \
    virtual HRESULT M(CVX_CTYPE(T1) N1, CVX_CTYPE(T2) N2, CVX_CTYPE(R) * RN) = 0;
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

// ---- extensions: call-table only ---------------------------------------------
#define CVX_EXTENSION(I, iid, help) struct I : IUnknown {
#define CVX_EXTENSION_END(I) \
    }                        \
    ;
#define CVX_CALL(I, M, help, params) virtual HRESULT M params = 0;
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

// ---- interface identifiers for smart references -------------------------------
#define CVX_INTERFACE(I, iid, help)                   \
    template <>                                       \
    struct corvex::platform::InterfaceId<I> {         \
        static constexpr const GUID& value = IID_##I; \
    };
#define CVX_EXTENSION(I, iid, help) CVX_INTERFACE(I, iid, help)
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

// ---- type information for late binding (defined inside the library) ----------
#define CVX_INTERFACE(I, iid, help)                             \
    template <>                                                 \
    struct corvex::platform::InterfaceDescription<I> {          \
        static const corvex::platform::InterfaceDesc* get();    \
    };
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"

// ---- the library's entry points -------------------------------------------------
extern "C" {
HRESULT DllGetClassObject(const CLSID& rclsid, const IID& riid, void** ppv);
HRESULT DllCanUnloadNow();
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
}
