// corvex-regsvr [-u] PATH/TO/LIBRARY.so
//
// Loads a self-registering library and calls its DllRegisterServer (or, with
// -u, DllUnregisterServer), which writes its classes into the registry store
// ($CORVEX_REGISTRY, else the per-user store). Exit status 0 on success.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "corvex/platform/registry_store.h"
#include "corvex/platform/types.h"

namespace {

using EntryPoint = HRESULT (*)();

const char* explain(HRESULT hr) {
    switch (hr) {
        case E_ACCESSDENIED: return "the registry store is writable by other users";
        case REGDB_E_READREGDB: return "the registry store cannot be read or does not parse";
        case REGDB_E_WRITEREGDB: return "the registry store cannot be written";
        case E_OUTOFMEMORY: return "out of memory";
        case E_UNEXPECTED: return "the library cannot tell where its file is";
        default: return nullptr;
    }
}

int usage() {
    std::fputs("usage: corvex-regsvr [-u] PATH/TO/LIBRARY.so\n"
               "  registers the library's classes in the registry store; -u removes them\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0 || std::strcmp(argv[i], "/u") == 0) {
            unregister = true;
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            usage();
            return 0;
        } else if (!library) {
            library = argv[i];
        } else {
            return usage();
        }
    }
    if (!library) return usage();

    // An absolute path: the loader must take this file, not search for the name,
    // and the library records the path it was loaded from.
    std::error_code ec;
    const std::string path = std::filesystem::absolute(library, ec).string();
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        std::fprintf(stderr, "corvex-regsvr: cannot load %s: %s\n", path.c_str(), why ? why : "unknown error");
        return 1;
    }
    const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto entry = reinterpret_cast<EntryPoint>(::dlsym(handle, name));
    if (!entry) {
        std::fprintf(stderr, "corvex-regsvr: %s does not export %s\n", path.c_str(), name);
        return 1;
    }
    const HRESULT hr = entry();
    const std::string store = corvex::platform::RegistryStore::default_path().string();
    if (FAILED(hr)) {
        const char* why = explain(hr);
        std::fprintf(stderr, "corvex-regsvr: %s in %s failed: 0x%08X%s%s (store %s)\n", name, path.c_str(),
                     static_cast<unsigned>(hr), why ? ", " : "", why ? why : "", store.c_str());
        return 1;
    }
    std::printf("%s in %s succeeded (store %s).\n", name, path.c_str(), store.c_str());
    return 0;
}
