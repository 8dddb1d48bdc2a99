// The one way this system writes a file: an export, a converted log, the
// registry store, the viewer's settings. One set of rules for every writer:
//
//  - A regular file (or a new name): the bytes go to a hidden temporary file
//    in the destination's folder, whose name always fits the folder's
//    NAME_MAX; commit() syncs it, closes it and renames it over the
//    destination. A failure at any point removes the temporary file and leaves
//    the destination exactly as it was. A replaced file keeps its permission
//    bits, without set-user-ID, set-group-ID and sticky; a new one gets the
//    mode asked for (0666 less the umask unless told otherwise).
//  - A link is followed to the name it points at, also when nothing is there
//    yet (that name is then created); a loop of links is refused.
//  - A name for a descriptor this process already holds (/dev/stdout,
//    /dev/stderr, /dev/fd/N, /proc/self/fd/N, reached directly or through
//    links) is written through that descriptor: appending where it was opened
//    for appending, at its offset otherwise, never truncated or renamed over.
//    A descriptor that is not open for writing (or was closed at start, see
//    program_guards.h) is refused, as is another process's descriptor.
//  - A pipe, a device or a socket is opened once and written directly; a pipe
//    that nobody reads is refused at once instead of waited on.
//  - A writer that needs a seekable file it can fill by name (the workbook
//    writer) asks for staging: for a direct destination the bytes then wait in
//    a temporary file of the temporary folder and are copied in at commit().
//  - Temporary files are registered for removal on SIGINT, SIGTERM, SIGHUP.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "corvex/platform/expected.h"
#include "corvex/platform/temporary_files.h"

namespace corvex::platform {

struct OutputError {
    enum class Step { Open, Write, Commit, Replace };  // Commit: sync, close or copy; Replace: the rename
    Step step = Step::Open;
    int error = 0;        // errno of the failure
    std::string reason;   // one line for people: strerror, or what is wrong in our words
};

struct OutputOptions {
    // Permissions of a file that did not exist; none: 0666 less the umask.
    std::optional<mode_t> new_file_mode;
    // Permissions of the file written in every case (the registry store's 0600).
    std::optional<mode_t> forced_mode;
    // The caller fills a file by name and needs it seekable (see above).
    bool staging = false;
};

class OutputFile {
public:
    enum class Kind {
        Replace,  // a temporary file renamed over the destination at commit()
        Direct,   // a pipe, device or held descriptor, written as it goes (or at commit() with staging)
    };

    // Prepares a write to `path` (file-name bytes). Fails for an empty name,
    // a folder, a missing or unwritable folder, an existing file that may not
    // be written, a pipe without a reader, a descriptor not open for writing.
    static Expected<OutputFile, OutputError> open(std::string_view path, const OutputOptions& options = {});

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    ~OutputFile();  // discards unless committed

    Expected<void, OutputError> write(std::string_view bytes);
    // Makes the output final: sync, close, rename (or copy the staging file
    // into the destination). On failure nothing of it remains.
    Expected<void, OutputError> commit();
    // Abandons the output: the temporary file goes, the destination stays.
    void discard() noexcept;

    Kind kind() const noexcept { return kind_; }
    // The descriptor the bytes go to (the temporary, staging or direct one).
    int descriptor() const noexcept { return fd_; }
    // The file a caller may fill by name: the temporary or staging file;
    // empty for a direct destination written without staging.
    const std::string& fill_path() const noexcept { return temporary_; }
    // The file that the output becomes (after links); for a held descriptor
    // its /proc/self/fd name.
    const std::string& final_path() const noexcept { return final_; }

private:
    OutputFile() = default;

    Kind kind_ = Kind::Replace;
    int fd_ = -1;          // Replace: the temporary file; Direct: the destination, or the staging file
    int direct_fd_ = -1;   // Direct with staging: the destination, written at commit()
    std::string temporary_;
    std::string final_;
    TemporaryFileRegistration registration_;
    bool done_ = false;
};

// Replaces `path` whole with `bytes` by the rules above; for small files.
Expected<void, OutputError> write_whole_file(std::string_view path, std::string_view bytes,
                                             const OutputOptions& options = {});

// True when both names exist and lead (through links) to the same file.
bool names_same_file(std::string_view a, std::string_view b);

}  // namespace corvex::platform
