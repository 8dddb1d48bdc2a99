#include "viewer/log_module.h"

#include <cstdio>
#include <optional>
#include <system_error>

#include "corvex/platform/activation.h"
#include "corvex/platform/guid_text.h"
#include "corvex/platform/registry_store.h"

namespace corvex::viewer {

namespace {

std::string hresult_text(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

std::string failure_text(HRESULT hr) {
    std::string why = platform::last_activation_error();
    return why.empty() ? hresult_text(hr) : why;
}

std::optional<std::filesystem::path> registered_library() {
    const auto clsid = platform::clsid_from_prog_id(kLogProgId);
    if (!clsid) return std::nullopt;
    auto store = platform::RegistryStore::load(platform::RegistryStore::default_path());
    if (!store) return std::nullopt;
    const auto library = store->default_value("CLSID\\" + platform::format_guid(*clsid) + "\\InprocServer32");
    // A registered library that has gone is not what the sessions come from:
    // activation then falls back to the one beside the executable.
    std::error_code ec;
    if (!library || library->empty() || !std::filesystem::exists(*library, ec)) return std::nullopt;
    return std::filesystem::path(*library);
}

}  // namespace

std::filesystem::path library_beside_executable() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path("libCorvex.so") : exe.parent_path() / "libCorvex.so";
}

std::filesystem::path log_module_path() { return registered_library().value_or(library_beside_executable()); }

Expected<platform::ComPtr<ILog>, std::string> create_log_session() {
    platform::ComPtr<ILog> log;
    const HRESULT registered = platform::create_instance(kLogProgId, IID_ILog, log.put_void());
    if (SUCCEEDED(registered) && log) return log;
    const std::string registered_failure = failure_text(registered);

    const std::string library = library_beside_executable().string();
    const HRESULT beside = platform::create_instance_from_library(library, CLSID_Log, IID_ILog, log.put_void());
    if (SUCCEEDED(beside) && log) return log;
    return Unexpected{"cannot create " + std::string(kLogProgId) + " (registry: " + registered_failure + "; " +
                      library + ": " + failure_text(beside) + ")"};
}

}  // namespace corvex::viewer
