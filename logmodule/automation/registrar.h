// Applies registration scripts to the registry store.
//
// A registration script describes the keys a class owns under the classes
// root, in the registrar language self-registering libraries have long used:
//
//     HKCR
//     {
//         Corvex.Log.1 = s 'Log Class'
//         {
//             CLSID = s '{...}'
//         }
//         NoRemove CLSID
//         {
//             ForceRemove {...} = s 'Log Class'
//             {
//                 InprocServer32 = s '%MODULE%'
//                 {
//                     val ThreadingModel = s 'Apartment'
//                 }
//             }
//         }
//     }
//
// A key is a bare word or a 'quoted' name, optionally "= s 'default value'",
// optionally followed by a braced body of `val Name = s 'value'` lines and
// subkeys. Quotes inside quoted text are doubled. Flags before a key name:
// NoRemove (unregistering leaves the key and only walks into it), ForceRemove
// (registering first removes the key whole), Delete (registering removes it).
// %MODULE% stands for the library's full path and %% for a percent sign; they
// are replaced inside names and values after quoting is undone, so any path
// is safe.
#pragma once

#include <string>
#include <string_view>

#include "corvex/platform/registry_store.h"
#include "corvex/platform/types.h"

namespace corvex::automation {

enum class RegistrarAction { Register, Unregister };

// S_OK, or E_INVALIDARG with `error` saying where the script is malformed (the
// store is then unchanged).
HRESULT apply_registration_script(std::string_view script, RegistrarAction action, std::string_view module_path,
                                  platform::RegistryStore& store, std::string* error = nullptr);

}  // namespace corvex::automation
