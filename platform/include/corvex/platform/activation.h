// Class activation: how a client creates an object of a registered class.
//
// The class is looked up in the registry store (registry_store.h); the library
// named by its InprocServer32 key is loaded once per process and stays loaded;
// its DllGetClassObject hands out the class factory, which creates the object.
// Failures answer the platform's codes:
//   REGDB_E_CLASSNOTREG  the class or program identifier is not registered
//   CO_E_DLLNOTFOUND     the registered library is missing or does not load
//   CO_E_ERRORINDLL      the library does not export DllGetClassObject
//   E_ACCESSDENIED       the registry store is writable by other users
//   REGDB_E_READREGDB    the registry store cannot be read or does not parse
// and otherwise whatever the library's factory answers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "corvex/platform/types.h"

namespace corvex::platform {

// Creates an object of a registered class and asks it for `iid`.
HRESULT create_instance(const CLSID& clsid, const IID& iid, void** ppv);
// The same by program identifier, version-independent ("Corvex.Log") or not ("Corvex.Log.1").
HRESULT create_instance(std::string_view prog_id, const IID& iid, void** ppv);
// Without the registry: loads `library_path` and asks its DllGetClassObject.
HRESULT create_instance_from_library(const std::string& library_path, const CLSID& clsid, const IID& iid,
                                     void** ppv);
// The class factory itself, for callers that create many objects or hold a server lock.
HRESULT get_class_object(const CLSID& clsid, const IID& iid, void** ppv);

// The class identifier that a program identifier names, following CurVer when
// the key has no CLSID of its own; nullopt when not registered.
std::optional<CLSID> clsid_from_prog_id(std::string_view prog_id);

// A line for people about the last activation failure on this thread (which
// store, which library, what the loader said); empty after a success.
std::string last_activation_error();

}  // namespace corvex::platform
