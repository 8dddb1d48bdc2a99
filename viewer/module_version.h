// The version of the log module file, as the About box shows it.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace corvex::viewer {

// Reads the file version of a library, remembering the last version read: a
// file without version information leaves the previous text in place (empty
// before the first successful read) after `on_missing` has been told.
class ModuleVersion {
public:
    // Returns the file version text ("1.0.0.7") of `library`.
    const std::string& read(const std::filesystem::path& library, const std::function<void()>& on_missing);

private:
    std::string text_;
};

}  // namespace corvex::viewer
