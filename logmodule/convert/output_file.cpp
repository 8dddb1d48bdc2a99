#include "logmodule/convert/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace corvex::convert {
namespace {

// The file a link leads to, so that converting onto a link updates the file it
// names instead of replacing the link. The name itself when it is no link or
// its target does not resolve.
std::string resolve_link(const std::string& name) {
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
    char* resolved = ::realpath(name.c_str(), nullptr);  // allocates: no length limit
    if (!resolved) return name;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::string unique_suffix() {
    static std::atomic<unsigned> counter{0};
    const auto tick = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    return ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
           std::to_string(tick % 1000000007ULL);
}

}  // namespace

std::optional<OutputFile> OutputFile::open(const std::string& destination) {
    if (destination.empty()) return std::nullopt;
    const std::string final_path = resolve_link(destination);
    const std::filesystem::path final_fs(final_path);
    const std::string leaf = final_fs.filename().string();
    if (leaf.empty() || leaf == "." || leaf == "..") return std::nullopt;

    struct stat st {};
    bool keep_mode = false;
    if (::stat(final_path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return std::nullopt;
        if (!S_ISREG(st.st_mode)) {
            // Non-blocking, so that a pipe nobody reads is refused instead of
            // waiting for a reader; the writes themselves block as usual.
            const int fd = ::open(final_path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
            if (fd < 0) return std::nullopt;
            const int flags = ::fcntl(fd, F_GETFL);
            if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
                ::close(fd);
                return std::nullopt;
            }
            return OutputFile(fd, {}, final_path);
        }
        // Replacing a file goes through its folder; still refuse a file that
        // may not be written, as truncating it in place would be refused.
        if (::faccessat(AT_FDCWD, final_path.c_str(), W_OK, AT_EACCESS) != 0) return std::nullopt;
        keep_mode = true;
    }

    std::string folder = final_fs.parent_path().string();
    if (folder.empty()) folder = ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = folder + "/." + leaf + unique_suffix();
        // 0666 under the process's umask, as any newly created file.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            if (keep_mode) (void)::fchmod(fd, st.st_mode & 07777);
            return OutputFile(fd, std::move(temp), final_path);
        }
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

OutputFile::OutputFile(int fd, std::string temp_path, std::string final_path) noexcept
    : fd_(fd), temp_path_(std::move(temp_path)), final_path_(std::move(final_path)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      temp_path_(std::move(other.temp_path_)),
      final_path_(std::move(other.final_path_)),
      failed_(other.failed_) {
    other.temp_path_.clear();
}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::write(std::string_view bytes) {
    if (failed_ || fd_ < 0) return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool OutputFile::commit() {
    if (failed_ || fd_ < 0) {
        discard();
        return false;
    }
    const bool direct = temp_path_.empty();
    // A sync surfaces write errors the kernel deferred (full disk on a network
    // file system, an I/O error); a device written directly need not support it.
    if (!direct && ::fsync(fd_) != 0) {
        discard();
        return false;
    }
    const int closed = ::close(std::exchange(fd_, -1));
    if (closed != 0) {
        discard();
        return false;
    }
    if (direct) return true;
    if (::rename(temp_path_.c_str(), final_path_.c_str()) != 0) {
        discard();
        return false;
    }
    temp_path_.clear();
    // Make the new name itself durable; a folder that cannot be synced loses nothing written.
    std::string folder = std::filesystem::path(final_path_).parent_path().string();
    if (folder.empty()) folder = ".";
    const int dir_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        (void)::fsync(dir_fd);
        ::close(dir_fd);
    }
    return true;
}

void OutputFile::discard() noexcept {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!temp_path_.empty()) {
        ::unlink(temp_path_.c_str());
        temp_path_.clear();
    }
}

bool names_same_file(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace corvex::convert
