// The file an export writes, made to appear under its name only when done.
//
// The data goes to a new hidden file in the target's folder; commit() renames
// it over the target. A failed or abandoned export removes it, so no partial
// output is ever left under the chosen name and an existing file there stays
// as it was.
#pragma once

#include <filesystem>
#include <string_view>

#include "corvex/platform/expected.h"
#include "viewer/export/export_options.h"

namespace corvex::exporting {

class OutputFile {
public:
    // Fails when the target is a folder, an existing file that may not be
    // written, or lies in a folder where no file can be created.
    static Expected<OutputFile, ExportError> create(const std::filesystem::path& target);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    ~OutputFile();

    // Appends bytes; reports full disks and I/O errors.
    Expected<void, ExportError> write(std::string_view bytes);
    // Closes the descriptor so that another writer may fill the file by name.
    Expected<void, ExportError> close();
    // Flushes to the disk, closes, and renames over the target.
    Expected<void, ExportError> commit();

    const std::filesystem::path& temporary_path() const { return temporary_; }
    const std::filesystem::path& target() const { return target_; }

private:
    OutputFile(std::filesystem::path target, std::filesystem::path temporary, int fd)
        : target_(std::move(target)), temporary_(std::move(temporary)), fd_(fd) {}

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace corvex::exporting
