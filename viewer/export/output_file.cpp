#include "viewer/export/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#include "viewer/export/export_error.h"

namespace corvex::exporting {

namespace {

std::string random_suffix() {
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(engine()));
    return text;
}

}  // namespace

Expected<OutputFile, ExportError> OutputFile::create(const std::filesystem::path& target) {
    const std::string name = target.filename().string();
    if (name.empty()) return Unexpected(file_error(EISDIR, "create", target));

    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Unexpected(file_error(EISDIR, "create", target));
        if (::access(target.c_str(), W_OK) != 0) return Unexpected(file_error(errno, "overwrite", target));
    }

    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path temporary = folder / ("." + name + "." + random_suffix() + ".part");
        // 0666 less the umask: the permissions of any new file.
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return OutputFile(target, std::move(temporary), fd);
        if (errno != EEXIST) return Unexpected(file_error(errno, "create", target));
    }
    return Unexpected(file_error(EEXIST, "create", target));
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      fd_(std::exchange(other.fd_, -1)),
      committed_(std::exchange(other.committed_, true)) {}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
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
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) return Unexpected(file_error(errno, "replace", target_));
    committed_ = true;
    return {};
}

}  // namespace corvex::exporting
