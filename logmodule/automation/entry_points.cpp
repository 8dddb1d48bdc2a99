// The four exported entry points of libCorvex.so. Everything else in the
// library is hidden (see exports.map).
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <new>
#include <string>

#include "corvex/platform/module.h"
#include "corvex/platform/registry_store.h"
#include "corvex/platform/types.h"
#include "logmodule/automation/class_factory.h"
#include "logmodule/automation/registration.h"

namespace {

// The full path of this library's file, from the loader's own record of it.
std::string module_path() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&module_path), &info) || !info.dli_fname) return {};
    char resolved[PATH_MAX];
    if (!::realpath(info.dli_fname, resolved)) return {};
    return resolved;
}

}  // namespace

#define CVX_EXPORT extern "C" __attribute__((visibility("default")))

// No C++ exception may leave the library: running out of memory answers E_OUTOFMEMORY.
template <class F>
HRESULT guarded(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

CVX_EXPORT HRESULT DllGetClassObject(const CLSID& rclsid, const IID& riid, void** ppv) {
    return guarded([&] { return corvex::automation::get_class_object(rclsid, riid, ppv); });
}

CVX_EXPORT HRESULT DllCanUnloadNow() { return corvex::platform::module::can_unload() ? S_OK : S_FALSE; }

CVX_EXPORT HRESULT DllRegisterServer() {
    return guarded([] {
        const std::string path = module_path();
        if (path.empty()) return E_UNEXPECTED;
        return corvex::automation::register_server_in(corvex::platform::RegistryStore::default_path(), path);
    });
}

CVX_EXPORT HRESULT DllUnregisterServer() {
    return guarded([] {
        const std::string path = module_path();
        if (path.empty()) return E_UNEXPECTED;
        return corvex::automation::unregister_server_in(corvex::platform::RegistryStore::default_path(), path);
    });
}
