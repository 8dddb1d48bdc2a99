#include "viewer/log_module.h"

#include <cstdio>
#include <optional>
#include <system_error>

#include "corvex/platform/bstr.h"
#include "corvex/platform/guid_text.h"
#include "corvex/platform/module_objects.h"
#include "corvex/platform/registry_store.h"
#include "export/log_opening.h"

namespace corvex::viewer {

namespace {

std::string hresult_text(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

std::string failure_text(const std::string& why, HRESULT hr) { return why.empty() ? hresult_text(hr) : why; }

std::optional<std::filesystem::path> registered_library() {
    auto store = platform::RegistryStore::load(platform::RegistryStore::default_path());
    if (!store) return std::nullopt;
    const auto library = store->default_value("CLSID\\" + platform::format_guid(CLSID_Log) + "\\InprocServer32");
    // A registered library that has gone is not what the sessions come from:
    // activation then falls back to the one beside the executable.
    std::error_code ec;
    if (!library || library->empty() || !std::filesystem::exists(*library, ec)) return std::nullopt;
    return std::filesystem::path(*library);
}

}  // namespace

std::filesystem::path log_module_path() {
    return registered_library().value_or(platform::library_beside_executable());
}

Expected<platform::ComPtr<ILog>, std::string> create_log_session() {
    platform::ComPtr<ILog> log;
    const auto made = platform::create_module_object(CLSID_Log, IID_ILog, log.put_void());
    if (made) return log;
    const platform::ModuleObjectFailure& failure = made.error();
    return Unexpected{"cannot create " + std::string(kLogProgId) + " (registry: " +
                      failure_text(failure.registered_why, failure.registered) + "; " + failure.library.string() +
                      ": " + failure_text(failure.beside_why, failure.beside) + ")"};
}

Expected<platform::ComPtr<ILog>, std::string> open_log_session(const SessionFactory& factory, const std::string& path) {
    auto made = factory();
    if (!made) return Unexpected{made.error()};
    platform::ComPtr<ILog> log = std::move(made).value();
    if (auto refused = exporting::open_log_file(log.get(), path, hresult_text)) return Unexpected{*refused};
    return log;
}

}  // namespace corvex::viewer
