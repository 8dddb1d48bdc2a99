#include "viewer/export/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>

#include "viewer/export/export_error.h"

namespace corvex::exporting {

namespace {

// The file a link leads to; the name itself when it is no link or does not resolve.
std::filesystem::path resolve_link(const std::filesystem::path& name) {
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
    char* resolved = ::realpath(name.c_str(), nullptr);
    if (!resolved) return name;
    std::filesystem::path result(resolved);
    std::free(resolved);
    return result;
}

std::string random_suffix() {
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(engine()));
    return text;
}

// A new hidden file in `folder`: its path and descriptor.
Expected<std::pair<std::filesystem::path, int>, ExportError> create_temporary(const std::filesystem::path& folder,
                                                                               const std::string& name,
                                                                               const std::filesystem::path& target) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path temporary = folder / ("." + name + "." + random_suffix() + ".part");
        // 0666 less the umask: the permissions of any new file.
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return std::pair{std::move(temporary), fd};
        if (errno != EEXIST) return Unexpected(file_error(errno, "create", target));
    }
    return Unexpected(file_error(EEXIST, "create", target));
}

}  // namespace

Expected<OutputFile, ExportError> OutputFile::create(const std::filesystem::path& target) {
    const std::string name = target.filename().string();
    if (name.empty()) return Unexpected(file_error(EISDIR, "create", target));

    // Through a link to the file it names: renaming over the link would replace
    // the link and leave its file as it was.
    const std::filesystem::path final_path = resolve_link(target);
    bool keep_mode = false;
    struct stat st {};
    if (::stat(final_path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Unexpected(file_error(EISDIR, "create", target));
        if (!S_ISREG(st.st_mode)) return create_direct(target, final_path);
        if (::access(final_path.c_str(), W_OK) != 0) return Unexpected(file_error(errno, "overwrite", target));
        keep_mode = true;
    }

    const std::filesystem::path folder =
        final_path.has_parent_path() ? final_path.parent_path() : std::filesystem::path(".");
    auto temporary = create_temporary(folder, final_path.filename().string(), target);
    if (!temporary) return Unexpected(temporary.error());
    // A replaced file keeps its permissions; a new one gets 0666 less the umask.
    if (keep_mode) (void)::fchmod(temporary->second, st.st_mode & 07777);
    OutputFile file(target, std::move(temporary->first), temporary->second);
    file.final_ = final_path;
    return file;
}

// A pipe or a device cannot be renamed over without destroying the node:
// the export goes to a temporary file elsewhere and is copied in when done.
Expected<OutputFile, ExportError> OutputFile::create_direct(const std::filesystem::path& target,
                                                            const std::filesystem::path& final_path) {
    const int device = ::open(final_path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (device < 0) return Unexpected(file_error(errno, "open", target));
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) folder = "/tmp";
    auto temporary = create_temporary(folder, "corvex-export", target);
    if (!temporary) {
        ::close(device);
        return Unexpected(temporary.error());
    }
    OutputFile file(target, std::move(temporary->first), temporary->second);
    file.final_ = final_path;
    file.device_fd_ = device;
    return file;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      final_(std::move(other.final_)),
      fd_(std::exchange(other.fd_, -1)),
      device_fd_(std::exchange(other.device_fd_, -1)),
      committed_(std::exchange(other.committed_, true)) {}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (device_fd_ >= 0) ::close(device_fd_);
    if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

Expected<void, ExportError> OutputFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return Unexpected(file_error(errno, "write", target_));
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

Expected<void, ExportError> OutputFile::close() {
    if (fd_ < 0) return {};
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) return Unexpected(file_error(errno, "write", target_));
    return {};
}

Expected<void, ExportError> OutputFile::commit() {
    if (device_fd_ >= 0) return copy_to_device();
    if (fd_ >= 0) {
        if (::fsync(fd_) != 0 && errno != EINVAL) return Unexpected(file_error(errno, "write", target_));
        if (auto closed = close(); !closed) return closed;
    } else {
        // Filled by another writer: flush what it wrote.
        const int fd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return Unexpected(file_error(errno, "write", target_));
        const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
        const int err = errno;
        ::close(fd);
        if (!synced) return Unexpected(file_error(err, "write", target_));
    }
    if (::rename(temporary_.c_str(), final_.c_str()) != 0) return Unexpected(file_error(errno, "replace", target_));
    committed_ = true;
    return {};
}

Expected<void, ExportError> OutputFile::copy_to_device() {
    if (auto closed = close(); !closed) return closed;
    const int in = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Unexpected(file_error(errno, "write", target_));
    fd_ = in;  // closed with the file; the temporary file goes in the destructor
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Unexpected(file_error(errno, "write", target_));
        if (n == 0) break;
        std::string_view bytes(buffer, static_cast<std::size_t>(n));
        while (!bytes.empty()) {
            const ssize_t w = ::write(device_fd_, bytes.data(), bytes.size());
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) return Unexpected(file_error(errno, "write", target_));
            bytes.remove_prefix(static_cast<std::size_t>(w));
        }
    }
    if (::close(std::exchange(device_fd_, -1)) != 0) return Unexpected(file_error(errno, "write", target_));
    return {};
}

}  // namespace corvex::exporting
