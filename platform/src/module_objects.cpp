#include "corvex/platform/module_objects.h"

#include <system_error>

#include "corvex/platform/activation.h"

namespace corvex::platform {

std::filesystem::path library_beside_executable() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path("libCorvex.so") : exe.parent_path() / "libCorvex.so";
}

Expected<ModuleObjectOrigin, ModuleObjectFailure> create_module_object(const CLSID& clsid, const IID& iid,
                                                                       void** ppv) {
    return create_module_object(clsid, iid, ppv, library_beside_executable());
}

Expected<ModuleObjectOrigin, ModuleObjectFailure> create_module_object(const CLSID& clsid, const IID& iid, void** ppv,
                                                                       const std::filesystem::path& fallback_library) {
    ModuleObjectFailure failure;
    failure.registered = create_instance(clsid, iid, ppv);
    if (SUCCEEDED(failure.registered)) return ModuleObjectOrigin{};
    failure.registered_why = last_activation_error();
    failure.library = fallback_library;
    failure.beside = create_instance_from_library(failure.library.string(), clsid, iid, ppv);
    if (SUCCEEDED(failure.beside)) return ModuleObjectOrigin{true, failure.registered, std::move(failure.registered_why)};
    failure.beside_why = last_activation_error();
    return Unexpected{std::move(failure)};
}

}  // namespace corvex::platform
