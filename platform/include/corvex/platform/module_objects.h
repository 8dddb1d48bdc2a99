// How a client (the viewer, the corvex tool) creates objects of the log
// module's classes: through class activation, so that it runs whatever library
// the registry stores name; when that fails for any reason (not registered, a
// store that is not trusted, a registered library that has gone),
// libCorvex.so beside the running executable stands in, or for an installed
// program the module in the installation's library folder.
#pragma once

#include <filesystem>
#include <string>

#include "corvex/platform/expected.h"
#include "corvex/platform/types.h"

namespace corvex::platform {

// libCorvex.so in the folder of the running executable (a build tree); when
// that folder holds none, the module in the installation's library folder
// reached from it (bin/../lib/<arch>/libCorvex.so.1 for an installed program)
// if it is there; "libCorvex.so" when the executable's folder cannot be found.
std::filesystem::path library_beside_executable();

// Why neither way gave the object: each attempt's status and, when activation
// said more, its line for people (last_activation_error(); may be empty).
struct ModuleObjectFailure {
    HRESULT registered = S_OK;
    std::string registered_why;
    std::filesystem::path library;   // the library tried second
    HRESULT beside = S_OK;
    std::string beside_why;
};

// Where a created object came from: the registered library, or the library
// beside the executable after activation failed (`registered` and
// `registered_why` say why, so a caller can tell the user about a store that
// could not be used).
struct ModuleObjectOrigin {
    bool beside = false;
    HRESULT registered = S_OK;
    std::string registered_why;
};

// Creates an object of class `clsid` and asks it for `iid`: through the
// registry store first, then from library_beside_executable().
Expected<ModuleObjectOrigin, ModuleObjectFailure> create_module_object(const CLSID& clsid, const IID& iid,
                                                                       void** ppv);

// The same with the library that `fallback_library` finds (called only when
// activation fails) standing in, for a client that is not a program beside the
// library (a language binding loaded into an interpreter).
Expected<ModuleObjectOrigin, ModuleObjectFailure> create_module_object(const CLSID& clsid, const IID& iid, void** ppv,
                                                                       std::filesystem::path (*fallback_library)());

}  // namespace corvex::platform
