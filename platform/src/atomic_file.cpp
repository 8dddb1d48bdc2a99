#include "corvex/platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace corvex::platform {

Expected<void, AtomicWriteError> replace_file_atomically(const std::filesystem::path& path, std::string_view text) {
    using Step = AtomicWriteError::Step;
    std::string temporary = path.string() + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return Unexpected{AtomicWriteError{Step::CreateTemporary, errno}};
    auto abandon = [&](Step step, int err) {
        ::unlink(temporary.c_str());
        return Unexpected{AtomicWriteError{step, err}};
    };
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = errno;
            ::close(fd);
            return abandon(Step::Write, err);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd, 0600) != 0 || ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        return abandon(Step::Write, err);
    }
    if (::close(fd) != 0) return abandon(Step::Write, errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return abandon(Step::Replace, errno);
    // Make the rename itself durable.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd >= 0) {
        ::fsync(folder_fd);
        ::close(folder_fd);
    }
    return {};
}

}  // namespace corvex::platform
