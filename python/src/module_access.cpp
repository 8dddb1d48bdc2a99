#include "python/src/module_access.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "corvex/platform/module_objects.h"

namespace corvex::python {

namespace {

std::string why(const std::string& said, HRESULT hr) { return said.empty() ? status_text(hr) : said; }

std::filesystem::path fallback_library() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&fallback_library), &info) != 0 && info.dli_fname) {
        std::error_code ec;
        const auto beside = std::filesystem::path(info.dli_fname).parent_path() / "libCorvex.so";
        if (std::filesystem::exists(beside, ec)) return beside;
    }
    return CORVEX_INSTALLED_LIBRARY;
}

}  // namespace

std::string status_text(HRESULT hr) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

std::string create_object(const CLSID& clsid, const IID& iid, void** ppv, std::string_view prog_id) {
    const auto created = platform::create_module_object(clsid, iid, ppv, &fallback_library);
    if (created) return {};
    const platform::ModuleObjectFailure& f = created.error();
    return "cannot create " + std::string(prog_id) + ": registry: " + why(f.registered_why, f.registered) + "; " +
           f.library.string() + ": " + why(f.beside_why, f.beside);
}

}  // namespace corvex::python
