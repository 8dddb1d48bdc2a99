#include "viewer/recent_files.h"

#include <algorithm>

#include "viewer/settings_store.h"

namespace corvex::viewer {

namespace {

constexpr char kSection[] = "RecentFiles";

std::string key(std::size_t i) { return "File" + std::to_string(i + 1); }

}  // namespace

std::vector<std::string> recent_files(const SettingsStore& settings) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < kRecentFiles; ++i) {
        std::string path = settings.get(kSection, key(i), "");
        if (!path.empty() && std::find(files.begin(), files.end(), path) == files.end()) files.push_back(std::move(path));
    }
    return files;
}

Expected<void, std::string> remember_recent_file(SettingsStore& settings, const std::string& path) {
    std::vector<std::string> files = recent_files(settings);
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
    files.insert(files.begin(), path);
    files.resize(kRecentFiles);
    std::vector<SettingsStore::KeyValue> values;
    for (std::size_t i = 0; i < kRecentFiles; ++i) values.emplace_back(key(i), files[i]);
    return settings.set(kSection, values);
}

}  // namespace corvex::viewer
