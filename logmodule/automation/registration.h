// Self-registration of the library: what DllRegisterServer and
// DllUnregisterServer do to the registry store.
#pragma once

#include <filesystem>
#include <string>

#include "corvex/platform/registry_store.h"
#include "corvex/platform/types.h"

namespace corvex::automation {

// Registers every class in class-table order from its registration text, then
// the type library (TypeLib key: version, locale 0 with the library's path,
// flags, help folder; an Interface key per interface). Stops at the first class
// that fails and returns its status; what was written before stays written.
HRESULT register_server(platform::RegistryStore& store, const std::string& module_path);
// Removes every class's keys in class-table order, then the type library's.
// Never removes the CLSID, Interface or TypeLib keys themselves.
HRESULT unregister_server(platform::RegistryStore& store, const std::string& module_path);

// The same applied to the store file under its lock. Failures of the store
// itself: E_ACCESSDENIED when others can write it, REGDB_E_READREGDB when it
// does not parse (it is then left as it was), REGDB_E_WRITEREGDB when it
// cannot be read or written.
HRESULT register_server_in(const std::filesystem::path& store_path, const std::string& module_path);
HRESULT unregister_server_in(const std::filesystem::path& store_path, const std::string& module_path);

}  // namespace corvex::automation
