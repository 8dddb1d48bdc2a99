// The file an export writes, made to appear under its name only when done.
//
// The data goes to a new hidden file in the target's folder; commit() renames
// it over the target. A failed or abandoned export removes it, so no partial
// output is ever left under the chosen name and an existing file there stays
// as it was. A link is followed to the file it names, and a replaced file
// keeps its permissions. A pipe or a device is never renamed over: the data
// wait in a temporary file of the temporary folder and are copied into it
// at commit().
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
    // Flushes to the disk, closes, and renames over the target (or copies into
    // a pipe or device).
    Expected<void, ExportError> commit();

    const std::filesystem::path& temporary_path() const { return temporary_; }
    const std::filesystem::path& target() const { return target_; }

private:
    OutputFile(std::filesystem::path target, std::filesystem::path temporary, int fd)
        : target_(std::move(target)), temporary_(std::move(temporary)), fd_(fd) {}
    static Expected<OutputFile, ExportError> create_direct(const std::filesystem::path& target,
                                                           const std::filesystem::path& final_path);
    Expected<void, ExportError> copy_to_device();

    std::filesystem::path target_;     // as chosen, for messages
    std::filesystem::path temporary_;
    std::filesystem::path final_;      // where the data end up: the target, or the file its link names
    int fd_ = -1;
    int device_fd_ = -1;               // a pipe or device written at commit()
    bool committed_ = false;
};

}  // namespace corvex::exporting
