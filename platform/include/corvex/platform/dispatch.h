// Late binding over compiled type information.
//
// A server describes each of its dual interfaces once (members with dispatch
// identifiers, kinds, argument names and types, and a thunk that calls the
// vtable member); the generic services below answer GetIDsOfNames and Invoke
// from that description, so IDispatch never needs hand-written switch tables.
#pragma once

#include <cstdint>
#include <span>

#include "corvex/platform/types.h"

namespace corvex::platform {

enum class MemberKind : std::uint8_t { Method, PropertyGet, PropertyPut };

// The automation types that cross our interfaces.
enum class AutoType : std::uint8_t {
    Void,
    Short,     // VT_I2
    Long,      // VT_I4 (automation long and int)
    Double,    // VT_R8
    Bstr,      // VT_BSTR
    Variant,   // VT_VARIANT, passed through as it is
    Unknown,   // IUnknown*, VT_UNKNOWN
    Interface  // a dual interface pointer, VT_DISPATCH
};

struct ParamDesc {
    const char* name;
    AutoType type;
    const char* type_name;  // as written in the type library: "long", "BSTR", "ILogRecord*"
};

// Calls the vtable member. `args` holds the in-arguments in declaration order,
// already coerced to their declared types; `result` receives the out/retval
// value (left VT_EMPTY for members without one).
using InvokeThunk = HRESULT (*)(IDispatch* self, VARIANT* args, VARIANT* result);

struct MemberDesc {
    const char* name;
    DISPID dispid;
    MemberKind kind;
    const char* help;
    std::span<const ParamDesc> params;  // in-arguments
    ParamDesc result;                   // AutoType::Void when none
    InvokeThunk invoke;
};

struct InterfaceDesc {
    const char* name;
    GUID iid;
    const char* help;
    std::span<const MemberDesc> members;  // in call-table order
};

// Resolves names case-insensitively: the first to a member's dispatch identifier,
// further names to argument positions of that member. DISP_E_UNKNOWNNAME, with
// DISPID_UNKNOWN in each place not found, when any name is unknown.
HRESULT dispatch_get_ids_of_names(const InterfaceDesc& desc, LPOLESTR* names, UINT count, DISPID* ids);

// Finds the member for (dispid, flags), coerces the arguments, calls it, and puts
// its result into `result` (when given). Faults answer the platform's codes:
// DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, DISP_E_PARAMNOTOPTIONAL,
// DISP_E_TYPEMISMATCH (with the argument's position in *arg_err), never a crash.
HRESULT dispatch_invoke(const InterfaceDesc& desc, IDispatch* self, DISPID dispid, WORD flags,
                        DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* arg_err);

// Each server provides the description of its interfaces by specialising this
// beside the interface's declaration, with `static const InterfaceDesc* get();`.
// The primary template is left undefined on purpose: an object whose interface
// has no visible description fails to compile instead of silently answering
// without type information.
template <class Itf>
struct InterfaceDescription;

}  // namespace corvex::platform
