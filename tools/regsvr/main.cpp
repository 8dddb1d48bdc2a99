// corvex-regsvr [--system] [-u] PATH/TO/LIBRARY.so
//
// Loads a self-registering library and calls its DllRegisterServer (or, with
// -u, DllUnregisterServer), which writes its classes into the registry store
// ($CORVEX_REGISTRY, else the per-user store). With --system the store is the
// system-wide one that activation reads after the per-user store (an
// installation's, written as root by the package's install scripts): the
// library writes whichever store CORVEX_REGISTRY names, so the tool names the
// system store there before loading it. Exit status 0 on success.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
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

constexpr char kUsage[] =
    "Usage: corvex-regsvr [OPTIONS] LIBRARY\n"
    "Register the classes of a self-registering library (libCorvex.so) in the registry store,\n"
    "or remove them.\n"
    "\n"
    "Options:\n"
    "  -u, --unregister   remove the library's classes instead\n"
    "      --system       use the system-wide store, read by every user after their own\n"
    "                     (needs root)\n"
    "  -h, --help         print this help and exit\n"
    "      --version      print the version and exit\n"
    "\n"
    "The per-user store is $CORVEX_REGISTRY, else $XDG_CONFIG_HOME/corvex/registry\n"
    "(~/.config/corvex/registry); the system store is $CORVEX_SYSTEM_REGISTRY, else\n"
    "the installation's corvex/registry (/etc/corvex/registry for a package).\n"
    "Exit status 0 on success, 1 when loading or registering fails, 2 on a usage error.\n";

int usage_error() {
    std::fputs(kUsage, stderr);
    return 2;
}

bool is(const char* arg, const char* a, const char* b = nullptr) {
    return std::strcmp(arg, a) == 0 || (b && std::strcmp(arg, b) == 0);
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    bool system = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (is(argv[i], "-u", "--unregister") || is(argv[i], "/u")) {
            unregister = true;
        } else if (is(argv[i], "--system")) {
            system = true;
        } else if (is(argv[i], "-h", "--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (is(argv[i], "--version")) {
            std::puts("corvex-regsvr " CORVEX_VERSION);
            return 0;
        } else if (!library) {
            library = argv[i];
        } else {
            return usage_error();
        }
    }
    if (!library) return usage_error();
    if (system && ::setenv("CORVEX_REGISTRY", corvex::platform::RegistryStore::system_path().c_str(), 1) != 0) {
        std::perror("corvex-regsvr: setenv");
        return 1;
    }

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
