// Class factories of the library's classes.
//
// Each class's factory is made on the first request, under the module-wide
// lock, and cached: later requests get the same factory. Cached factories do
// not keep the module loaded; only live objects and server locks do.
#pragma once

#include "corvex/platform/types.h"

namespace corvex::automation {

// The body of DllGetClassObject: E_POINTER for a null out-pointer,
// CLASS_E_CLASSNOTAVAILABLE (and a null result) for a class not in the table.
HRESULT get_class_object(const CLSID& clsid, const IID& iid, void** ppv);

}  // namespace corvex::automation
