// The viewer's per-user settings: string values addressed by section and key,
// read with a default that the caller supplies.
//
// Each application has its own INI file:
//     [ExportOptions]
//     IncludeErrors="1"
//     [DELIMITER]
//     DELIMITER="; "
// Values are written in double quotes with backslash escapes (\" \\ \t \r \n),
// so blanks at either end and any character survive; an unquoted value (typed
// by hand) is read without its surrounding blanks. Section and key names
// compare exactly. Every write reads the file afresh, changes one value and
// replaces the file atomically (temporary file, then rename), so a crash never
// leaves half a file and other values written meanwhile are kept.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "corvex/platform/expected.h"

namespace corvex::viewer {

class SettingsStore {
public:
    // The store of `application`: $CORVEX_VIEWER_SETTINGS when set (tests),
    // else $XDG_CONFIG_HOME/corvex/<application>.ini, else
    // ~/.config/corvex/<application>.ini.
    static std::filesystem::path default_path(std::string_view application);

    explicit SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

    // The stored value, or `default_value` when the file, section or key is missing.
    std::string get(std::string_view section, std::string_view key, std::string_view default_value) const;

    // Stores `value`, creating the file, its folder, the section and the key as
    // needed. On failure the error is one line naming the file.
    Expected<void, std::string> set(std::string_view section, std::string_view key, std::string_view value);
    // Stores several values of one section in one replacement of the file.
    using KeyValue = std::pair<std::string, std::string>;
    Expected<void, std::string> set(std::string_view section, std::span<const KeyValue> values);

    const std::filesystem::path& path() const noexcept { return file_; }

private:
    std::filesystem::path file_;
};

// A stored number read as a 16-bit integer: optional blanks around an optional
// sign and decimal digits. nullopt for anything else or a value out of range.
std::optional<std::int16_t> parse_int16(std::string_view text);

}  // namespace corvex::viewer
