// The per-user registry store: our stand-in for the classes root of the system
// registry, where self-registering libraries record their classes and clients
// look them up.
//
// It is a small text file of keys, each with an optional default value and
// named string values, in the familiar exported-registry form:
//
//     [CLSID\{1B466F30-659E-11D5-8ABD-00D0B760DD12}\InprocServer32]
//     @="/usr/lib/libCorvex.so"
//     "ThreadingModel"="Apartment"
//
// Key and value names compare without regard to ASCII case, as the system
// registry's do, and keep the case they were written with. The per-user store
// lives at $CORVEX_REGISTRY, else $XDG_CONFIG_HOME/corvex/registry, else
// ~/.config/corvex/registry. An installation has a system-wide store as well
// (system_path(), /etc/corvex/registry under /usr), written as root by
// `corvex-regsvr --system` and read after the per-user one, so that a user's
// own registration wins. A store is written atomically (temporary file, then
// rename): a per-user one with permissions 0600 in a folder of its own (0700),
// the system one 0644 in a 0755 folder, since every user reads it. A store that
// other users can write is refused: it names libraries that clients load into
// their process.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/platform/expected.h"

namespace corvex::platform {

enum class RegistryErrorKind {
    Unsafe,     // others can write the store or its folder, or someone else owns it
    Malformed,  // the text does not parse; nothing is overwritten
    Io,         // reading, writing or locking failed
};

struct RegistryError {
    RegistryErrorKind kind;
    std::string message;  // one line for people: path, line number, what went wrong
};

// Case-insensitive (ASCII) ordering of key and value names.
struct RegistryNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
};

class RegistryStore {
public:
    static constexpr std::size_t kMaxKeyDepth = 512;

    struct Key {
        std::optional<std::string> default_value;
        std::map<std::string, std::string, RegistryNameLess> values;
        std::map<std::string, Key, RegistryNameLess> subkeys;
    };

    // The per-user store's location from the environment (see above); the
    // store that registration writes.
    static std::filesystem::path default_path();
    // The system-wide store: $CORVEX_SYSTEM_REGISTRY, else corvex/registry in
    // the installation's configuration folder.
    static std::filesystem::path system_path();
    // The stores a class is looked up in, first to last: the store that
    // $CORVEX_REGISTRY names, alone (a private store, as the build tree and the
    // tests use, is not mixed with the installation's); else the per-user store,
    // then the system store.
    static std::vector<std::filesystem::path> lookup_paths();

    // Reads a store. A missing file is an empty store; an unsafe or malformed
    // one (a key nested deeper than kMaxKeyDepth included) is an error.
    static Expected<RegistryStore, RegistryError> load(const std::filesystem::path& path);
    // Writes the store atomically with permissions 0600, creating its folder
    // (0700) when needed; the system store with 0644 in a 0755 folder.
    Expected<void, RegistryError> save(const std::filesystem::path& path) const;

    // Loads the store under an exclusive lock (a ".lock" file beside it), lets
    // `change` edit it, and saves it when `change` returns true. Concurrent
    // registrations then never lose each other's keys.
    static Expected<void, RegistryError> update(const std::filesystem::path& path,
                                                const std::function<bool(RegistryStore&)>& change);

    static Expected<RegistryStore, RegistryError> parse(std::string_view text);
    std::string print() const;

    // Key paths are names joined by backslashes: "CLSID\\{...}\\InprocServer32".
    // An empty path names the root. Empty names and names holding control
    // characters, ']' or '\\' are not valid key names, and no key lies more
    // than kMaxKeyDepth levels below the root (the system registry's limit;
    // real keys are a handful of levels deep). The bound keeps every walk of
    // the key tree, including its destruction, within a small stack.
    static bool is_valid_key_path(std::string_view path);

    bool has_key(std::string_view path) const;
    const Key* find_key(std::string_view path) const;
    std::optional<std::string> default_value(std::string_view path) const;
    std::optional<std::string> value(std::string_view path, std::string_view name) const;
    std::vector<std::string> subkey_names(std::string_view path) const;

    // Creates the key and any missing parents; false for an invalid path
    // (including one deeper than kMaxKeyDepth).
    bool create_key(std::string_view path);
    bool set_default_value(std::string_view path, std::string_view value);
    bool set_value(std::string_view path, std::string_view name, std::string_view value);
    // Removes the key with all its subkeys; false when it did not exist.
    bool remove_key(std::string_view path);

    const Key& root() const noexcept { return root_; }
    bool empty() const noexcept { return root_.subkeys.empty(); }

private:
    Key* find_mutable(std::string_view path);
    Key root_;
};

}  // namespace corvex::platform
