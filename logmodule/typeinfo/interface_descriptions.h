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

const LibraryDesc& library();
// The classes in the order of the library's class table.
std::span<const ClassDesc> classes();
// The interfaces in the order of the type library.
std::span<const platform::InterfaceDesc* const> interfaces();

}  // namespace corvex::typeinfo
