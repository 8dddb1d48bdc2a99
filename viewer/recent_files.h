// File, Recent Files: the last logs opened, most recent first, kept in the
// settings store as section "RecentFiles", keys "File1" to "File8" (a path's
// bytes as they are; an empty value is no entry).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "corvex/platform/expected.h"

namespace corvex::viewer {

class SettingsStore;

inline constexpr std::size_t kRecentFiles = 8;

std::vector<std::string> recent_files(const SettingsStore& settings);

// Puts `path` first, dropping an earlier entry of the same path and what
// goes beyond eight; on failure one line naming the settings file.
Expected<void, std::string> remember_recent_file(SettingsStore& settings, const std::string& path);

}  // namespace corvex::viewer
