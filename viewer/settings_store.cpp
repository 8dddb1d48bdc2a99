#include "viewer/settings_store.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <system_error>
#include <utility>
#include <vector>

#include "corvex/platform/output_file.h"

namespace corvex::viewer {

namespace {

struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;  // in file order, keys unique
};

using Sections = std::vector<Section>;

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// The text of a value as written after "key=": quoted with escapes, or bare.
std::string decode_value(std::string_view raw) {
    raw = trim(raw);
    if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"') return std::string(raw);
    std::string out;
    for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\\' && i + 2 < raw.size()) {
            switch (raw[++i]) {
                case 't': c = '\t'; break;
                case 'r': c = '\r'; break;
                case 'n': c = '\n'; break;
                default: c = raw[i]; break;  // \" \\ and anything else stand for themselves
            }
        }
        out += c;
    }
    return out;
}

std::string encode_value(std::string_view value) {
    std::string out = "\"";
    for (const char c : value) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += c; break;
        }
    }
    out += '"';
    return out;
}

Section& section_named(Sections& sections, std::string_view name) {
    for (Section& s : sections)
        if (s.name == name) return s;
    sections.push_back(Section{std::string(name), {}});
    return sections.back();
}

void put(Section& section, std::string_view key, std::string value) {
    for (auto& [k, v] : section.values) {
        if (k == key) {
            v = std::move(value);
            return;
        }
    }
    section.values.emplace_back(std::string(key), std::move(value));
}

// Lines that are neither a section, a key nor a comment are dropped; a
// repeated key keeps its last value, as a reader going down the file sees it.
Sections parse(std::string_view text) {
    Sections sections;
    Section* current = nullptr;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            current = &section_named(sections, trim(line.substr(1, line.size() - 2)));
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || current == nullptr) continue;
        const std::string_view key = trim(line.substr(0, eq));
        if (key.empty()) continue;
        put(*current, key, decode_value(line.substr(eq + 1)));
    }
    return sections;
}

std::string print(const Sections& sections) {
    std::string out;
    for (const Section& s : sections) {
        if (!out.empty()) out += '\n';
        out += '[' + s.name + "]\n";
        for (const auto& [key, value] : s.values) out += key + '=' + encode_value(value) + '\n';
    }
    return out;
}

// The file's bytes; nullopt when it is missing or is not a readable file
// (a folder in its place reads as a missing file, never as an exception).
std::optional<std::string> read_whole(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::string text;
    char block[4096];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return text;
}

std::string failure(const std::filesystem::path& path, std::string_view what, std::string_view reason) {
    return "cannot save the settings in '" + path.string() + "': " + std::string(what) + ": " + std::string(reason);
}

Expected<void, std::string> replace_atomically(const std::filesystem::path& path, const std::string& text) {
    std::error_code ec;
    const std::filesystem::path folder = path.parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ec);
        if (ec) return Unexpected{failure(path, "create its folder", ec.message())};
    }
    platform::OutputOptions options;
    options.forced_mode = 0600;
    const auto written = platform::write_whole_file(path.native(), text, options);
    if (written) return {};
    switch (written.error().step) {
        case platform::OutputError::Step::Open: return Unexpected{failure(path, "create a temporary file", written.error().reason)};
        case platform::OutputError::Step::Write: return Unexpected{failure(path, "write", written.error().reason)};
        case platform::OutputError::Step::Commit: return Unexpected{failure(path, "write", written.error().reason)};
        case platform::OutputError::Step::Replace: break;
    }
    return Unexpected{failure(path, "replace", written.error().reason)};
}

}  // namespace

std::filesystem::path SettingsStore::default_path(std::string_view application) {
    if (const char* over = std::getenv("CORVEX_VIEWER_SETTINGS"); over && *over) return over;
    const std::string file = std::string(application) + ".ini";
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::filesystem::path(config) / "corvex" / file;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".config" / "corvex" / file;
}

std::string SettingsStore::get(std::string_view section, std::string_view key, std::string_view default_value) const {
    const auto text = read_whole(file_);
    if (!text) return std::string(default_value);
    for (const Section& s : parse(*text)) {
        if (s.name != section) continue;
        for (const auto& [k, v] : s.values)
            if (k == key) return v;
    }
    return std::string(default_value);
}

Expected<void, std::string> SettingsStore::set(std::string_view section, std::string_view key,
                                               std::string_view value) {
    Sections sections;
    if (const auto text = read_whole(file_)) sections = parse(*text);
    put(section_named(sections, section), key, std::string(value));
    return replace_atomically(file_, print(sections));
}

Expected<void, std::string> SettingsStore::set(std::string_view section, std::span<const KeyValue> values) {
    Sections sections;
    if (const auto text = read_whole(file_)) sections = parse(*text);
    Section& target = section_named(sections, section);
    for (const auto& [key, value] : values) put(target, key, value);
    return replace_atomically(file_, print(sections));
}

std::optional<std::int16_t> parse_int16(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int16_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace corvex::viewer
