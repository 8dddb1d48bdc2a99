// The four exported entry points of libCorvex.so.
#include "corvex/platform/module.h"
#include "corvex/platform/types.h"

extern "C" {
__attribute__((visibility("default"))) HRESULT DllGetClassObject(const GUID&, const GUID&, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    return corvex::platform::module::can_unload() ? S_OK : S_FALSE;
}
__attribute__((visibility("default"))) HRESULT DllRegisterServer() { return E_NOTIMPL; }
__attribute__((visibility("default"))) HRESULT DllUnregisterServer() { return E_NOTIMPL; }
}
