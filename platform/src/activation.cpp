#include "corvex/platform/activation.h"

#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "corvex/platform/com_ptr.h"
#include "corvex/platform/guid_text.h"
#include "corvex/platform/registry_store.h"

namespace corvex::platform {
namespace {

using GetClassObjectFn = HRESULT (*)(const CLSID&, const IID&, void**);

thread_local std::string t_last_error;

HRESULT failure(HRESULT hr, std::string message) {
    t_last_error = std::move(message);
    return hr;
}

// Libraries stay loaded for the life of the process, as in-process servers do
// unless the client asks to free them; loading each one once also keeps its
// cached class factories and object counts in one place.
class LibraryCache {
public:
    static LibraryCache& instance() {
        static LibraryCache cache;
        return cache;
    }

    HRESULT entry_point(const std::string& path, GetClassObjectFn& fn) {
        std::lock_guard lock(mutex_);
        auto it = handles_.find(path);
        if (it == handles_.end()) {
            void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                const char* why = ::dlerror();
                return failure(CO_E_DLLNOTFOUND, "cannot load " + path + ": " + (why ? why : "unknown error"));
            }
            it = handles_.emplace(path, handle).first;
        }
        void* sym = ::dlsym(it->second, "DllGetClassObject");
        if (!sym) return failure(CO_E_ERRORINDLL, path + " does not export DllGetClassObject");
        fn = reinterpret_cast<GetClassObjectFn>(sym);
        return S_OK;
    }

private:
    std::mutex mutex_;
    std::map<std::string, void*> handles_;
};

// The stores in lookup order (RegistryStore::lookup_paths()), each read when
// the ones before it did not answer. A store that is missing reads as empty;
// one that cannot be trusted or read stops the lookup with its error, so a
// broken per-user store is reported rather than passed over.
class StoreChain {
public:
    // Calls `find` on each store in turn until it returns true: S_OK then,
    // S_FALSE when no store answered, else the failure of the store that
    // could not be read.
    template <class Find>
    HRESULT search(Find&& find) {
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            if (i == loaded_.size()) {
                auto store = RegistryStore::load(paths_[i]);
                if (!store) {
                    const HRESULT hr =
                        store.error().kind == RegistryErrorKind::Unsafe ? E_ACCESSDENIED : REGDB_E_READREGDB;
                    return failure(hr, store.error().message);
                }
                loaded_.push_back(std::move(store).value());
            }
            if (find(loaded_[i])) return S_OK;
        }
        return S_FALSE;
    }

    // "A or B", for messages.
    std::string names() const {
        std::string text;
        for (std::size_t i = 0; i < paths_.size(); ++i) text += (i ? " or " : "") + paths_[i].string();
        return text;
    }

private:
    std::vector<std::filesystem::path> paths_ = RegistryStore::lookup_paths();
    std::vector<RegistryStore> loaded_;
};

HRESULT class_object_from_library(const std::string& library_path, const CLSID& clsid, const IID& iid, void** ppv) {
    GetClassObjectFn get_class_object = nullptr;
    if (HRESULT hr = LibraryCache::instance().entry_point(library_path, get_class_object); FAILED(hr)) return hr;
    const HRESULT hr = get_class_object(clsid, iid, ppv);
    if (FAILED(hr)) return failure(hr, library_path + " has no class object " + format_guid(clsid));
    return hr;
}

HRESULT registered_library(const CLSID& clsid, std::string& path) {
    StoreChain stores;
    const std::string key = "CLSID\\" + format_guid(clsid) + "\\InprocServer32";
    const HRESULT hr = stores.search([&](const RegistryStore& store) {
        auto library = store.default_value(key);
        if (!library || library->empty()) return false;
        path = std::move(*library);
        return true;
    });
    if (hr == S_FALSE)
        return failure(REGDB_E_CLASSNOTREG, "class " + format_guid(clsid) + " is not registered in " + stores.names());
    return hr;
}

HRESULT create_from_factory(IClassFactory* factory, const IID& iid, void** ppv) {
    const HRESULT hr = factory->CreateInstance(nullptr, iid, ppv);
    if (FAILED(hr)) return failure(hr, "the class factory refused to create the object");
    return hr;
}

HRESULT lookup_prog_id(std::string_view prog_id, CLSID& clsid) {
    auto not_registered = [&] {
        return failure(REGDB_E_CLASSNOTREG, "program identifier '" + std::string(prog_id) + "' is not registered");
    };
    // A program identifier is one key name at the root.
    if (prog_id.find('\\') != std::string_view::npos || !RegistryStore::is_valid_key_path(prog_id) ||
        prog_id.empty())
        return not_registered();
    // A version-independent identifier normally carries its own CLSID; when it
    // does not, its CurVer names the current versioned identifier. Both steps
    // stay within the store that knows the identifier.
    std::string key, clsid_text;
    auto find = [&](const RegistryStore& store) {
        key = prog_id;
        for (int hops = 0; hops < 2; ++hops) {
            if (auto text = store.default_value(key + "\\CLSID")) {
                clsid_text = std::move(*text);
                return true;
            }
            auto current = store.default_value(key + "\\CurVer");
            if (!current || current->find('\\') != std::string::npos || !RegistryStore::is_valid_key_path(*current))
                return false;
            key = *current;
        }
        return false;
    };
    StoreChain stores;
    const HRESULT hr = stores.search(find);
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE) return not_registered();
    const auto parsed = parse_guid(clsid_text);
    if (!parsed) return failure(REGDB_E_CLASSNOTREG, "program identifier '" + key + "' names a malformed CLSID");
    clsid = *parsed;
    return S_OK;
}

}  // namespace

HRESULT get_class_object(const CLSID& clsid, const IID& iid, void** ppv) {
    t_last_error.clear();
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    std::string library;
    if (HRESULT hr = registered_library(clsid, library); FAILED(hr)) return hr;
    return class_object_from_library(library, clsid, iid, ppv);
}

HRESULT create_instance(const CLSID& clsid, const IID& iid, void** ppv) {
    t_last_error.clear();
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    ComPtr<IClassFactory> factory;
    if (HRESULT hr = get_class_object(clsid, IID_IClassFactory, factory.put_void()); FAILED(hr)) return hr;
    return create_from_factory(factory.get(), iid, ppv);
}

HRESULT create_instance(std::string_view prog_id, const IID& iid, void** ppv) {
    t_last_error.clear();
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    CLSID clsid{};
    if (HRESULT hr = lookup_prog_id(prog_id, clsid); FAILED(hr)) return hr;
    return create_instance(clsid, iid, ppv);
}

HRESULT create_instance_from_library(const std::string& library_path, const CLSID& clsid, const IID& iid,
                                     void** ppv) {
    t_last_error.clear();
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    ComPtr<IClassFactory> factory;
    if (HRESULT hr = class_object_from_library(library_path, clsid, IID_IClassFactory, factory.put_void()); FAILED(hr))
        return hr;
    return create_from_factory(factory.get(), iid, ppv);
}

std::optional<CLSID> clsid_from_prog_id(std::string_view prog_id) {
    CLSID clsid{};
    if (FAILED(lookup_prog_id(prog_id, clsid))) return std::nullopt;
    return clsid;
}

std::string last_activation_error() { return t_last_error; }

}  // namespace corvex::platform
