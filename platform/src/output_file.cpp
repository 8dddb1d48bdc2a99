#include "corvex/platform/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "destination.h"

namespace corvex::platform {

namespace {

using detail::open_error;

OutputError step_error(OutputError::Step step, int error) {
    OutputError e;
    e.step = step;
    e.error = error;
    e.reason = std::strerror(error);
    return e;
}

// Eight hex digits that no other writer in this or another process is likely
// to pick at the same moment; O_EXCL settles any clash.
std::string random_tag() {
    std::uint32_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
        static std::atomic<std::uint32_t> counter{0};
        bits = static_cast<std::uint32_t>(::getpid()) * 2654435761u + counter.fetch_add(1) * 40503u;
    }
    char text[9];
    std::snprintf(text, sizeof text, "%08x", bits);
    return text;
}

// At most `limit` leading bytes of `leaf`, not ending inside a UTF-8 sequence.
std::string_view leading_bytes(std::string_view leaf, std::size_t limit) {
    if (leaf.size() <= limit) return leaf;
    std::size_t cut = limit;
    // Step back over continuation bytes to the start of the sequence they belong to.
    while (cut > 0 && (static_cast<unsigned char>(leaf[cut]) & 0xC0) == 0x80) --cut;
    return leaf.substr(0, cut);
}

// ".<leaf>.<tag>.part" in `folder`, cut so that it fits the folder's NAME_MAX.
std::string temporary_name(const std::string& folder, std::string_view leaf) {
    long name_max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (name_max <= 0) name_max = 255;
    constexpr std::string_view kSuffix = ".part";
    const std::string tag = random_tag();
    const std::size_t fixed = 1 + 1 + tag.size() + kSuffix.size();
    const std::size_t room = static_cast<std::size_t>(name_max) > fixed ? static_cast<std::size_t>(name_max) - fixed : 0;
    std::string name = ".";
    name += leading_bytes(leaf, room);
    name += '.';
    name += tag;
    name += kSuffix;
    return (folder == "/" ? "/" : folder + "/") + name;
}

// Holds back the signals that remove temporary files while one is created
// and registered, so that none can end the process in between.
class SignalsHeldBack {
public:
    SignalsHeldBack() {
        sigset_t held;
        sigemptyset(&held);
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, s);
        ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeldBack() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeldBack(const SignalsHeldBack&) = delete;
    SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;

private:
    sigset_t previous_;
};

struct Temporary {
    std::string path;
    int fd = -1;
    TemporaryFileRegistration registration;
};

// A new file that no one else can have opened, registered for removal on a signal.
Expected<Temporary, OutputError> create_temporary(const std::string& folder, std::string_view leaf, mode_t mode) {
    const SignalsHeldBack held;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = temporary_name(folder, leaf);
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0) {
            TemporaryFileRegistration registration(path);
            return Temporary{std::move(path), fd, std::move(registration)};
        }
        if (errno != EEXIST) return Unexpected(open_error(errno));
    }
    return Unexpected(open_error(EEXIST));
}

std::string temporary_folder() {
    const char* tmpdir = std::getenv("TMPDIR");
    struct stat st {};
    if (tmpdir && *tmpdir == '/' && ::stat(tmpdir, &st) == 0 && S_ISDIR(st.st_mode)) return tmpdir;
    return "/tmp";
}

Expected<void, OutputError> write_all(int fd, std::string_view bytes, OutputError::Step step) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Unexpected(step_error(step, n < 0 ? errno : EIO));
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

void sync_folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);  // the new name is in place either way; this only makes it durable sooner
        ::close(fd);
    }
}

}  // namespace

