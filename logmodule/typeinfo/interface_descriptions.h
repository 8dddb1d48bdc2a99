// Type information of the published interfaces and classes, compiled from
// corvex_interfaces.inc: what late binding (IDispatch), registration and
// `corvex typelib` read.
#pragma once

#include <span>

#include "corvex/corvex.h"
#include "corvex/platform/dispatch.h"

// The InterfaceDescription specialisations themselves are declared in corvex.h,
// so every file that sees an interface also sees its type information.

namespace corvex::typeinfo {

struct LibraryDesc {
    const char* name;
    GUID libid;
    const char* help;
    unsigned short major;
    unsigned short minor;
};

struct ClassDesc {
    const char* name;
    CLSID clsid;
    const char* prog_id;
    const char* version_independent_prog_id;
    const char* description;  // the registry's default value
    const char* help;         // the type library's help string
    const platform::InterfaceDesc* default_interface;
    int registration_resource;
};

// An extension of our own (call-table only): listed, not late-bound.
struct ExtensionMemberDesc {
    const char* name;
    const char* help;
    const char* parameters;  // the C++ parameter list, as declared
};

struct ExtensionDesc {
    const char* name;
    GUID iid;
    const char* help;
    std::span<const ExtensionMemberDesc> members;  // in call-table order
};

const LibraryDesc& library();
// The classes in the order of the library's class table.
std::span<const ClassDesc> classes();
// The interfaces in the order of the type library.
std::span<const platform::InterfaceDesc* const> interfaces();
// The extensions, in the order they are declared.
std::span<const ExtensionDesc> extensions();

}  // namespace corvex::typeinfo
