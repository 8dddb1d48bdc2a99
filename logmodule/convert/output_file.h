// A destination file that appears complete or not at all.
//
// The bytes go to a new file beside the destination, which replaces the
// destination only once every byte was written, synced and the file closed
// without error. A failure at any point removes the new file and leaves
// whatever the destination held before untouched, so a half-written file can
// never be taken for a good one.
//
// A destination that exists and is neither a regular file nor a folder (a
// device such as /dev/null, a pipe) is written directly: there is nothing to
// replace there, and renaming over it would destroy the node. A pipe that
// nobody reads is refused rather than waited on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvex::convert {

class OutputFile {
public:
    // Prepares a write to `destination` (UTF-8). No value when it cannot be
    // written: an empty name, a folder, a missing folder on the way, an
    // existing file that may not be written, no room for a new file.
    static std::optional<OutputFile> open(const std::string& destination);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    ~OutputFile();  // discards the new file unless it was committed

    // Appends bytes; false once any write failed (later writes are skipped).
    bool write(std::string_view bytes);
    // Syncs and closes the new file and puts it in place under the destination's
    // name. False on any failure, after which nothing of the new file remains.
    bool commit();

private:
    OutputFile(int fd, std::string temp_path, std::string final_path) noexcept;
    void discard() noexcept;

    int fd_ = -1;
    std::string temp_path_;   // empty when writing directly
    std::string final_path_;
    bool failed_ = false;
};

// True when both names exist and lead (through links) to the same file.
bool names_same_file(const std::string& a, const std::string& b);

}  // namespace corvex::convert
