#include "logmodule/formats/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace corvex::formats {

std::int64_t ByteSource::seek_target(std::int64_t base, std::int64_t offset) {
    if (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset) return -1;
    const std::int64_t target = base + offset;
    return target < 0 ? -1 : target;
}

namespace {

// pread until `size` bytes arrived, the file ended or an error occurred.
std::size_t pread_fully(int fd, std::uint8_t* out, std::size_t size, std::int64_t at) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, out + done, size - done, static_cast<off_t>(at) + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace

std::unique_ptr<FileByteSource> FileByteSource::open(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return nullptr;
    // Non-blocking, so that opening a FIFO cannot hang; only regular files
    // are logs (positioned reads need them).
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return nullptr;
    }
    return std::unique_ptr<FileByteSource>(new FileByteSource(fd));
}

FileByteSource::FileByteSource(int fd) : fd_(fd), buffer_(new std::uint8_t[kBufferSize]) {}

FileByteSource::~FileByteSource() { ::close(fd_); }

bool FileByteSource::fill(std::int64_t at) {
    buffer_start_ = at;
    buffer_length_ = pread_fully(fd_, buffer_.get(), kBufferSize, at);
    return buffer_length_ > 0;
}

std::size_t FileByteSource::read(void* out, std::size_t size) {
    auto* dst = static_cast<std::uint8_t*>(out);
    std::size_t delivered = 0;
    while (delivered < size) {
        const std::int64_t buffer_end = buffer_start_ + static_cast<std::int64_t>(buffer_length_);
        if (position_ >= buffer_start_ && position_ < buffer_end) {
            const auto offset = static_cast<std::size_t>(position_ - buffer_start_);
            const std::size_t n = std::min(size - delivered, buffer_length_ - offset);
            std::memcpy(dst + delivered, buffer_.get() + offset, n);
            delivered += n;
            position_ += static_cast<std::int64_t>(n);
        } else if (size - delivered >= kBufferSize) {
            const std::size_t n = pread_fully(fd_, dst + delivered, size - delivered, position_);
            delivered += n;
            position_ += static_cast<std::int64_t>(n);
            break;
        } else if (!fill(position_)) {
            break;
        }
    }
    return delivered;
}

bool FileByteSource::seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current) base = position_;
    if (origin == SeekOrigin::End) {
        base = size();
        if (base < 0) return false;
    }
    const std::int64_t target = seek_target(base, offset);
    if (target < 0) return false;
    position_ = target;
    return true;
}

std::int64_t FileByteSource::size() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

MemoryByteSource::MemoryByteSource(std::string owned) : owned_(std::move(owned)) {
    bytes_ = std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(owned_.data()), owned_.size());
}

std::size_t MemoryByteSource::read(void* out, std::size_t size) {
    const auto length = static_cast<std::int64_t>(bytes_.size());
    if (position_ >= length || size == 0) return 0;
    const std::size_t n = std::min(size, static_cast<std::size_t>(length - position_));
    std::memcpy(out, bytes_.data() + position_, n);
    position_ += static_cast<std::int64_t>(n);
    return n;
}

bool MemoryByteSource::seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current) base = position_;
    if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(bytes_.size());
    const std::int64_t target = seek_target(base, offset);
    if (target < 0) return false;
    position_ = target;
    return true;
}

}  // namespace corvex::formats
