#include "destination.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "corvex/platform/program_guards.h"

namespace corvex::platform::detail {

namespace {

// As many links as the kernel follows before it says ELOOP.
constexpr int kMaxLinks = 40;

bool all_digits(std::string_view text) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

int parse_number(std::string_view text) {
    int value = -1;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The descriptor table a resolved folder stands for: "/proc/PID/fd" or
// "/proc/PID/task/TID/fd". The pid, or -1 when the folder is no such table.
int descriptor_table_owner(std::string_view folder) {
    constexpr std::string_view kProc = "/proc/";
    if (!folder.starts_with(kProc) || !folder.ends_with("/fd")) return -1;
    std::string_view middle = folder.substr(kProc.size(), folder.size() - kProc.size() - 3);
    const std::size_t slash = middle.find('/');
    const std::string_view pid = middle.substr(0, slash);
    if (!all_digits(pid)) return -1;
    if (slash != std::string_view::npos) {
        std::string_view rest = middle.substr(slash);
        constexpr std::string_view kTask = "/task/";
        if (!rest.starts_with(kTask) || !all_digits(rest.substr(kTask.size()))) return -1;
    }
    return parse_number(pid);
}

std::string closed_descriptor_reason(int fd) {
    switch (fd) {
        case 0: return "standard input is closed";
        case 1: return "standard output is closed";
        case 2: return "standard error is closed";
        default: return "descriptor " + std::to_string(fd) + " is not open";
    }
}

Expected<Destination, OutputError> held_descriptor(int fd) {
    if (standard_descriptor_closed_at_start(fd)) return Unexpected(open_error(EBADF, closed_descriptor_reason(fd)));
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return Unexpected(open_error(EBADF, closed_descriptor_reason(fd)));
    const int access = flags & O_ACCMODE;
    if ((flags & O_PATH) == O_PATH || access == O_RDONLY)
        return Unexpected(open_error(EBADF, "descriptor " + std::to_string(fd) + " is not open for writing"));
    Destination d;
    d.kind = Destination::Kind::HeldDescriptor;
    d.descriptor = fd;
    return d;
}

std::string real_folder(const std::string& folder, int& error) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(folder.c_str(), nullptr), &std::free);
    if (!resolved) {
        error = errno;
        return {};
    }
    return resolved.get();
}

}  // namespace

OutputError open_error(int error, std::string reason) {
    OutputError e;
    e.step = OutputError::Step::Open;
    e.error = error;
    e.reason = reason.empty() ? std::string(std::strerror(error)) : std::move(reason);
    return e;
}

Expected<Destination, OutputError> resolve_destination(std::string_view name) {
    if (name.empty()) return Unexpected(open_error(ENOENT, "no file name given"));
    if (name.find('\0') != std::string_view::npos) return Unexpected(open_error(EINVAL, "the name holds a NUL byte"));

    std::string path(name);
    for (int links = 0;; ++links) {
        if (links > kMaxLinks) return Unexpected(open_error(ELOOP));
        if (path.back() == '/') return Unexpected(open_error(EISDIR));
        const std::size_t slash = path.find_last_of('/');
        const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
        if (leaf == "." || leaf == "..") return Unexpected(open_error(EISDIR));
        std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);

        int error = 0;
        folder = real_folder(folder, error);
        if (folder.empty()) return Unexpected(open_error(error));

        if (const int owner = descriptor_table_owner(folder); owner >= 0) {
            if (owner != ::getpid() || !all_digits(leaf))
                return Unexpected(open_error(EACCES, "names a descriptor of another process"));
            return held_descriptor(parse_number(leaf));
        }

        std::string full = folder == "/" ? "/" + leaf : folder + "/" + leaf;
        struct stat st {};
        if (::lstat(full.c_str(), &st) != 0) {
            if (errno != ENOENT) return Unexpected(open_error(errno));
            Destination d;
            d.path = std::move(full);
            return d;  // a new file
        }
        if (!S_ISLNK(st.st_mode)) {
            Destination d;
            d.path = std::move(full);
            return d;
        }
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t n = ::readlink(full.c_str(), target.data(), target.size());
        if (n < 0) return Unexpected(open_error(errno));
        if (static_cast<std::size_t>(n) >= target.size()) return Unexpected(open_error(ENAMETOOLONG));
        target.resize(static_cast<std::size_t>(n));
        if (target.empty()) return Unexpected(open_error(ENOENT));
        path = target.front() == '/' ? target : (folder == "/" ? "/" : folder + "/") + target;
    }
}

}  // namespace corvex::platform::detail
