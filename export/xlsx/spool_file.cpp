#include "export/xlsx/spool_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

namespace corvex::xlsx {

namespace {

constexpr std::size_t kReadPiece = 1 << 20;

// An unnamed file in `folder`: O_TMPFILE where the file system has it, else a
// named file removed at once.
int open_unnamed(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    std::string pattern = (folder / ".corvex-xlsx-XXXXXX").string();
    const int named = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (named < 0) return -1;
    if (::unlink(pattern.c_str()) != 0) {
        const int error = errno;
        ::close(named);
        errno = error;
        return -1;
    }
    return named;
}

}  // namespace

Expected<SpoolFile, Error> SpoolFile::create(const std::filesystem::path& folder) {
    const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
    const int fd = open_unnamed(where);
    if (fd < 0) return Unexpected(io_error(errno, "create a temporary file in '" + where.string() + "'"));
    return SpoolFile(fd, where);
}

SpoolFile::SpoolFile(SpoolFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), folder_(std::move(other.folder_)), size_(other.size_) {}

SpoolFile& SpoolFile::operator=(SpoolFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        folder_ = std::move(other.folder_);
        size_ = other.size_;
    }
    return *this;
}

SpoolFile::~SpoolFile() {
    if (fd_ >= 0) ::close(fd_);
}

Expected<void, Error> SpoolFile::append(std::span<const unsigned char> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(size_));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            return Unexpected(io_error(n < 0 ? errno : EIO, "write a temporary file in '" + folder_.string() + "'"));
        }
        size_ += static_cast<std::uint64_t>(n);
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return {};
}

Expected<void, Error> SpoolFile::read(std::uint64_t offset, std::uint64_t length, const Sink& sink) const {
    std::vector<unsigned char> piece(static_cast<std::size_t>(std::min<std::uint64_t>(length, kReadPiece)));
    while (length > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(length, piece.size()));
        const ssize_t n = ::pread(fd_, piece.data(), want, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            return Unexpected(io_error(n < 0 ? errno : EIO, "read a temporary file in '" + folder_.string() + "'"));
        }
        if (auto taken = sink(std::span(piece.data(), static_cast<std::size_t>(n))); !taken) return taken;
        offset += static_cast<std::uint64_t>(n);
        length -= static_cast<std::uint64_t>(n);
    }
    return {};
}

}  // namespace corvex::xlsx