Expected<OutputFile, OutputError> OutputFile::open(std::string_view name, const OutputOptions& options) {
    auto resolved = detail::resolve_destination(name);
    if (!resolved) return Unexpected(resolved.error());

    OutputFile file;
    int direct = -1;
    if (resolved->kind == detail::Destination::Kind::HeldDescriptor) {
        // Our own descriptor on the same open file: its offset and O_APPEND are shared.
        direct = ::fcntl(resolved->descriptor, F_DUPFD_CLOEXEC, 3);
        if (direct < 0) return Unexpected(open_error(errno));
        file.final_ = "/proc/self/fd/" + std::to_string(resolved->descriptor);
    } else {
        file.final_ = std::move(resolved->path);
        struct stat st {};
        const bool exists = ::stat(file.final_.c_str(), &st) == 0;
        if (!exists && errno != ENOENT) return Unexpected(open_error(errno));
        if (exists && S_ISDIR(st.st_mode)) return Unexpected(open_error(EISDIR));
        if (exists && !S_ISREG(st.st_mode)) {
            // Non-blocking, so that a pipe nobody reads is refused instead of
            // waited on; the writes themselves block as usual.
            direct = ::open(file.final_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
            if (direct < 0) {
                if (errno == ENXIO && S_ISFIFO(st.st_mode)) return Unexpected(open_error(ENXIO, "no process reads the pipe"));
                return Unexpected(open_error(errno));
            }
            const int flags = ::fcntl(direct, F_GETFL);
            if (flags < 0 || ::fcntl(direct, F_SETFL, flags & ~O_NONBLOCK) != 0) {
                const int error = errno;
                ::close(direct);
                return Unexpected(open_error(error));
            }
        } else {
            // Replacing goes through the folder; still refuse a file that may
            // not be written, as writing it in place would be refused.
            if (exists && ::faccessat(AT_FDCWD, file.final_.c_str(), W_OK, AT_EACCESS) != 0)
                return Unexpected(open_error(errno));
            const std::size_t slash = file.final_.find_last_of('/');
            const std::string folder = slash == 0 ? "/" : file.final_.substr(0, slash);
            auto temporary = create_temporary(folder, std::string_view(file.final_).substr(slash + 1),
                                              options.new_file_mode.value_or(0666));
            if (!temporary) return Unexpected(temporary.error());
            file.temporary_ = std::move(temporary->path);
            file.fd_ = temporary->fd;
            file.registration_ = std::move(temporary->registration);
            std::optional<mode_t> mode = options.forced_mode;
            // A replaced file keeps its permissions, but never set-ID or sticky bits.
            if (!mode && exists) mode = st.st_mode & 0777;
            if (mode && ::fchmod(file.fd_, *mode) != 0) {
                const int error = errno;
                file.discard();
                return Unexpected(open_error(error));
            }
            file.kind_ = Kind::Replace;
            return file;
        }
    }

    file.kind_ = Kind::Direct;
    if (!options.staging) {
        file.fd_ = direct;
        return file;
    }
    file.direct_fd_ = direct;
    auto staging = create_temporary(temporary_folder(), "corvex-staging", 0600);
    if (!staging) {
        ::close(direct);
        file.direct_fd_ = -1;
        return Unexpected(staging.error());
    }
    file.temporary_ = std::move(staging->path);
    file.fd_ = staging->fd;
    file.registration_ = std::move(staging->registration);
    return file;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : kind_(other.kind_),
      fd_(std::exchange(other.fd_, -1)),
      direct_fd_(std::exchange(other.direct_fd_, -1)),
      temporary_(std::move(other.temporary_)),
      final_(std::move(other.final_)),
      registration_(std::move(other.registration_)),
      done_(std::exchange(other.done_, true)) {
    other.temporary_.clear();
}

OutputFile::~OutputFile() { discard(); }

Expected<void, OutputError> OutputFile::write(std::string_view bytes) {
    if (fd_ < 0) return Unexpected(step_error(OutputError::Step::Write, EBADF));
    return write_all(fd_, bytes, OutputError::Step::Write);
}

Expected<void, OutputError> OutputFile::commit() {
    using Step = OutputError::Step;
    if (done_ || fd_ < 0) return Unexpected(step_error(Step::Commit, EBADF));
    auto fail = [this](int error) {
        discard();
        return Unexpected(step_error(Step::Commit, error));
    };

    if (kind_ == Kind::Direct && direct_fd_ >= 0) {
        // Staging: copy the finished file into the destination.
        if (::lseek(fd_, 0, SEEK_SET) != 0) return fail(errno);
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return fail(errno);
            if (n == 0) break;
            if (auto written = write_all(direct_fd_, std::string_view(buffer, static_cast<std::size_t>(n)), Step::Commit);
                !written)
                return fail(written.error().error);
        }
        if (::close(std::exchange(direct_fd_, -1)) != 0) return fail(errno);
        discard();  // the staging file
        done_ = true;
        return {};
    }
    if (kind_ == Kind::Direct) {
        if (::close(std::exchange(fd_, -1)) != 0) return fail(errno);
        done_ = true;
        return {};
    }

    // A sync surfaces write errors the kernel deferred (a full disk on a
    // network file system, an I/O error).
    if (::fsync(fd_) != 0 && errno != EINVAL) return fail(errno);
    if (::close(std::exchange(fd_, -1)) != 0) return fail(errno);
    if (::rename(temporary_.c_str(), final_.c_str()) != 0) {
        const int error = errno;
        discard();
        return Unexpected(step_error(Step::Replace, error));
    }
    registration_.release();
    temporary_.clear();
    done_ = true;
    sync_folder_of(final_);
    return {};
}

void OutputFile::discard() noexcept {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (direct_fd_ >= 0) ::close(std::exchange(direct_fd_, -1));
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    registration_.release();
}

Expected<void, OutputError> write_whole_file(std::string_view path, std::string_view bytes,
                                             const OutputOptions& options) {
    auto file = OutputFile::open(path, options);
    if (!file) return Unexpected(file.error());
    if (auto written = file->write(bytes); !written) return written;
    return file->commit();
}

bool names_same_file(std::string_view a, std::string_view b) {
    struct stat sa {}, sb {};
    if (::stat(std::string(a).c_str(), &sa) != 0 || ::stat(std::string(b).c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace corvex::platform
