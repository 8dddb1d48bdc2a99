// What every test area needs from the file system: a folder of its own that is
// removed with everything in it, files written into it and read back as bytes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace corvex::testing {

// A fresh folder under the system's temporary folder, removed with everything in
// it at the end of the scope (also after a test made parts of it unwritable).
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Writes `bytes` to `name` in the folder (replacing it) and answers its path.
    std::string write(const std::string& name, std::string_view bytes) const;
    // The names in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path path_;
};

// The file's bytes; empty when it cannot be read.
std::string read_file(const std::filesystem::path& path);

}  // namespace corvex::testing
