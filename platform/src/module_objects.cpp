#include "corvex/platform/module_objects.h"

#include <system_error>

#include "corvex/platform/activation.h"

namespace corvex::platform {

std::filesystem::path library_beside_executable() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return "libCorvex.so";
    const fs::path beside = exe.parent_path() / "libCorvex.so";
    if (fs::exists(beside, ec)) return beside;
    // An installed program: the module is in the installation's library folder,
    // found from the program's own folder, so a moved installation still finds it.
    const fs::path installed = (exe.parent_path() / CORVEX_INSTALLED_MODULE).lexically_normal();
    return fs::exists(installed, ec) ? installed : beside;
}

Expected<ModuleObjectOrigin, ModuleObjectFailure> create_module_object(const CLSID& clsid, const IID& iid,
                                                                       void** ppv) {
    return create_module_object(clsid, iid, ppv, &library_beside_executable);
}

Expected<ModuleObjectOrigin, ModuleObjectFailure> create_module_object(const CLSID& clsid, const IID& iid, void** ppv,
                                                                       std::filesystem::path (*fallback_library)()) {
    ModuleObjectFailure failure;
    failure.registered = create_instance(clsid, iid, ppv);
    if (SUCCEEDED(failure.registered)) return ModuleObjectOrigin{};
    failure.registered_why = last_activation_error();
    failure.library = fallback_library();  // looked for only now: activation normally succeeds
    failure.beside = create_instance_from_library(failure.library.string(), clsid, iid, ppv);
    if (SUCCEEDED(failure.beside)) return ModuleObjectOrigin{true, failure.registered, std::move(failure.registered_why)};
    failure.beside_why = last_activation_error();
    return Unexpected{std::move(failure)};
}

}  // namespace corvex::platform
