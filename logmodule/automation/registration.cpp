#include "logmodule/automation/registration.h"

#include "corvex/platform/guid_text.h"
#include "logmodule/typeinfo/interface_descriptions.h"
#include "logmodule/automation/registrar.h"
#include "logmodule/automation/registration_scripts.h"

namespace corvex::automation {
namespace {

// Dual interfaces are marshalled by the automation marshaller from the type library.
constexpr char kAutomationProxyStub[] = "{00020424-0000-0000-C000-000000000046}";
constexpr const char* kPlatformKey = sizeof(void*) == 8 ? "linux64" : "linux32";

std::string library_version() {
    return std::to_string(typeinfo::library().major) + '.' + std::to_string(typeinfo::library().minor);
}

std::string type_library_key() { return "TypeLib\\" + platform::format_guid(typeinfo::library().libid); }

void register_type_library(platform::RegistryStore& store, const std::string& module_path) {
    const std::string libid = platform::format_guid(typeinfo::library().libid);
    const std::string version_key = type_library_key() + '\\' + library_version();
    // The help folder is the library's own folder.
    const std::filesystem::path help_dir = std::filesystem::path(module_path).parent_path();
    store.remove_key(version_key);
    store.set_default_value(version_key, typeinfo::library().help);
    store.set_default_value(version_key + "\\0\\" + kPlatformKey, module_path);
    store.set_default_value(version_key + "\\FLAGS", "0");
    store.set_default_value(version_key + "\\HELPDIR", help_dir.string());
    for (const platform::InterfaceDesc* itf : typeinfo::interfaces()) {
        const std::string key = "Interface\\" + platform::format_guid(itf->iid);
        store.remove_key(key);
        store.set_default_value(key, itf->name);
        store.set_default_value(key + "\\ProxyStubClsid", kAutomationProxyStub);
        store.set_default_value(key + "\\ProxyStubClsid32", kAutomationProxyStub);
        store.set_default_value(key + "\\TypeLib", libid);
        store.set_value(key + "\\TypeLib", "Version", library_version());
    }
}

void unregister_type_library(platform::RegistryStore& store) {
    const std::string libid = platform::format_guid(typeinfo::library().libid);
    store.remove_key(type_library_key() + '\\' + library_version());
    if (const auto* key = store.find_key(type_library_key());
        key && key->subkeys.empty() && key->values.empty() && !key->default_value)
        store.remove_key(type_library_key());
    // An interface key goes only while it still names our type library.
    for (const platform::InterfaceDesc* itf : typeinfo::interfaces()) {
        const std::string key = "Interface\\" + platform::format_guid(itf->iid);
        const auto owner = store.default_value(key + "\\TypeLib");
        if (owner && platform::parse_guid(*owner) == std::optional<GUID>(typeinfo::library().libid)) store.remove_key(key);
    }
}

HRESULT apply_class(const typeinfo::ClassDesc& desc, RegistrarAction action, const std::string& module_path,
                    platform::RegistryStore& store) {
    const auto script = registration_script(desc.registration_resource);
    if (!script) return E_UNEXPECTED;
    return apply_registration_script(*script, action, module_path, store);
}

HRESULT store_failure(const platform::RegistryError& error) {
    switch (error.kind) {
        case platform::RegistryErrorKind::Unsafe: return E_ACCESSDENIED;
        case platform::RegistryErrorKind::Malformed: return REGDB_E_READREGDB;
        case platform::RegistryErrorKind::Io: break;
    }
    return REGDB_E_WRITEREGDB;
}

}  // namespace

HRESULT register_server(platform::RegistryStore& store, const std::string& module_path) {
    for (const typeinfo::ClassDesc& desc : typeinfo::classes())
        if (HRESULT hr = apply_class(desc, RegistrarAction::Register, module_path, store); FAILED(hr)) return hr;
    register_type_library(store, module_path);
    return S_OK;
}

HRESULT unregister_server(platform::RegistryStore& store, const std::string& module_path) {
    // A class whose text cannot be applied is skipped; the others still go.
    for (const typeinfo::ClassDesc& desc : typeinfo::classes()) (void)apply_class(desc, RegistrarAction::Unregister, module_path, store);
    unregister_type_library(store);
    return S_OK;
}

HRESULT register_server_in(const std::filesystem::path& store_path, const std::string& module_path) {
    HRESULT result = S_OK;
    auto saved = platform::RegistryStore::update(store_path, [&](platform::RegistryStore& store) {
        result = register_server(store, module_path);
        return true;  // keep what was written before a failing class
    });
    return saved ? result : store_failure(saved.error());
}

HRESULT unregister_server_in(const std::filesystem::path& store_path, const std::string& module_path) {
    HRESULT result = S_OK;
    auto saved = platform::RegistryStore::update(store_path, [&](platform::RegistryStore& store) {
        result = unregister_server(store, module_path);
        return true;
    });
    return saved ? result : store_failure(saved.error());
}

}  // namespace corvex::automation
