#include "corvex/platform/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "corvex/platform/output_file.h"

namespace corvex::platform {
namespace {

namespace fs = std::filesystem;

// A store is a handful of keys per registered class; anything this large is not one.
constexpr std::size_t kMaxStoreBytes = 16u << 20;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

Unexpected<RegistryError> fail(RegistryErrorKind kind, std::string message) {
    return Unexpected<RegistryError>{{kind, std::move(message)}};
}

std::string errno_text(int err) { return std::strerror(err); }

std::size_t key_depth(std::string_view path) {
    return path.empty() ? 0 : static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')) + 1;
}

// Splits "A\\B\\C" into its names; nullopt when a name is empty or invalid
// or the path is deeper than a key may lie.
std::optional<std::vector<std::string_view>> split_path(std::string_view path) {
    std::vector<std::string_view> names;
    if (path.empty()) return names;
    if (key_depth(path) > RegistryStore::kMaxKeyDepth) return std::nullopt;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        std::string_view name = path.substr(start, end == std::string_view::npos ? path.npos : end - start);
        if (name.empty()) return std::nullopt;
        for (char c : name)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == ']') return std::nullopt;
        names.push_back(name);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return names;
}

// ---- quoted strings ---------------------------------------------------------

void append_quoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    char buf[5];
                    std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads a quoted string starting at line[pos] == '"'; advances pos past it.
std::optional<std::string> read_quoted(std::string_view line, std::size_t& pos) {
    if (pos >= line.size() || line[pos] != '"') return std::nullopt;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size()) return std::nullopt;
        switch (line[pos]) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'x': {
                if (pos + 2 >= line.size()) return std::nullopt;
                const int hi = hex_value(line[pos + 1]), lo = hex_value(line[pos + 2]);
                if (hi < 0 || lo < 0) return std::nullopt;
                out += static_cast<char>(hi * 16 + lo);
                pos += 2;
                break;
            }
            default: return std::nullopt;
        }
    }
    return std::nullopt;  // no closing quote
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

void print_values(std::string& out, const std::string& path, const RegistryStore::Key& key) {
    out += '[';
    out += path;
    out += "]\n";
    if (key.default_value) {
        out += '@';
        out += '=';
        append_quoted(out, *key.default_value);
        out += '\n';
    }
    for (const auto& [name, value] : key.values) {
        append_quoted(out, name);
        out += '=';
        append_quoted(out, value);
        out += '\n';
    }
    out += '\n';
}

// Every key below `root`, parents before their subkeys, in name order. Walked
// with a stack of its own rather than by recursion, so that no file decides
// how deep the call stack grows.
void print_keys(std::string& out, const RegistryStore::Key& root) {
    using Iterator = std::map<std::string, RegistryStore::Key, RegistryNameLess>::const_iterator;
    struct Level {
        Iterator next, end;
        std::size_t path_size;  // the path's length before this level's names
    };
    std::string path;
    std::vector<Level> levels{{root.subkeys.begin(), root.subkeys.end(), 0}};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.end) {
            levels.pop_back();
            continue;
        }
        const auto& [name, key] = *level.next++;
        path.resize(level.path_size);
        if (!path.empty()) path += '\\';
        path += name;
        print_values(out, path, key);
        levels.push_back({key.subkeys.begin(), key.subkeys.end(), path.size()});
    }
}

// ---- files --------------------------------------------------------------------

// Refuses a store that anyone but its owner (us or root) could change: it
// names libraries that clients load and run.
// A folder everyone can write (without the sticky bit) lets anyone replace the store.
Expected<void, RegistryError> check_folder(const fs::path& path) {
    struct stat st {};
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    if (::stat(dir.c_str(), &st) == 0 && (st.st_mode & S_IWOTH) && !(st.st_mode & S_ISVTX))
        return fail(RegistryErrorKind::Unsafe,
                    "registry store folder " + dir.string() + " is writable by everyone; refusing to use it");
    return {};
}

Expected<void, RegistryError> check_safe(const fs::path& path) {
    if (auto folder = check_folder(path); !folder) return folder;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return {};
        return fail(RegistryErrorKind::Io, "cannot inspect registry store " + path.string() + ": " + errno_text(errno));
    }
    if (!S_ISREG(st.st_mode))
        return fail(RegistryErrorKind::Unsafe, "registry store " + path.string() + " is not a regular file");
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        return fail(RegistryErrorKind::Unsafe, "registry store " + path.string() + " belongs to another user");
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return fail(RegistryErrorKind::Unsafe,
                    "registry store " + path.string() + " is writable by other users; refusing to use it");
    return {};
}

// Every user reads the system store; only root writes it.
bool is_system_store(const fs::path& path) { return path == RegistryStore::system_path(); }

Expected<void, RegistryError> make_folder(const fs::path& path) {
    if (!path.has_parent_path()) return {};
    std::error_code ec;
    const fs::path dir = path.parent_path();
    if (fs::is_directory(dir, ec)) return {};
    // Folders we create for a per-user store are private: the store names libraries to load.
    const mode_t mode = is_system_store(path) ? 0755 : 0700;
    fs::path built;
    for (const fs::path& part : dir) {
        built /= part;
        if (::mkdir(built.c_str(), mode) == 0) {
            ::chmod(built.c_str(), mode);  // whatever the umask: other users must reach the system store
        } else if (errno != EEXIST) {
            return fail(RegistryErrorKind::Io, "cannot create folder " + built.string() + ": " + errno_text(errno));
        }
    }
    return {};
}

class Fd {
public:
    explicit Fd(int fd) noexcept : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const noexcept { return fd_; }

private:
    int fd_;
};

}  // namespace

bool RegistryNameLess::operator()(std::string_view a, std::string_view b) const noexcept {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char x = lower(a[i]), y = lower(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

fs::path RegistryStore::default_path() {
    if (const char* p = std::getenv("CORVEX_REGISTRY"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') return fs::path(x) / "corvex" / "registry";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / ".config" / "corvex" / "registry";
}

fs::path RegistryStore::system_path() {
    if (const char* p = std::getenv("CORVEX_SYSTEM_REGISTRY"); p && *p) return p;
    return CORVEX_SYSTEM_REGISTRY_PATH;
}

std::vector<fs::path> RegistryStore::lookup_paths() {
    if (const char* p = std::getenv("CORVEX_REGISTRY"); p && *p) return {fs::path(p)};
    return {default_path(), system_path()};
}

bool RegistryStore::is_valid_key_path(std::string_view path) { return split_path(path).has_value(); }

// ---- parsing and printing -------------------------------------------------------

Expected<RegistryStore, RegistryError> RegistryStore::parse(std::string_view text) {
    RegistryStore store;
    Key* current = nullptr;
    std::size_t line_no = 0;
    auto malformed = [&](const std::string& what) {
        return fail(RegistryErrorKind::Malformed, "line " + std::to_string(line_no) + ": " + what);
    };
    while (!text.empty()) {
        ++line_no;
        const std::size_t nl = text.find('\n');
        std::string_view line = trim(text.substr(0, nl));
        text.remove_prefix(nl == text.npos ? text.size() : nl + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;

        if (line.front() == '[') {
            if (line.back() != ']') return malformed("key line without closing ']'");
            const std::string_view path = line.substr(1, line.size() - 2);
            if (key_depth(path) > kMaxKeyDepth)
                return malformed("key nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
            if (path.empty() || !split_path(path)) return malformed("invalid key name '" + std::string(path) + "'");
            store.create_key(path);
            current = store.find_mutable(path);
            continue;
        }
        if (!current) return malformed("value outside any key");
        std::size_t pos = 0;
        std::optional<std::string> name;
        if (line.front() == '@') {
            pos = 1;
        } else {
            name = read_quoted(line, pos);
            if (!name || name->empty()) return malformed("bad value name");
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') return malformed("expected '=' after the value name");
        ++pos;
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        std::optional<std::string> value = read_quoted(line, pos);
        if (!value) return malformed("bad quoted value");
        if (!trim(line.substr(pos)).empty()) return malformed("text after the value");
        if (name)
            current->values[*name] = std::move(*value);
        else
            current->default_value = std::move(*value);
    }
    return store;
}

std::string RegistryStore::print() const {
    std::string out = "; Corvex registry store: classes and type libraries of self-registering libraries.\n\n";
    print_keys(out, root_);
    return out;
}

// ---- lookups and edits ------------------------------------------------------------

const RegistryStore::Key* RegistryStore::find_key(std::string_view path) const {
    const auto names = split_path(path);
    if (!names) return nullptr;
    const Key* key = &root_;
    for (std::string_view name : *names) {
        auto it = key->subkeys.find(name);
        if (it == key->subkeys.end()) return nullptr;
        key = &it->second;
    }
    return key;
}

RegistryStore::Key* RegistryStore::find_mutable(std::string_view path) {
    return const_cast<Key*>(std::as_const(*this).find_key(path));
}

bool RegistryStore::has_key(std::string_view path) const { return !path.empty() && find_key(path) != nullptr; }

std::optional<std::string> RegistryStore::default_value(std::string_view path) const {
    const Key* key = path.empty() ? nullptr : find_key(path);
    return key ? key->default_value : std::nullopt;
}

std::optional<std::string> RegistryStore::value(std::string_view path, std::string_view name) const {
    const Key* key = path.empty() ? nullptr : find_key(path);
    if (!key) return std::nullopt;
    auto it = key->values.find(name);
    if (it == key->values.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> RegistryStore::subkey_names(std::string_view path) const {
    std::vector<std::string> names;
    if (const Key* key = find_key(path))
        for (const auto& entry : key->subkeys) names.push_back(entry.first);
    return names;
}

bool RegistryStore::create_key(std::string_view path) {
    const auto names = split_path(path);
    if (!names || names->empty()) return false;
    Key* key = &root_;
    for (std::string_view name : *names) {
        auto it = key->subkeys.find(name);
        if (it == key->subkeys.end()) it = key->subkeys.emplace(std::string(name), Key{}).first;
        key = &it->second;
    }
    return true;
}

bool RegistryStore::set_default_value(std::string_view path, std::string_view value) {
    if (!create_key(path)) return false;
    find_mutable(path)->default_value = std::string(value);
    return true;
}

bool RegistryStore::set_value(std::string_view path, std::string_view name, std::string_view value) {
    if (name.empty() || !create_key(path)) return false;
    Key* key = find_mutable(path);
    auto it = key->values.find(name);
    if (it == key->values.end())
        key->values.emplace(std::string(name), std::string(value));
    else
        it->second = std::string(value);
    return true;
}

bool RegistryStore::remove_key(std::string_view path) {
    const auto names = split_path(path);
    if (!names || names->empty()) return false;
    Key* parent = &root_;
    for (std::size_t i = 0; i + 1 < names->size(); ++i) {
        auto it = parent->subkeys.find((*names)[i]);
        if (it == parent->subkeys.end()) return false;
        parent = &it->second;
    }
    auto it = parent->subkeys.find(names->back());
    if (it == parent->subkeys.end()) return false;
    parent->subkeys.erase(it);
    return true;
}

// ---- loading and saving -------------------------------------------------------------

Expected<RegistryStore, RegistryError> RegistryStore::load(const fs::path& path) {
    if (auto safe = check_safe(path); !safe) return Unexpected<RegistryError>{safe.error()};
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return RegistryStore{};
        return fail(RegistryErrorKind::Io, "cannot open registry store " + path.string() + ": " + errno_text(errno));
    }
    std::string text;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(RegistryErrorKind::Io, "cannot read registry store " + path.string() + ": " + errno_text(errno));
        }
        if (n == 0) break;
        text.append(buf, static_cast<std::size_t>(n));
        if (text.size() > kMaxStoreBytes)
            return fail(RegistryErrorKind::Malformed, "registry store " + path.string() + " is too large to be one");
    }
    auto parsed = parse(text);
    if (!parsed)
        return fail(RegistryErrorKind::Malformed,
                    "registry store " + path.string() + " is malformed: " + parsed.error().message);
    return std::move(parsed).value();
}

Expected<void, RegistryError> RegistryStore::save(const fs::path& path) const {
    if (auto made = make_folder(path); !made) return made;
    if (auto folder = check_folder(path); !folder) return folder;
    OutputOptions options;
    options.forced_mode = is_system_store(path) ? 0644 : 0600;  // it names libraries that clients load
    const auto written = write_whole_file(path.native(), print(), options);
    if (written) return {};
    const std::string why = path.string() + ": " + written.error().reason;
    switch (written.error().step) {
        case OutputError::Step::Open: return fail(RegistryErrorKind::Io, "cannot create a temporary file beside " + why);
        case OutputError::Step::Write: return fail(RegistryErrorKind::Io, "cannot write registry store " + why);
        case OutputError::Step::Commit: return fail(RegistryErrorKind::Io, "cannot write registry store " + why);
        case OutputError::Step::Replace: break;
    }
    return fail(RegistryErrorKind::Io, "cannot replace registry store " + why);
}

Expected<void, RegistryError> RegistryStore::update(const fs::path& path,
                                                    const std::function<bool(RegistryStore&)>& change) {
    if (auto made = make_folder(path); !made) return made;
    if (auto folder = check_folder(path); !folder) return folder;
    const std::string lock_name = path.string() + ".lock";
    Fd lock(::open(lock_name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0)
        return fail(RegistryErrorKind::Io, "cannot open lock file " + lock_name + ": " + errno_text(errno));
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return fail(RegistryErrorKind::Io, "cannot lock " + lock_name + ": " + errno_text(errno));
    }
    auto store = load(path);
    if (!store) return Unexpected<RegistryError>{store.error()};
    if (!change(*store)) return {};
    return store->save(path);
}

}  // namespace corvex::platform
